// Writes one synthetic clip of the LED from name=value options, for trying
// the decoder by hand, for example:
//   make_clip red.mp4 colour=1 flashes=3,1,4,2 duration=45 shake=2 flicker=100 codec=hevc

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
        {"duration", &s.durationS}, {"fps", &s.fps},         {"start", &s.startMs},
        {"clock", &s.clockFactor},  {"jitter", &s.jitterMs}, {"exposure", &s.exposureMs},
        {"radius", &s.ledRadius},   {"level", &s.level},     {"shake", &s.shakePx},
        {"drift", &s.driftPx},      {"gain", &s.gainRamp},   {"depth", &s.flickerDepth},
        {"noise", &s.noise}};
    const std::map<std::string, int *> integers{
        {"width", &s.width},       {"height", &s.height},     {"colour", &s.colour},
        {"pattern", &s.pattern},   {"flicker", &s.flickerHz}, {"quality", &s.quality},
        {"rotation", &s.rotation}, {"outwidth", &s.outWidth}, {"outheight", &s.outHeight}};
    const std::map<std::string, clips::Codec> codecs{{"h264", clips::Codec::H264Mp4},
                                                     {"hevc", clips::Codec::HevcMp4},
                                                     {"h264-mkv", clips::Codec::H264Mkv},
                                                     {"hevc-mkv", clips::Codec::HevcMkv},
                                                     {"mjpeg", clips::Codec::MjpegAvi}};
    bool usage = argc < 2;
    for (int i = 2; i < argc && !usage; ++i) {
        const char *eq = std::strchr(argv[i], '=');
        const std::string name(argv[i], eq ? eq - argv[i] : std::strlen(argv[i]));
        const char *value = eq ? eq + 1 : "";
        if (reals.count(name))
            *reals.at(name) = std::atof(value);
        else if (integers.count(name))
            *integers.at(name) = std::atoi(value);
        else if (name == "codec" && codecs.count(value))
            s.codec = codecs.at(value);
        else if (name == "flashes" || name == "other") {
            auto &f = name == "flashes" ? s.flashes : s.otherCode;
            usage = std::sscanf(value, "%d,%d,%d,%d", &f[0], &f[1], &f[2], &f[3]) != 4;
        } else if (name == "lamp" || name == "blinker")
            (name == "lamp" ? s.lamp : s.otherBlinker) = std::atoi(value) != 0;
        else if (name == "preset")
            s.preset = value;
        else if (name == "seed")
            s.seed = std::uint32_t(std::strtoul(value, nullptr, 10));
        else
            usage = true;
    }
    if (usage) {
        std::fprintf(stderr,
                     "usage: make_clip FILE [name=value ...]\n"
                     "  codec=h264|hevc|h264-mkv|hevc-mkv|mjpeg  flashes=a,b,c,d other=a,b,c,d\n"
                     "  lamp=1 blinker=1 preset=NAME seed=N, and the numbers of ClipSetup:\n ");
        for (const auto &n : reals)
            std::fprintf(stderr, " %s", n.first.c_str());
        for (const auto &n : integers)
            std::fprintf(stderr, " %s", n.first.c_str());
        std::fprintf(stderr, "\n");
        return 2;
    }
    const std::string error = clips::encodeClip(s, argv[1]);
    if (!error.empty())
        std::fprintf(stderr, "make_clip: %s\n", error.c_str());
    return error.empty() ? 0 : 1;
}
