// Stands in for the decoder in tests: `fakedecoder --ipc FILE` plays FILE line
// by line. "@sleep MS" waits, "@hang" waits for ever, "@crash" dies by a
// signal, "@delete" removes FILE, "@exit N" ends with status N; every other
// line goes to standard output as it is. It starts no process of its own.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

int main(int argc, char *argv[])
{
    if (argc != 3 || std::string(argv[1]) != "--ipc")
        return 2;
    std::ifstream in(argv[2]);
    std::string line;
    while (std::getline(in, line)) {
        std::fflush(stdout);
        if (line.rfind("@sleep ", 0) == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(std::stoi(line.substr(7))));
        else if (line == "@hang")
            for (;;)
                std::this_thread::sleep_for(std::chrono::hours(1));
        else if (line == "@crash")
            std::raise(SIGKILL);
        else if (line == "@delete")
            std::remove(argv[2]);
        else if (line.rfind("@exit ", 0) == 0)
            return std::stoi(line.substr(6));
        else
            std::printf("%s\n", line.c_str());
    }
    return 0;
}
