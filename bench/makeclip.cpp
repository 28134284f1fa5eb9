// Writes one synthetic clip of the LED from name=value options, for trying
// the decoder by hand, for example:
//   make_clip red.mp4 colour=red flashes=3,1,4,2 duration=45 shake=2 flicker=100 codec=hevc
//   make_clip phone.mp4 level=phone seed=7 (a whole setup drawn from a level; later
//   options change it)
// Every value is checked: a wrong one writes nothing and exits with status 2.

#include "clipgenerator.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

struct Option {
    std::string name;
    std::string values; // what it takes, with its unit, for the usage
    const char *what;
    std::function<bool(std::string_view)> set; // false: malformed or out of range
    bool flag = false;                         // may stand alone, meaning =1
};

template <typename T> bool number(std::string_view text, T low, T high, T &to)
{
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        !(value >= low && value <= high))
        return false;
    to = value;
    return true;
}

std::string range(double low, double high, const char *unit)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.10g to %.10g%s%s", low, high, *unit ? " " : "", unit);
    return text;
}

Option real(const char *name, double &to, double low, double high, const char *unit,
            const char *what)
{
    return {name, range(low, high, unit), what,
            [&to, low, high](std::string_view v) { return number(v, low, high, to); }};
}

// A whole number; `even` for the sizes that 4:2:0 pictures need.
Option integer(const char *name, int &to, int low, int high, const char *unit, const char *what,
               bool even = false)
{
    return {name, range(low, high, unit) + (even ? ", even" : ""), what,
            [&to, low, high, even](std::string_view v) {
                int n = 0;
                return number(v, low, high, n) && (!even || n % 2 == 0) && (to = n, true);
            }};
}

Option flag(const char *name, bool &to, const char *what)
{
    return {name, "0|1", what,
            [&to](std::string_view v) { return (v == "0" || v == "1") && (to = v == "1", true); },
            true};
}

// One of the names, or (when numbered) its position in the list counted from `first`.
template <typename T>
Option choice(const char *name, T &to, std::vector<std::pair<const char *, T>> names,
              const char *what, int first = 0, bool numbered = false)
{
    std::string values;
    for (const auto &n : names)
        values += (values.empty() ? "" : "|") + std::string(n.first);
    if (numbered)
        values += " or " + range(first, first + int(names.size()) - 1, "");
    return {name, values, what, [&to, names, first, numbered](std::string_view v) {
                int k = 0;
                if (numbered && number(v, first, first + int(names.size()) - 1, k))
                    return to = names[std::size_t(k - first)].second, true;
                for (const auto &n : names)
                    if (v == n.first)
                        return to = n.second, true;
                return false;
            }};
}

// Four flash counts, each 1 to 16.
Option code(const char *name, std::array<int, 4> &to, const char *what)
{
    return {name, "A,B,C,D: 1 to 16 each", what, [&to](std::string_view v) {
                std::array<int, 4> f{};
                for (std::size_t k = 0; k < 4; ++k) {
                    const std::size_t comma = k < 3 ? v.find(',') : v.size();
                    if (comma == std::string_view::npos || !number(v.substr(0, comma), 1, 16, f[k]))
                        return false;
                    v.remove_prefix(std::min(v.size(), comma + 1));
                }
                return to = f, true;
            }};
}

void printUsage(std::FILE *out,
                const std::vector<std::pair<const char *, std::vector<Option>>> &all)
{
    std::fprintf(out,
                 "usage: make_clip FILE [level=NAME seed=N] [NAME=VALUE ...]\n"
                 "       make_clip --help\n"
                 "Writes a synthetic clip of the unit's LED, filmed as a phone films it, into\n"
                 "FILE. level=NAME seed=N first draws a whole setup from a level; the options\n"
                 "after it change it. A flag alone means =1. Exit status: 0 written, 1 the\n"
                 "clip could not be written, 2 wrong usage (nothing written).\n");
    for (const auto &[group, options] : all) {
        std::fprintf(out, " %s:\n", group);
        for (const Option &o : options) {
            // Long lists of values put the description on a line of its own.
            std::string line =
                "  " + o.name + std::string(std::max(1, 13 - int(o.name.size())), ' ') + o.values;
            if (*o.what)
                line += o.values.size() > 34 ? "\n" + std::string(15 + 35, ' ') + o.what
                                             : std::string(35 - o.values.size(), ' ') + o.what;
            std::fprintf(out, "%s\n", line.c_str());
        }
    }
    std::fprintf(out, "  levels:");
    for (const clips::Level &l : clips::levels())
        std::fprintf(out, " %s", l.name);
    std::fprintf(out, "\n");
}

