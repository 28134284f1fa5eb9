// Reads 60 s clips of the LED at three sizes, H.264 and HEVC, and prints the
// wall time and peak memory of reading them beside `ffmpeg -threads 2 -i CLIP
// -f null -` on the same file in the same run, the floor of decoding the video
// at all. Then the decoder's accuracy over a generated corpus, per difficulty.
// Each reading runs in a process of its own (this program with --frames or
// --decode), so that its peak memory is its own. Clips are made once and kept
// in the build folder (BENCH_CLIPS); making the 4K ones takes minutes.
//
//   bench_recording [--speed | --accuracy] [--repeat N] [--corpus N]
//   --repeat: the best of N runs of each reading; --corpus: N clips per difficulty (default 4)

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

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
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

// How long one cycle of a code lasts at the unit's nominal timing.
double cycleMs(const clips::ClipSetup &setup)
{
    if (setup.colour == int(blinkcode::Colour::Green))
        return 1100;
    return double(blinkcode::codeCycle(setup.flashes).count());
}

struct Level {
    const char *name;
    std::function<void(clips::ClipSetup &, std::mt19937 &)> apply;
};

void accuracy(int perLevel)
{
    const std::vector<Level> levels{
        {"clean", [](clips::ClipSetup &, std::mt19937 &) {}},
        {"shaky, drifting",
         [](clips::ClipSetup &s, std::mt19937 &) { s.shakePx = 3, s.driftPx = 25; }},
        {"mains flicker",
         [](clips::ClipSetup &s, std::mt19937 &r) {
             s.flickerHz = r() % 2 ? 100 : 120, s.flickerDepth = 0.3;
         }},
        {"exposure, white balance",
         [](clips::ClipSetup &s, std::mt19937 &) { s.gainRamp = 0.5, s.level = 0.6; }},
        {"dim room, short exposure",
         [](clips::ClipSetup &s, std::mt19937 &) {
             s.level = 0.35, s.noise = 8, s.exposureMs = 4;
         }},
        {"small LED, strong compression",
         [](clips::ClipSetup &s, std::mt19937 &) { s.ledRadius = 1.2, s.quality = 32; }},
        {"lamp and other blinker",
         [](clips::ClipSetup &s, std::mt19937 &) { s.lamp = s.otherBlinker = true; }},
        {"clock off 3 %, frame jitter",
         [](clips::ClipSetup &s, std::mt19937 &r) {
             s.clockFactor = r() % 2 ? 0.97 : 1.03, s.jitterMs = 10;
         }},
        {"portrait HEVC", [](clips::ClipSetup &s,
                             std::mt19937 &) { s.rotation = 90, s.codec = clips::Codec::HevcMp4; }},
        {"unsure: too short", [](clips::ClipSetup &s, std::mt19937 &) { s.durationS /= 3; }},
        {"unsure: 15 fps, 2 ms exposure",
         [](clips::ClipSetup &s, std::mt19937 &) { s.fps = 15, s.exposureMs = 2; }},
        {"unsure: two codes blink",
         [](clips::ClipSetup &s, std::mt19937 &) {
             s.colour = int(blinkcode::Colour::Red) + s.colour % 2, s.otherCode = {2, 5, 1, 3};
             s.durationS = (cycleMs(s) * 1.03 + 10000) / 1000;
         }},
    };
    std::printf("\naccuracy, %d clips per level  %9s %7s %6s\n", perLevel, "right", "unsure",
                "WRONG");
    for (std::size_t l = 0; l < levels.size(); ++l) {
        int right = 0, unsure = 0, wrong = 0;
        for (int k = 0; k < perLevel; ++k) {
            std::mt19937 random(unsigned(1000 * l + k));
            clips::ClipSetup setup;
            setup.seed = random();
            setup.colour = int(random() % 3);
            setup.pattern = int(random() % 3);
            for (int &n : setup.flashes)
                n = 1 + int(random() % 16);
            setup.startMs = std::uniform_real_distribution<double>(0, cycleMs(setup))(random);
            setup.durationS = setup.colour == int(blinkcode::Colour::Green)
                                  ? 12
                                  : (cycleMs(setup) * 1.03 + 10000) / 1000;
            levels[l].apply(setup, random);
            const fs::path path = fs::path(BENCH_CLIPS) / "corpus" /
                                  ("level" + std::to_string(l) + "-" + std::to_string(k) + ".mp4");
            if (!ensureClip(setup, path))
                continue;
#ifdef KESTRION_DECODER
            const recording::Reading r = recording::decodeRecording(path).reading;
            const bool truth =
                r.colour == setup.colour &&
                (setup.colour == int(blinkcode::Colour::Green) ? r.pattern == setup.pattern
                                                               : r.flashes == setup.flashes);
            if (r.status != recording::Status::Decoded)
                ++unsure;
            else
                ++(truth ? right : wrong);
#else
            ++unsure;
#endif
        }
        std::printf("%-30s %6d %7d %6d\n", levels[l].name, right, unsure, wrong);
        std::fflush(stdout);
    }
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
    int repeat = 1, perLevel = 4;
    bool speedOnly = false, accuracyOnly = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--repeat" || arg == "--corpus") && i + 1 < argc)
            (arg == "--repeat" ? repeat : perLevel) = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--speed" || arg == "--accuracy")
            (arg == "--speed" ? speedOnly : accuracyOnly) = true;
        else {
            std::fprintf(stderr, "usage: bench_recording [--speed | --accuracy] [--repeat N] "
                                 "[--corpus N]\n");
            return 2;
        }
    }
    if (!accuracyOnly)
        speed(fs::canonical("/proc/self/exe"), repeat);
    if (!speedOnly)
        accuracy(perLevel);
    return 0;
}
