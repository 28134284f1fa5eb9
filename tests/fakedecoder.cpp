// Stands in for the decoder in tests: `fakedecoder --ipc -- FILE...` plays the
// first FILE line by line. "@next" goes on to the next FILE where there is one
// (this one held no video), "@hang" waits for ever,
// "@crash" dies by a signal, "@delete" removes the FILE, "@exit N" ends with
// status N; every other line goes to standard output as it is, after the line
// naming the FILE played. It starts no process of its own.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <utility>

int main(int argc, char *argv[])
{
    if (argc < 4 || std::string(argv[1]) != "--ipc" || std::string(argv[2]) != "--")
        return 2;
    int file = 3;
    std::ifstream in(argv[file]);
    std::string line;
    bool named = false;
    while (std::getline(in, line)) {
        std::fflush(stdout);
        if (line == "@next" && file + 1 < argc) {
            in = std::ifstream(argv[++file]);
        } else if (line == "@hang") {
            for (;;)
                std::this_thread::sleep_for(std::chrono::hours(1));
        } else if (line == "@crash") {
            std::raise(SIGKILL);
        } else if (line == "@delete") {
            std::remove(argv[file]);
        } else if (line.rfind("@exit ", 0) == 0) {
            return std::stoi(line.substr(6));
        } else if (line != "@next") {
            if (!std::exchange(named, true))
                std::printf("file %d\n", file - 3);
            std::printf("%s\n", line.c_str());
        }
    }
    return 0;
}
