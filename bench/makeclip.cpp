// Writes one synthetic clip of the LED from name=value options, for trying
// the decoder by hand, for example:
//   make_clip red.mp4 colour=1 flashes=3,1,4,2 duration=45 shake=2 flicker=100 codec=hevc
//   make_clip phone.mp4 level=phone seed=7 (a whole setup drawn from a level; later
//   options change it)

#include "clipgenerator.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

int main(int argc, char **argv)
{
    clips::ClipSetup s;
    const std::map<std::string, double *> reals{
        {"duration", &s.durationS},  {"fps", &s.fps},
        {"start", &s.startMs},       {"clock", &s.clockFactor},
        {"change", &s.changeAtMs},   {"radius", &s.ledRadius},
        {"power", &s.ledPower},      {"halo", &s.haloScale},
        {"tint", &s.tint},           {"room", &s.level},
        {"grey", &s.faceGrey},       {"warmth", &s.warmth},
        {"cover", &s.coverFromMs},   {"uncover", &s.coverToMs},
        {"pan", &s.panFromMs},       {"unpan", &s.panToMs},
        {"exposure", &s.exposureMs}, {"readout", &s.readoutMs},
        {"ae", &s.autoExposure},     {"aedelay", &s.aeDelayS},
        {"wb", &s.whiteBalance},     {"gain", &s.gainRamp},
        {"shake", &s.shakePx},       {"shakehz", &s.shakeHz},
        {"drift", &s.driftPx},       {"aimx", &s.aimX},
        {"aimy", &s.aimY},           {"roll", &s.rollDeg},
        {"jitter", &s.jitterMs},     {"drop", &s.dropRate},
        {"depth", &s.flickerDepth},  {"noise", &s.noise},
        {"ghost", &s.ghost}};
    const std::map<std::string, int *> integers{
        {"width", &s.width},         {"height", &s.height},          {"colour", &s.colour},
        {"pattern", &s.pattern},     {"flicker", &s.flickerHz},      {"quality", &s.quality},
        {"bitrate", &s.bitrateKbps}, {"rotation", &s.rotation},      {"outwidth", &s.outWidth},
        {"outheight", &s.outHeight}, {"othercolour", &s.otherColour}};
    const std::map<std::string, bool *> flags{{"lamp", &s.lamp},
                                              {"window", &s.window},
                                              {"blinker", &s.otherBlinker},
                                              {"reflection", &s.reflection},
                                              {"blur", &s.motionBlur},
                                              {"ffmpeg", &s.drawnByFfmpeg}};
    const std::map<std::string, clips::Codec> codecs{{"h264", clips::Codec::H264Mp4},
                                                     {"hevc", clips::Codec::HevcMp4},
                                                     {"h264-mkv", clips::Codec::H264Mkv},
                                                     {"hevc-mkv", clips::Codec::HevcMkv},
                                                     {"mjpeg", clips::Codec::MjpegAvi}};
    const std::map<std::string, clips::Lens> lenses{{"milky", clips::Lens::Milky},
                                                    {"clear", clips::Lens::Clear},
                                                    {"smoked", clips::Lens::Smoked}};
    bool usage = argc < 2;
    std::string level;
    bool describe = false;
    for (int i = 2; i < argc && !usage; ++i) {
        const char *eq = std::strchr(argv[i], '=');
        const std::string name(argv[i], eq ? eq - argv[i] : std::strlen(argv[i]));
        const char *value = eq ? eq + 1 : "";
        if (name == "level" && i == 2)
            level = value;
        else if (reals.count(name))
            *reals.at(name) = std::atof(value);
        else if (integers.count(name))
            *integers.at(name) = std::atoi(value);
        else if (flags.count(name))
            *flags.at(name) = std::atoi(value) != 0;
        else if (name == "codec" && codecs.count(value))
            s.codec = codecs.at(value);
        else if (name == "lens" && lenses.count(value))
            s.lens = lenses.at(value);
        else if (name == "flashes" || name == "other" || name == "next") {
            auto &f = name == "flashes" ? s.flashes : name == "other" ? s.otherCode : s.nextFlashes;
            usage = std::sscanf(value, "%d,%d,%d,%d", &f[0], &f[1], &f[2], &f[3]) != 4;
        } else if (name == "preset")
            s.preset = value;
        else if (name == "describe")
            describe = true;
        else if (name == "seed")
            s.seed = std::uint32_t(std::strtoul(value, nullptr, 10));
        else
            usage = true;
        // A level draws the whole setup from the seed that follows it.
        if (!level.empty() && name == "seed" && !clips::drawClip(level, s.seed, s))
            usage = true;
    }
    if (usage) {
        std::fprintf(stderr, "usage: make_clip FILE [level=NAME seed=N] [name=value ...]\n"
                             "  codec=h264|hevc|h264-mkv|hevc-mkv|mjpeg  lens=milky|clear|smoked\n"
                             "  flashes=a,b,c,d other=a,b,c,d next=a,b,c,d preset=NAME seed=N\n"
                             "  describe (prints the truth as JSON)\n"
                             "  flags (0 or 1):");
        for (const auto &n : flags)
            std::fprintf(stderr, " %s", n.first.c_str());
        std::fprintf(stderr, "\n  numbers:");
        for (const auto &n : reals)
            std::fprintf(stderr, " %s", n.first.c_str());
        for (const auto &n : integers)
            std::fprintf(stderr, " %s", n.first.c_str());
        std::fprintf(stderr, "\n  levels:");
        for (const clips::Level &l : clips::levels())
            std::fprintf(stderr, " %s", l.name);
        std::fprintf(stderr, "\n");
        return 2;
    }
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
