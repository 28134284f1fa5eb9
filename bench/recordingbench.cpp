// Reads 60 s clips of the LED at three sizes, H.264 and HEVC, and prints the
// wall time and peak memory of reading them beside `ffmpeg -threads 2 -i CLIP
// -f null -` on the same file in the same run, the floor of decoding the video
// at all. Then the decoder's accuracy over a generated corpus, per difficulty.
// Each reading runs in a process of its own (this program with --frames or
// --decode), so that its peak memory is its own. Clips are made once and kept
// in the build folder (BENCH_CLIPS); making the 4K ones takes minutes.
//
//   bench_recording [--speed | --accuracy] [--repeat N] [--corpus N] [--shared DIR]
//   --repeat: the best of N runs of each reading; --corpus: N clips per level (default 20);
//   --shared: a folder of recordings with their truth.json (or KESTRION_RECORDINGS), read too

#include "clipgenerator.h"
#include "videoreader.h"
#ifdef KESTRION_DECODER
#include "recordingdecoder.h"
#endif

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

extern char **environ;

namespace {

namespace fs = std::filesystem;

struct Run {
    bool ok = false;
    double seconds = 0, cpuSeconds = 0, peakMb = 0;
};

// Runs a program to its end, quietly: its wall and processor time and its
// peak resident memory; the fastest of a few runs, on a machine shared with others.
Run run(std::vector<std::string> args, int repeat)
{
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    Run best;
    for (int k = 0; k < repeat; ++k) {
        const auto start = std::chrono::steady_clock::now();
        pid_t pid = 0;
        int status = 0;
        rusage usage{};
        if (posix_spawnp(&pid, argv[0], &quiet, nullptr, argv.data(), environ) != 0 ||
            wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status))
            break;
        const auto seconds = [](const timeval &t) { return t.tv_sec + t.tv_usec / 1e6; };
        const Run r{true,
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
                    seconds(usage.ru_utime) + seconds(usage.ru_stime), usage.ru_maxrss / 1024.0};
        if (!best.ok || r.seconds < best.seconds)
            best = r;
    }
    posix_spawn_file_actions_destroy(&quiet);
    return best;
}

// The child's work: every frame through the video reader, or the whole decoder.
int readInChild(const std::string &mode, const std::string &path)
{
#ifdef KESTRION_DECODER
    if (mode == "--decode")
        return recording::decodeRecording(path).reading.status == recording::Status::Error;
#endif
    recording::VideoReader reader;
    unsigned sum = 0; // a pixel of each frame, so that the frames are looked at
    const bool ok = mode == "--frames" && reader.open(path) == recording::VideoError::None &&
                    reader.readFrames([&](const recording::FrameView &f) {
                        sum += f.luma[f.height / 2 * f.lumaStride + f.width / 2];
                        return true;
                    }) == recording::VideoError::None;
    return ok && sum > 0 ? 0 : 1;
}

// Makes a clip unless the build folder keeps it from an earlier run. It is
// made in a child process: a child's peak memory, as the system counts it,
// is at least this process's own, which therefore stays small.
bool ensureClip(const clips::ClipSetup &setup, const fs::path &path)
{
    if (fs::exists(path))
        return true;
    fs::create_directories(path.parent_path());
    std::fprintf(stderr, "making %s ...\n", path.filename().c_str());
    const fs::path part = path.string() + ".part" + path.extension().string();
    const pid_t pid = fork();
    if (pid == 0) {
        const std::string error = clips::encodeClip(setup, part);
        std::fprintf(stderr, "%s", error.empty() ? "" : (error + "\n").c_str());
        _exit(error.empty() ? 0 : 1);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status))
        return false;
    fs::rename(part, path);
    return true;
}

void speed(const std::string &self, int repeat)
{
    rusage own{};
    getrusage(RUSAGE_SELF, &own);
    std::printf("60 s clips at 30 fps, best of %d: wall time of the whole process, its processor\n"
                "time and peak memory (at least this program's own %.0f MB)\n",
                repeat, own.ru_maxrss / 1024.0);
    std::printf("%-12s %6s  %-22s %-22s %-22s %s\n", "clip", "Mbit/s", "frames only", "decoder",
                "ffmpeg (floor)", "ratio wall (cpu)");
    const int sizes[][2] = {{640, 360}, {1920, 1080}, {3840, 2160}};
    for (const auto &size : sizes) {
        for (const bool hevc : {false, true}) {
            clips::ClipSetup setup; // rendered at 640x360, scaled up to the size
            setup.width = 640;
            setup.height = 360;
            setup.outWidth = size[0];
            setup.outHeight = size[1];
            setup.durationS = 60;
            setup.ledRadius = 5;
            setup.codec = hevc ? clips::Codec::HevcMp4 : clips::Codec::H264Mp4;
            setup.preset = hevc ? "ultrafast" : "superfast";
            const std::string name = std::to_string(size[1]) + "p " + (hevc ? "HEVC" : "H.264");
            const fs::path path = fs::path(BENCH_CLIPS) / ("led-" + std::to_string(size[1]) +
                                                           (hevc ? "-hevc.mp4" : "-h264.mp4"));
            if (!ensureClip(setup, path))
                continue;
            const Run frames = run({self, "--frames", path}, repeat);
#ifdef KESTRION_DECODER
            const Run decoder = run({self, "--decode", path}, repeat);
#else
            const Run decoder; // until the decoder is built into the recording library
#endif
            const Run floor =
                run({"ffmpeg", "-threads", "2", "-i", path, "-f", "null", "-"}, repeat);
            auto cell = [](const Run &r) {
                char text[40] = "-";
                if (r.ok)
                    std::snprintf(text, sizeof text, "%6.2f s %6.2f s %4.0f MB", r.seconds,
                                  r.cpuSeconds, r.peakMb);
                return std::string(text);
            };
            const Run &mine = decoder.ok ? decoder : frames;
            std::printf("%-12s %6.1f  %-22s %-22s %-22s ", name.c_str(),
                        fs::file_size(path) * 8 / 60e6, cell(frames).c_str(), cell(decoder).c_str(),
                        cell(floor).c_str());
            if (floor.ok && mine.ok)
                std::printf("%.2f (%.2f)%s", mine.seconds / floor.seconds,
                            mine.cpuSeconds / floor.cpuSeconds, decoder.ok ? "" : " frames only");
            std::printf("\n");
            std::fflush(stdout);
        }
    }
}