int wrongUsage(const std::string &problem)
{
    std::fprintf(stderr, "make_clip: %s\nTry 'make_clip --help' for the options.\n",
                 problem.c_str());
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    clips::ClipSetup s;
    bool describe = false;
    using clips::Codec, clips::Lens;
    const std::vector<std::pair<const char *, std::vector<Option>>> all{
        {"what the unit shows",
         {choice<int>("colour", s.colour, {{"green", 0}, {"red", 1}, {"yellow", 2}},
                      "the LED's colour", 0, true),
          choice<int>("pattern", s.pattern, {{"steady", 0}, {"slow", 1}, {"short", 2}},
                      "green: steady, slow blinking, short flashes", 0, true),
          code("flashes", s.flashes, "red and yellow: the four digits"),
          real("start", s.startMs, 0, 600000, "ms", "the clip starts this far into the cycle"),
          real("clock", s.clockFactor, 0.5, 2, "", "the unit's intervals last this many times"),
          code("next", s.nextFlashes, "the unit shows this code from change= on"),
          real("change", s.changeAtMs, 0, 600000, "ms", "when the code changes")}},
        {"the LED",
         {choice<Lens>("lens", s.lens,
                       {{"milky", Lens::Milky}, {"clear", Lens::Clear}, {"smoked", Lens::Smoked}},
                       "its lens"),
          real("radius", s.ledRadius, 0, 100, "px", "of the lens; 0: no LED in the picture"),
          real("power", s.ledPower, 0, 100, "", "lit: 1 just clips, 0.3 a dim red"),
          real("halo", s.haloScale, 1, 3, "", "the glow's width in lens radii"),
          real("tint", s.tint, -1, 2, "", "hue: 0 red, 1 yellow, 2 green; -1 the colour's own")}},
        {"the scene",
         {real("room", s.level, 0, 4, "", "room light: below 1 a dim room"),
          real("grey", s.faceGrey, 0, 1, "", "the unit's face, gamma-coded"),
          real("warmth", s.warmth, -0.5, 1, "", "-0.5 daylight to 1 a warm lamp"),
          flag("lamp", s.lamp, "a steady lamp on the wall"),
          flag("window", s.window, "a bright window at the frame's edge"),
          flag("blinker", s.otherBlinker, "a blue light blinking about once a second"),
          flag("reflection", s.reflection, "a soft reflection wandering over the face"),
          code("other", s.otherCode, "a second LED blinking this code"),
          choice<int>("othercolour", s.otherColour,
                      {{"same", -1}, {"green", 0}, {"red", 1}, {"yellow", 2}},
                      "the second LED's colour", -1, true),
          real("cover", s.coverFromMs, 0, 600000, "ms", "a hand covers the LED from..."),
          real("uncover", s.coverToMs, 0, 600000, "ms", "...until"),
          real("pan", s.panFromMs, 0, 600000, "ms", "the phone points away from..."),
          real("unpan", s.panToMs, 0, 600000, "ms", "...until")}},
        {"the camera",
         {real("fps", s.fps, 1, 240, "fps", "frame rate"),
          real("exposure", s.exposureMs, 0, 1000, "ms", "0: the whole frame interval"),
          real("readout", s.readoutMs, 0, 1000, "ms", "rolling shutter; 0: 0.8 frame intervals"),
          real("ae", s.autoExposure, 0, 0.6, "", "auto exposure darkens while the LED is lit"),
          real("aedelay", s.aeDelayS, 0.05, 5, "s", "how quickly it follows"),
          real("wb", s.whiteBalance, 0, 1, "", "white balance corrects the LED's colour"),
          real("gain", s.gainRamp, 0, 1, "", "channel gains drift apart over the clip"),
          real("shake", s.shakePx, 0, 100, "px", "hand tremor"),
          real("shakehz", s.shakeHz, 0, 30, "Hz", "its main frequency"),
          real("drift", s.driftPx, -2000, 2000, "px", "slow drift over the clip"),
          real("aimx", s.aimX, -0.5, 0.5, "", "where the phone points: part of the width"),
          real("aimy", s.aimY, -0.5, 0.5, "", "part of the height, down"),
          real("roll", s.rollDeg, -45, 45, "degrees", "the phone's roll, swaying"),
          flag("blur", s.motionBlur, "motion blur"),
          real("jitter", s.jitterMs, 0, 100, "ms", "each frame's time shifts, at most 0.45 frame"),
          real("drop", s.dropRate, 0, 0.5, "", "chance of a dropped frame"),
          integer("flicker", s.flickerHz, 0, 1000, "Hz", "mains light in bands: 100 or 120"),
          real("depth", s.flickerDepth, 0, 1, "", "how deep the flicker is"),
          real("noise", s.noise, 0, 50, "luma levels", "sensor noise"),
          real("ghost", s.ghost, 0, 0.6, "", "noise reduction keeps this of the last frame")}},
        {"the file",
         {integer("width", s.width, 16, 4096, "px", "rendered size", true),
          integer("height", s.height, 16, 4096, "px", "", true),
          real("duration", s.durationS, 0.1, 600, "s", "the clip's length"),
          choice<Codec>("codec", s.codec,
                        {{"h264", Codec::H264Mp4},
                         {"hevc", Codec::HevcMp4},
                         {"h264-mkv", Codec::H264Mkv},
                         {"hevc-mkv", Codec::HevcMkv},
                         {"mjpeg", Codec::MjpegAvi}},
                        "MP4, Matroska or AVI"),
          integer("quality", s.quality, 0, 51, "", "CRF; MJPEG: quantiser 2 to 31"),
          integer("bitrate", s.bitrateKbps, 0, 100000, "kbps", "H.264, HEVC: instead of CRF"),
          choice<int>("rotation", s.rotation, {{"0", 0}, {"90", 90}, {"180", 180}, {"270", 270}},
                      "degrees clockwise, in the metadata"),
          integer("outwidth", s.outWidth, 0, 8192, "px", "encoded size, scaled; 0: as rendered",
                  true),
          integer("outheight", s.outHeight, 0, 8192, "px", "", true),
          choice<std::string>("preset", s.preset,
                              {{"ultrafast", "ultrafast"},
                               {"superfast", "superfast"},
                               {"veryfast", "veryfast"},
                               {"faster", "faster"},
                               {"fast", "fast"},
                               {"medium", "medium"},
                               {"slow", "slow"},
                               {"slower", "slower"},
                               {"veryslow", "veryslow"}},
                              "x264 and x265 speed"),
          flag("ffmpeg", s.drawnByFfmpeg, "a plain dot drawn by FFmpeg's filters instead"),
          {"seed", range(0, 4294967295, ""), "noise and shake",
           [&s](std::string_view v) { return number<std::uint32_t>(v, 0, 4294967295u, s.seed); }},
          flag("describe", describe, "prints the truth as JSON first")}}};

    if (argc < 2) {
        printUsage(stderr, all);
        return 2;
    }
    const std::string_view file = argv[1];
    if (file == "--help" || file == "-h") {
        printUsage(stdout, all);
        return 0;
    }
    if (file.starts_with('-'))
        return wrongUsage("unknown option " + std::string(file) + " (FILE comes first)");

    // A level draws the whole setup from the seed that follows it.
    std::string level;
    int i = 2;
    if (i < argc && std::string_view(argv[i]).starts_with("level=")) {
        level = argv[i] + 6;
        std::uint32_t seed = 0;
        const auto &levels = clips::levels();
        if (std::none_of(levels.begin(), levels.end(),
                         [&](const clips::Level &l) { return l.name == level; }))
            return wrongUsage("no level " + level + " (see the levels in make_clip --help)");
        if (i + 1 >= argc || !std::string_view(argv[i + 1]).starts_with("seed=") ||
            !number<std::uint32_t>(argv[i + 1] + 5, 0, 4294967295u, seed))
            return wrongUsage("level=" + level + " needs seed=N (0 to 4294967295) after it");
        clips::drawClip(level, seed, s);
        i += 2;
    }
    for (; i < argc; ++i) {
        const char *eq = std::strchr(argv[i], '=');
        const std::string name(argv[i], eq ? eq - argv[i] : std::strlen(argv[i]));
        const Option *option = nullptr;
        for (const auto &group : all)
            for (const Option &o : group.second)
                option = o.name == name ? &o : option;
        if (name == "level")
            return wrongUsage("level=NAME seed=N come first, right after FILE");
        if (!option)
            return wrongUsage("unknown option " + name);
        if (!eq && !option->flag)
            return wrongUsage(name + " needs a value (" + option->values + ")");
        if (!option->set(eq ? eq + 1 : "1"))
            return wrongUsage("wrong value for " + name + ": '" + (eq ? eq + 1 : "") + "' (" +
                              option->values + ")");
    }
    if ((s.coverFromMs != 0 || s.coverToMs != 0) && s.coverToMs <= s.coverFromMs)
        return wrongUsage("uncover= must be later than cover=");
    if ((s.panFromMs != 0 || s.panToMs != 0) && s.panToMs <= s.panFromMs)
        return wrongUsage("unpan= must be later than pan=");

    if (describe) { // what the clip holds, as truth.json has it
        const auto &f = s.flashes;
        std::printf("{\"file\": \"%s\", \"colour\": \"%s\", ", argv[1],
                    blinkcode::ColourNames[s.colour % 3]);
        if (s.colour == int(blinkcode::Colour::Green))
            std::printf("\"pattern\": %d, ", s.pattern);
        else
            std::printf("\"flashes\": [%d, %d, %d, %d], ", f[0], f[1], f[2], f[3]);
        std::printf("\"recording\": \"%s\"", clips::describe(s).c_str());
        for (const clips::Level &l : clips::levels())
            if (l.name == level)
                std::printf(", \"level\": \"%s\", \"expect\": \"%s\"", l.name,
                            l.readable ? "decoded" : "unsure");
        std::printf("}\n");
    }
    const std::string error = clips::encodeClip(s, argv[1]);
    if (!error.empty())
        std::fprintf(stderr, "make_clip: %s\n", error.c_str());
    return error.empty() ? 0 : 1;
}