// Counts one reading: right is the truth decoded, or unsure where the clip does
// not hold one code; a code other than the truth, or any code there, is WRONG.
struct Tally {
    int right = 0, unsure = 0, wrong = 0;
    void add(const std::string &path, bool readable, int colour, int pattern,
             const std::array<int, 4> &flashes)
    {
#ifdef KESTRION_DECODER
        const recording::Reading r = recording::decodeRecording(path).reading;
        const bool truth =
            r.colour == colour &&
            (colour == int(blinkcode::Colour::Green) ? r.pattern == pattern : r.flashes == flashes);
        if (r.status != recording::Status::Decoded)
            ++(readable ? unsure : right);
        else
            ++(readable && truth ? right : wrong);
#else
        (void)path, (void)readable, (void)colour, (void)pattern, (void)flashes;
        ++unsure;
#endif
    }
    void print(const std::string &name) const
    {
        std::printf("%-30s %6d %7d %6d\n", name.c_str(), right, unsure, wrong);
        std::fflush(stdout);
    }
};

// The sample recordings beside their truth.json, every one of them readable.
void sharedRecordings(const fs::path &folder)
{
    QFile file(QString::fromStdString((folder / "truth.json").string()));
    if (!file.open(QIODevice::ReadOnly)) {
        std::printf("%-30s (no %s)\n", "shared recordings", file.fileName().toUtf8().constData());
        return;
    }
    Tally tally;
    for (const QJsonValue &v : QJsonDocument::fromJson(file.readAll())["recordings"].toArray()) {
        const QJsonObject o = v.toObject();
        const auto colour = std::find(blinkcode::ColourNames.begin(), blinkcode::ColourNames.end(),
                                      o["colour"].toString().toStdString());
        std::array<int, 4> flashes{};
        for (int k = 0; k < 4; ++k)
            flashes[k] = o["flashes"][k].toInt();
        tally.add((folder / o["file"].toString().toStdString()).string(), true,
                  int(colour - blinkcode::ColourNames.begin()), o["pattern"].toInt(-1), flashes);
    }
    tally.print("shared recordings");
}

void accuracy(int perLevel, const char *shared)
{
    std::printf("\naccuracy, %d clips per level  %9s %7s %6s\n", perLevel, "right", "unsure",
                "WRONG");
    std::printf("(for the levels marked unsure, right means unsure and any code is WRONG)\n");
    for (std::size_t l = 0; l < clips::levels().size(); ++l) {
        const clips::Level &level = clips::levels()[l];
        Tally tally;
        for (int k = 0; k < perLevel; ++k) {
            clips::ClipSetup setup;
            clips::drawClip(level.name, unsigned(1000 * l + k), setup);
            // Named after what it holds, so that a changed level makes its clips anew.
            const fs::path path =
                fs::path(BENCH_CLIPS) / "corpus" /
                (std::string(level.name) + "-" + std::to_string(k) + "-" +
                 std::to_string(std::hash<std::string>()(clips::describe(setup)) % 100000) +
                 ".mp4");
            if (ensureClip(setup, path))
                tally.add(path, level.readable, setup.colour, setup.pattern, setup.flashes);
        }
        tally.print(std::string(level.readable ? "" : "unsure: ") + level.name);
    }
    if (shared)
        sharedRecordings(shared);
#ifndef KESTRION_DECODER
    std::printf("(the decoder is not built yet: every clip counts as unsure)\n");
#endif
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 &&
        (std::strcmp(argv[1], "--frames") == 0 || std::strcmp(argv[1], "--decode") == 0))
        return readInChild(argv[1], argv[2]);
    int repeat = 1, perLevel = 20;
    const char *shared = std::getenv("KESTRION_RECORDINGS");
    bool speedOnly = false, accuracyOnly = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--repeat" || arg == "--corpus") && i + 1 < argc)
            (arg == "--repeat" ? repeat : perLevel) = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--shared" && i + 1 < argc)
            shared = argv[++i];
        else if (arg == "--speed" || arg == "--accuracy")
            (arg == "--speed" ? speedOnly : accuracyOnly) = true;
        else {
            std::fprintf(stderr, "usage: bench_recording [--speed | --accuracy] [--repeat N] "
                                 "[--corpus N] [--shared DIR]\n");
            return 2;
        }
    }
    if (!accuracyOnly)
        speed(fs::canonical("/proc/self/exe"), repeat);
    if (!speedOnly)
        accuracy(perLevel, shared);
    return 0;
}
