#include "clipgenerator.h"

#include "unittimeline.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libswscale/swscale.h>
}

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

extern char **environ;

namespace clips {

namespace {

constexpr double Pi = 3.14159265358979323846;

// A repeatable random number in [0, 1) for a seed and two indices (splitmix64).
double hash01(std::uint64_t seed, std::uint64_t a, std::uint64_t b = 0)
{
    std::uint64_t z = seed * 0x9E3779B97F4A7C15ull + a * 0xBF58476D1CE4E5B9ull + b + 1;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return double((z ^ (z >> 31)) >> 11) / double(1ull << 53);
}

double smoothstep(double x)
{
    x = std::clamp(x, 0.0, 1.0);
    return x * x * (3 - 2 * x);
}

using namespace synthetic;

// Light in linear units: 1 is what a white card in the room sends back at the
// nominal exposure, and what the sensor clips at.
struct Rgb {
    double r = 0, g = 0, b = 0;
    Rgb operator*(double k) const { return {r * k, g * k, b * k}; }
    Rgb operator*(const Rgb &o) const { return {r * o.r, g * o.g, b * o.b}; }
    Rgb operator+(const Rgb &o) const { return {r + o.r, g + o.g, b + o.b}; }
};

// An LED's light through the camera's colour filters, which overlap: a red LED
// still reaches the green pixels a little, so that a clipping red core turns
// yellow and white. Keyed by hue: red 0, yellow 1, green 2, cyan 2.5.
Rgb ledRgb(double hue)
{
    static const Rgb keys[] = {{1, 0.2, 0.04}, {1, 0.72, 0.06}, {0.22, 1, 0.18}, {0.05, 0.85, 0.9}};
    hue = std::clamp(hue, 0.0, 2.5);
    const int k = std::min(2, int(hue));
    const double f = k < 2 ? hue - k : (hue - 2) / 0.5;
    return keys[k] * (1 - f) + keys[k + 1] * f;
}

// The hue white balance pushes a lit LED towards: yellow to orange, green to cyan.
double balancedHue(double hue, double amount)
{
    return hue + amount * (hue < 0.25 ? 0 : hue < 1.5 ? -0.45 : 0.4);
}

// The times of the frames, in ms from the clip's start: a slot per frame
// interval, jittered, some slots dropped (never two in a row).
std::vector<double> frameTimes(const ClipSetup &setup)
{
    const double interval = 1000 / setup.fps;
    const int slots = std::max(0, int(std::floor(setup.durationS * setup.fps + 1e-6)));
    const double jitter = std::min(setup.jitterMs, 0.45 * interval);
    // AVI counts frames: its frames keep a steady rate.
    const bool steady = setup.codec == Codec::MjpegAvi || setup.drawnByFfmpeg;
    std::vector<double> times;
    bool dropped = false;
    for (int k = 0; k < slots; ++k) {
        dropped = !steady && k > 0 && !dropped && hash01(setup.seed, k, 5) < setup.dropRate;
        if (!dropped)
            times.push_back(k == 0 || steady
                                ? k * interval
                                : k * interval + jitter * (2 * hash01(setup.seed, k, 1) - 1));
    }
    return times;
}

// The main LED's spans in ms of the clip, with the change of code when there is one.
Timeline ledTimeline(const ClipSetup &s, double untilMs)
{
    Timeline spans =
        unitTimeline(s.colour, s.pattern, s.flashes, s.clockFactor, s.startMs + untilMs);
    for (Span &span : spans)
        span.startMs -= s.startMs;
    if (s.nextFlashes[0] > 0) {
        std::erase_if(spans, [&](const Span &span) { return span.startMs >= s.changeAtMs; });
        for (Span span : unitTimeline(s.colour, -1, s.nextFlashes, s.clockFactor, untilMs))
            spans.push_back({span.startMs + s.changeAtMs, span.lit});
    }
    return spans;
}

// What the camera's auto exposure and white balance have seen of the LED at
// tMs, 0 to 1: they follow a light that stays on within their delay and let go
// four times slower, so that short flashes barely move them.
double adaptedTo(const Timeline &spans, double tMs, double delayMs)
{
    double s = 0, at = tMs - 20 * delayMs;
    for (std::size_t k = 0; k < spans.size() && spans[k].startMs < tMs; ++k) {
        const double end = k + 1 < spans.size() ? std::min(tMs, spans[k + 1].startMs) : tMs;
        if (end <= at)
            continue;
        const double target = spans[k].lit;
        s = target + (s - target) * std::exp(-(end - at) / (target ? delayMs : 4 * delayMs));
        at = end;
    }
    return s;
}

// One light in the picture: where it sits in the scene, its hue, size and
// power, and how much of each row's exposure it is lit.
struct Light {
    double x, y, radius;
    Rgb colour;
    double power, halo;
    bool lens; // behind the unit's lens: a clear one shows the die, a smoked one dims it
    std::vector<double> rows;
};

// The scene: the wall, the unit's face with its label, screws and a second,
// unlit lens, the LED's lens; positions in pixels of the rendered frame.
struct Scene {
    const ClipSetup &s;
    double w, h;
    Rgb wall, face, light;
    double ledX, ledY, lensR;
    double reflectionX = -1e9, handY = 1e9;
    std::vector<Light> lights{};

    // How much of a pixel a shape covers, from its signed distance (negative inside).
    static double cover(double d) { return std::clamp(0.5 - d, 0.0, 1.0); }

    // The signed distance to a box with rounded corners.
    static double roundedBox(double x, double y, double x0, double y0, double x1, double y1,
                             double r)
    {
        const double qx = std::abs(x - (x0 + x1) / 2) - (x1 - x0) / 2 + r;
        const double qy = std::abs(y - (y0 + y1) / 2) - (y1 - y0) / 2 + r;
        if (qx < -1 && qy < -1)
            return std::max(qx, qy) - r; // well inside
        return std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0) -
               r;
    }

    // A lens as the room lights it: a dark bezel, then milky, clear or smoked; -1 off it.
    double lensReflectance(double dx, double dy) const
    {
        const double R = lensR;
        if (dx * dx + dy * dy > 1.9 * R * R)
            return -1;
        const double r = std::sqrt(dx * dx + dy * dy);
        const double spot =
            std::exp(-(std::pow(dx + 0.35 * R, 2) + std::pow(dy + 0.35 * R, 2)) / (0.08 * R * R));
        double inner = s.lens == Lens::Milky   ? 0.6 * (1 - 0.2 * r * r / (R * R))
                       : s.lens == Lens::Clear ? 0.05 + 0.9 * spot
                                               : 0.025 + 0.35 * spot;
        const double bezel = 0.04 + (face.g - 0.04) * cover(1.35 * R - r);
        return bezel + (inner - bezel) * cover(r - R);
    }

    // What the room sends back from scene point (x, y), before the lights.
    Rgb reflected(double x, double y) const
    {
        // A grain fixed to the scene, which moves with it.
        std::uint32_t g =
            (std::uint32_t(x + 4096) * 73856093u) ^ (std::uint32_t(y + 4096) * 19349663u) ^ s.seed;
        g *= 0x27D4EB2Du, g ^= g >> 15, g *= 0x2C1B3C6Du, g ^= g >> 12;
        const double grain = 0.97 + 0.06 * (g & 0xFFFF) / 65536.0;
        const double onFace =
            cover(roundedBox(x, y, 0.14 * w, 0.08 * h, 0.88 * w, 0.97 * h, 0.03 * w));
        Rgb reflectance = wall * (1 - onFace) + face * onFace;
        if (onFace > 0) {
            // The label: white with lines of print; screws at the corners.
            if (x > 0.2 * w && x < 0.38 * w && y > 0.42 * h && y < 0.58 * h) {
                const double lx = (x - 0.2 * w) / (0.18 * w), ly = (y - 0.42 * h) / (0.16 * h);
                const bool print = lx > 0.08 && lx < 0.92 && ly > 0.12 && ly < 0.88 &&
                                   int(ly * 9) % 2 == 1 &&
                                   hash01(s.seed, int(lx * 12), int(ly * 9)) > 0.3;
                reflectance = print ? Rgb{0.04, 0.04, 0.04} : Rgb{0.7, 0.7, 0.66};
            }
            const double cx = x < w / 2 ? 0.165 * w : 0.855 * w,
                         cy = y < h / 2 ? 0.12 * h : 0.93 * h;
            if (std::abs(x - cx) < 0.01 * w && std::abs(y - cy) < 0.01 * w)
                reflectance =
                    reflectance * (1 - 0.8 * cover(std::hypot(x - cx, y - cy) - 0.008 * w));
            // A mark under the LED.
            if (std::abs(x - ledX) < 1.2 * lensR && std::abs(y - ledY - 2.4 * lensR) < 0.3 * lensR)
                reflectance = reflectance * 0.2;
            for (const double lx : {ledX, ledX + 6 * lensR}) {
                const double k = lensR > 0 ? lensReflectance(x - lx, y - ledY) : -1;
                if (k >= 0)
                    reflectance = Rgb{k, k, k};
            }
        }
        double shade = 1 - 0.3 * (std::pow(x / w - 0.45, 2) + std::pow(y / h - 0.35, 2));
        if (s.reflection)
            shade += 0.5 * std::exp(-(std::pow(x - reflectionX, 2) + std::pow(y - 0.4 * h, 2)) /
                                    (0.02 * w * w));
        Rgb seen = reflectance * light * (grain * shade * s.level);
        if (s.window && x < 0.1 * w && y < 0.55 * h) // sky through a window, clipping
            seen = std::abs(x - 0.05 * w) < 0.006 * w ? Rgb{0.05, 0.05, 0.05}
                                                      : Rgb{1.6, 1.75, 2.0} * grain;
        return seen;
    }

    // The hand over the LED, in front of everything.
    bool inHand(double x, double y) const
    {
        return handY < 1e8 &&
               std::pow((x - ledX) / (0.17 * w), 2) + std::pow((y - handY) / (0.35 * h), 2) < 1;
    }

    // The light at scene point (x, y) of frame row `row`.
    Rgb radiance(double x, double y, int row) const
    {
        if (inHand(x, y))
            return Rgb{0.42, 0.25, 0.17} * light * (s.level * (1 - 0.2 * (y - handY) / h));
        Rgb sum = reflected(x, y);
        for (const Light &l : lights) {
            const double lit = l.rows[row];
            const double dx = x - l.x, dy = y - l.y, reach = 9 * l.halo * l.radius + 2;
            if (lit <= 0 || std::abs(dx) > reach || std::abs(dy) > reach || inHand(l.x, l.y))
                continue;
            const double r2 = dx * dx + dy * dy, R = l.radius;
            // The core fills a milky lens; a clear one shows the die, a smoked one dims it.
            double core = cover(std::sqrt(r2) - R);
            if (l.lens && s.lens == Lens::Clear)
                core *= 0.3 + 1.5 * std::exp(-r2 / (0.2 * R * R));
            else if (l.lens && s.lens == Lens::Smoked)
                core *= 0.5;
            const double sigma2 = l.halo * l.halo * R * R;
            const double glow =
                0.6 * std::exp(-r2 / (2 * sigma2)) + 0.1 * std::exp(-r2 / (8 * sigma2));
            sum = sum + l.colour * (lit * l.power * (core + glow));
        }
        return sum;
    }
};

} // namespace

int frameCount(const ClipSetup &setup)
{
    return int(frameTimes(setup).size());
}

recording::FrameView renderView(const ClipSetup &setup, int i, std::vector<std::uint8_t> &buffer)
{
    const int yStride = setup.width, cStride = yStride / 2, ch = setup.height / 2;
    buffer.resize(yStride * setup.height + 2 * cStride * ch);
    std::uint8_t *y = buffer.data(), *cb = y + yStride * setup.height, *cr = cb + cStride * ch;
    const std::vector<double> times = frameTimes(setup);
    // The scene is laid out as the picture is shown; rows are read out as stored.
    const bool sideways = setup.rotation % 180 != 0;
    const double t = std::size_t(i) < times.size() ? times[i] : i * 1000 / setup.fps;
    const double rows = setup.height;
    const double w = sideways ? setup.height : setup.width,
                 h = sideways ? setup.width : setup.height;
    const double interval = 1000 / setup.fps;
    const double readoutMs = setup.readoutMs > 0 ? setup.readoutMs : 0.8 * interval;
    const double exposure = setup.exposureMs > 0 ? setup.exposureMs : interval;
    const double untilMs = setup.durationS * 1000 + 10000;
    const double R = setup.ledRadius;

    const Timeline led = ledTimeline(setup, untilMs);
    const double adapted = R > 0 ? adaptedTo(led, t, 1000 * setup.aeDelayS) : 0;
    const double hue = setup.tint >= 0 ? setup.tint : std::array{2.0, 0.0, 1.0}[setup.colour % 3];
    const Rgb ledColour = ledRgb(balancedHue(hue, setup.whiteBalance * adapted));
    const int wallKind = int(hash01(setup.seed, 7) * 4);
    const Rgb walls[] = {
        {0.35, 0.3, 0.2}, {0.17, 0.21, 0.26}, {0.55, 0.55, 0.52}, {0.3, 0.17, 0.08}};
    const double grey = std::pow(setup.faceGrey, 2.2);
    const Rgb face{grey, grey * 1.02, grey * 1.06};
    const Rgb room{1 + 0.15 * setup.warmth, 1, 1 - 0.25 * setup.warmth};
    Scene scene{setup, w, h, walls[wallKind], face, room, 0.47 * w, 0.62 * h, R};

    // Each row is exposed a little later than the one above it (rolling shutter);
    // noise reduction keeps part of the last frame's light.
    auto addLight = [&](const Timeline &spans, double x, double y, double radius, Rgb colour,
                        double power, bool lens) {
        std::vector<double> lit(std::size_t(setup.height));
        std::size_t first = 0, before = 0;
        for (int row = 0; row < setup.height; ++row) {
            const double from = t + row / rows * readoutMs;
            lit[row] =
                (1 - setup.ghost) * litPart(spans, from, from + exposure, first) +
                setup.ghost * litPart(spans, from - interval, from - interval + exposure, before);
        }
        scene.lights.push_back({x, y, radius, colour, power, setup.haloScale, lens, lit});
    };
    if (R > 0) {
        addLight(led, scene.ledX, scene.ledY, R, ledColour, setup.ledPower, true);
        if (setup.otherCode[0] > 0) {
            const int other = setup.otherColour >= 0 ? setup.otherColour : setup.colour;
            Timeline spans = unitTimeline(other, -1, setup.otherCode, setup.clockFactor * 1.01,
                                          untilMs + setup.startMs + 7300);
            for (Span &span : spans)
                span.startMs -= setup.startMs + 7300;
            const double otherHue = std::array{2.0, 0.0, 1.0}[other % 3];
            addLight(spans, scene.ledX + 6 * R, scene.ledY, R,
                     ledRgb(balancedHue(otherHue, setup.whiteBalance * adapted)), setup.ledPower,
                     true);
        }
    }
    const double small = std::max(1.5, 0.006 * w);
    if (setup.otherBlinker) // 685 ms on and off: no rhythm of the unit
        addLight(unitTimeline(0, 1, {}, 1.37, untilMs), 0.7 * w, 0.2 * h, small, {0.1, 0.3, 1}, 6,
                 false);
    if (setup.lamp)
        addLight({{-1e9, true}}, 0.94 * w, 0.2 * h, 2.5 * small, {1, 0.8, 0.5}, 6, false);

    // A hand slides up over the LED and away again; a reflection wanders.
    const double cover = std::min(smoothstep((t - setup.coverFromMs + 250) / 250),
                                  smoothstep((setup.coverToMs + 250 - t) / 250));
    scene.handY =
        setup.coverToMs > setup.coverFromMs ? scene.ledY + 0.2 * h + (1 - cover) * 0.9 * h : 1e9;
    scene.reflectionX = (0.1 + 0.9 * std::fmod(t / 9000 + hash01(setup.seed, 8), 1.0)) * w;

    // The camera moves: tremor, a slow drift, a sway of roll, and a pan away.
    const auto pose = [&](double ms) {
        const double f = 2 * Pi * setup.shakeHz * ms / 1000, u = ms / (setup.durationS * 1000);
        const double pan = std::min(smoothstep((ms - setup.panFromMs) / 400),
                                    smoothstep((setup.panToMs - ms) / 400));
        return std::array{
            setup.shakePx * (0.6 * std::sin(f + setup.seed) + 0.3 * std::sin(1.9 * f + 2) +
                             0.3 * std::sin(0.45 * f)) +
                setup.driftPx * u + (setup.panToMs > setup.panFromMs ? 0.9 * w * pan : 0) +
                setup.aimX * w,
            setup.shakePx * (0.6 * std::sin(1.1 * f) + 0.3 * std::sin(2.3 * f + 1)) +
                0.5 * setup.driftPx * u + setup.aimY * h,
            setup.rollDeg * Pi / 180 * std::sin(2 * Pi * 0.23 * ms / 1000 + setup.seed)};
    };
    const auto p0 = pose(t + exposure / 2);
    const auto p1 = pose(t + exposure / 2 + 1);
    const double blurX = (p1[0] - p0[0]) * exposure, blurY = (p1[1] - p0[1]) * exposure;
    const int samples = setup.motionBlur ? std::clamp(int(std::hypot(blurX, blurY)) + 1, 1, 4) : 1;
    const double cosA = std::cos(p0[2]), sinA = std::sin(p0[2]);

    // Mains light pulses at 100 or 120 Hz, each row averaging it over its own exposure.
    std::vector<double> flicker(setup.height, 1.0);
    for (int row = 0; row < setup.height && setup.flickerHz > 0; ++row) {
        const double f = 2 * Pi * setup.flickerHz / 1000, from = t + row / rows * readoutMs;
        flicker[row] = 1 + setup.flickerDepth *
                               (std::cos(f * from) - std::cos(f * (from + exposure))) /
                               (f * exposure);
    }

    // The camera: auto exposure darkens the picture while the LED stays lit, the
    // sensor clips, then white balance turns every colour against the LED's.
    const double gain = 1 - setup.autoExposure * adapted;
    const double mean = (ledColour.r + ledColour.g + ledColour.b) / 3;
    const double balance = 0.2 * setup.whiteBalance * adapted;
    const double u = t / (setup.durationS * 1000);
    const Rgb wb{(1 - balance * (ledColour.r / mean - 1)) * (1 + setup.gainRamp * u),
                 (1 - balance * (ledColour.g / mean - 1)) * (1 - 0.5 * setup.gainRamp * u),
                 (1 - balance * (ledColour.b / mean - 1)) *
                     (1 + setup.gainRamp * std::sin(Pi * u))};
    // The gamma curve of the picture, as a table over linear 0..1.
    static const auto gamma = [] {
        std::array<double, 4097> t{};
        for (std::size_t k = 0; k < t.size(); ++k)
            t[k] = 255 * std::pow(k / 4096.0, 1 / 2.2);
        return t;
    }();
    const auto encode = [&](double sensor, double balanceGain, double noise) {
        const double v = std::clamp(std::min(1.0, sensor * gain) * balanceGain, 0.0, 1.0);
        return std::clamp(gamma[std::size_t(v * 4096)] + noise, 0.0, 255.0);
    };
    std::uint64_t noise = std::uint64_t(hash01(setup.seed, i, 4) * 9e15) | 1;
    const int W = setup.width - 1, H = setup.height - 1;
    auto pixel = [&](int sx, int py) {
        // Shown turned clockwise by the rotation.
        const int rot = setup.rotation;
        const int px = rot == 90 ? H - py : rot == 180 ? W - sx : rot == 270 ? py : sx;
        const int dy = rot == 90 ? sx : rot == 180 ? H - py : rot == 270 ? W - sx : py;
        Rgb sum;
        for (int k = 0; k < samples; ++k) {
            const double f = samples > 1 ? double(k) / (samples - 1) - 0.5 : 0;
            const double qx = px - w / 2 + p0[0] + f * blurX, qy = dy - h / 2 + p0[1] + f * blurY;
            sum = sum +
                  scene.radiance(w / 2 + cosA * qx - sinA * qy, h / 2 + sinA * qx + cosA * qy, py);
        }
        sum = sum * (flicker[py] / samples);
        noise ^= noise << 13, noise ^= noise >> 7, noise ^= noise << 17;
        const double n =
            setup.noise * ((noise & 0xFFFF) + (noise >> 16 & 0xFFFF) - 65535.0) / 37837;
        return Rgb{encode(sum.r, wb.r, n), encode(sum.g, wb.g, n), encode(sum.b, wb.b, n)};
    };

    // BT.601 limited range; chroma from the mean of each 2x2 block.
    for (int by = 0; by + 1 < setup.height; by += 2) {
        for (int bx = 0; bx + 1 < setup.width; bx += 2) {
            Rgb sum;
            for (int k = 0; k < 4; ++k) {
                const Rgb c = pixel(bx + k % 2, by + k / 2);
                y[(by + k / 2) * yStride + bx + k % 2] =
                    std::uint8_t(16.5 + (65.481 * c.r + 128.553 * c.g + 24.966 * c.b) / 255);
                sum = sum + c * 0.25;
            }
            const int ci = by / 2 * cStride + bx / 2;
            cb[ci] = std::uint8_t(128.5 + (-37.797 * sum.r - 74.203 * sum.g + 112 * sum.b) / 255);
            cr[ci] = std::uint8_t(128.5 + (112 * sum.r - 93.786 * sum.g - 18.214 * sum.b) / 255);
        }
    }
    return {t, setup.width, setup.height, y, yStride, cb, cr, cStride, cStride, ch};
}
namespace {

// Frees an FFmpeg object with its free function, which takes its address.
template <auto Free> struct Freer {
    template <typename T> void operator()(T *p) const { Free(&p); }
};

// Sends one frame (null: the end) and writes every packet the encoder has ready.
bool writePackets(AVFormatContext *out, AVCodecContext *codec, const AVFrame *frame)
{
    if (avcodec_send_frame(codec, frame) < 0)
        return false;
    std::unique_ptr<AVPacket, Freer<av_packet_free>> packet(av_packet_alloc());
    int ret;
    while ((ret = avcodec_receive_packet(codec, packet.get())) >= 0) {
        av_packet_rescale_ts(packet.get(), codec->time_base, out->streams[0]->time_base);
        if (av_interleaved_write_frame(out, packet.get()) < 0)
            return false;
    }
    return ret == AVERROR(EAGAIN) || ret == AVERROR_EOF;
}

} // namespace

std::string encodeClip(const ClipSetup &setup, const std::string &path)
{
    if (setup.drawnByFfmpeg) {
        std::vector<std::string> args = ffmpegDrawnClip(setup, path);
        args.insert(args.begin(), "ffmpeg");
        std::vector<char *> argv;
        for (std::string &a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_t pid = 0;
        int status = 0;
        const bool ok = posix_spawnp(&pid, "ffmpeg", nullptr, nullptr, argv.data(), environ) == 0 &&
                        waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
                        WEXITSTATUS(status) == 0;
        return ok ? std::string() : "ffmpeg could not draw " + path;
    }
    const bool mjpeg = setup.codec == Codec::MjpegAvi;
    const bool hevc = setup.codec == Codec::HevcMp4 || setup.codec == Codec::HevcMkv;
    const bool mkv = setup.codec == Codec::H264Mkv || setup.codec == Codec::HevcMkv;
    const int width = setup.outWidth > 0 ? setup.outWidth : setup.width;
    const int height = setup.outHeight > 0 ? setup.outHeight : setup.height;

    av_log_set_level(AV_LOG_ERROR);
    AVFormatContext *raw = nullptr;
    const char *muxer = mjpeg ? "avi" : mkv ? "matroska" : "mp4";
    avformat_alloc_output_context2(&raw, nullptr, muxer, path.c_str());
    auto close = [](AVFormatContext *c) { avio_closep(&c->pb), avformat_free_context(c); };
    std::unique_ptr<AVFormatContext, decltype(close)> out(raw, close);
    const char *encoderName = mjpeg ? "mjpeg" : hevc ? "libx265" : "libx264";
    const AVCodec *encoder = avcodec_find_encoder_by_name(encoderName);
    if (!out || !encoder)
        return "no muxer or encoder";
    std::unique_ptr<AVCodecContext, Freer<avcodec_free_context>> codec(
        avcodec_alloc_context3(encoder));
    codec->width = width, codec->height = height;
    codec->pix_fmt = mjpeg ? AV_PIX_FMT_YUVJ420P : AV_PIX_FMT_YUV420P;
    codec->framerate = av_d2q(setup.fps, 100000);
    // AVI counts frames; the others take each frame's own time, to the 90 kHz tick.
    codec->time_base = mjpeg ? av_inv_q(codec->framerate) : AVRational{1, 90000};
    codec->gop_size = std::max(1, int(setup.fps));
    codec->thread_count = 2;
    if (out->oformat->flags & AVFMT_GLOBALHEADER)
        codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary *options = nullptr;
    if (mjpeg) {
        codec->flags |= AV_CODEC_FLAG_QSCALE;
        codec->global_quality = FF_QP2LAMBDA * std::clamp(setup.quality, 2, 31);
    } else {
        av_dict_set(&options, "preset", setup.preset.c_str(), 0);
        if (setup.bitrateKbps > 0)
            codec->bit_rate = 1000 * std::int64_t(setup.bitrateKbps);
        else
            av_dict_set_int(&options, "crf", setup.quality, 0);
        av_dict_set(&options, "x265-params", "log-level=none", 0);
    }
    const int opened = avcodec_open2(codec.get(), encoder, &options);
    av_dict_free(&options);
    AVStream *stream = avformat_new_stream(out.get(), nullptr);
    if (opened < 0 || !stream || avcodec_parameters_from_context(stream->codecpar, codec.get()) < 0)
        return "cannot open the encoder";
    stream->time_base = codec->time_base;
    if (setup.rotation != 0) {
        auto *matrix = reinterpret_cast<std::int32_t *>(
            av_stream_new_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, 9 * sizeof(std::int32_t)));
        if (matrix)
            av_display_rotation_set(matrix, setup.rotation); // clockwise
    }
    if (avio_open(&out->pb, path.c_str(), AVIO_FLAG_WRITE) < 0 ||
        avformat_write_header(out.get(), nullptr) < 0)
        return "cannot write " + path;

    std::unique_ptr<AVFrame, Freer<av_frame_free>> frame(av_frame_alloc());
    frame->width = width, frame->height = height, frame->format = codec->pix_fmt;
    if (av_frame_get_buffer(frame.get(), 0) < 0)
        return "out of memory";
    // Large clips are rendered small and scaled up: the LED grows with them.
    const auto format = AVPixelFormat(frame->format);
    std::unique_ptr<SwsContext, decltype(&sws_freeContext)> scaler(
        sws_getContext(setup.width, setup.height, format, width, height, format, SWS_BILINEAR,
                       nullptr, nullptr, nullptr),
        &sws_freeContext);
    std::vector<std::uint8_t> small;
    for (int i = 0, frames = frameCount(setup); i < frames; ++i) {
        const recording::FrameView v = renderView(setup, i, small);
        const std::uint8_t *planes[3] = {v.luma, v.cb, v.cr};
        const int strides[3] = {v.lumaStride, v.chromaStride, v.chromaStride};
        if (!scaler || av_frame_make_writable(frame.get()) < 0)
            return "out of memory";
        sws_scale(scaler.get(), planes, strides, 0, setup.height, frame->data, frame->linesize);
        frame->pts = mjpeg ? i : std::llround(v.timeMs * 90);
        if (!writePackets(out.get(), codec.get(), frame.get()))
            return "cannot encode frame " + std::to_string(i);
    }
    if (!writePackets(out.get(), codec.get(), nullptr) || av_write_trailer(out.get()) < 0)
        return "cannot finish " + path;
    return {};
}

std::vector<std::string> ffmpegDrawnClip(const ClipSetup &setup, const std::string &path)
{
    // The dot is lit for the frames whose time falls in a lit span.
    std::string lit;
    const Timeline spans = ledTimeline(setup, setup.durationS * 1000);
    for (std::size_t k = 0; k < spans.size(); ++k) {
        const Span &span = spans[k];
        const double end = k + 1 < spans.size() ? spans[k + 1].startMs : 1e9;
        if (span.lit && end > 0 && span.startMs < setup.durationS * 1000) {
            char term[64];
            std::snprintf(term, sizeof term, "%sbetween(t,%.4f,%.4f)", lit.empty() ? "" : "+",
                          std::max(0.0, span.startMs) / 1000, std::min(end, 1e7) / 1000 - 1e-4);
            lit += term;
        }
    }
    const int d = std::max(2, int(std::lround(2 * setup.ledRadius)));
    const int grey = std::clamp(int(255 * setup.faceGrey), 0, 247);
    const unsigned colours[] = {0x20FF40, 0xFF2010, 0xFFC810};
    char source[128], box[160];
    std::snprintf(source, sizeof source, "color=c=0x%02X%02X%02X:s=%dx%d:r=%g:d=%g", grey, grey + 4,
                  grey + 8, setup.width, setup.height, setup.fps, setup.durationS);
    std::snprintf(box, sizeof box, "drawbox=x=%d:y=%d:w=%d:h=%d:color=0x%06X:t=fill:enable='",
                  int(0.47 * setup.width) - d / 2, int(0.62 * setup.height) - d / 2, d, d,
                  colours[setup.colour % 3]);
    const std::string filter = box + (lit.empty() ? "0" : lit) + "'";
    return {"-v",       "error",   "-nostdin", "-y",
            "-f",       "lavfi",   "-i",       source,
            "-vf",      filter,    "-c:v",     "libx264",
            "-pix_fmt", "yuv420p", "-crf",     std::to_string(setup.quality),
            "-f",       "mp4",     path};
}

std::string describe(const ClipSetup &s)
{
    static const char *codecs[] = {"H.264", "HEVC", "H.264 MKV", "HEVC MKV", "MJPEG AVI"};
    static const char *lensNames[] = {"milky", "clear", "smoked"};
    char text[512];
    int n = 0;
    const auto add = [&](bool when, const char *format, auto... values) {
        if (when && n < int(sizeof text) - 64)
            n += std::snprintf(text + n, sizeof text - n, format, values..., 0);
    };
    add(true, "%dx%d, %g fps, %s", s.width, s.height, s.fps,
        s.drawnByFfmpeg ? "drawn by FFmpeg" : codecs[int(s.codec)]);
    add(s.bitrateKbps > 0, " at %d kbit/s", s.bitrateKbps);
    const bool led = !s.drawnByFfmpeg && s.ledRadius > 0;
    add(s.drawnByFfmpeg, ", a dot of %.0f px on grey %.2f", 2 * s.ledRadius, s.faceGrey);
    add(led, ", %s lens of %.1f px, power %.2g", lensNames[int(s.lens) % 3], s.ledRadius,
        s.ledPower);
    add(!led && !s.drawnByFfmpeg, ", no LED");
    add(s.tint >= 0, ", hue %.2f", s.tint);
    add(s.exposureMs > 0, ", %.1f ms exposure", s.exposureMs);
    add(s.autoExposure > 0, ", auto exposure %.2f", s.autoExposure);
    add(s.whiteBalance > 0, ", white balance %.2f", s.whiteBalance);
    add(s.shakePx > 0, ", shake %.1f px", s.shakePx);
    add(s.driftPx != 0, ", drift %.0f px", s.driftPx);
    add(s.flickerHz > 0, ", flicker %d Hz", s.flickerHz);
    add(s.jitterMs > 0, ", jitter %.1f ms", s.jitterMs);
    add(s.dropRate > 0, ", %.1f %% dropped", 100 * s.dropRate);
    add(s.rotation != 0, ", rotated %d", s.rotation);
    add(s.ghost > 0, ", noise reduction %.2f", s.ghost);
    add(s.lamp, ", a lamp");
    add(s.window, ", a window");
    add(s.otherBlinker, ", a blinking light");
    add(s.reflection, ", a moving reflection");
    add(s.otherCode[0] > 0, ", a second LED");
    add(s.coverToMs > s.coverFromMs, ", a hand covers the LED at %.1f s", s.coverFromMs / 1000);
    add(s.panToMs > s.panFromMs, ", pans away at %.1f s", s.panFromMs / 1000);
    add(s.nextFlashes[0] > 0, ", the code changes at %.1f s", s.changeAtMs / 1000);
    return text;
}

namespace {

using Random = std::mt19937;

double uniform(Random &random, double from, double to)
{
    return std::uniform_real_distribution<double>(from, to)(random);
}

// As likely to halve as to double.
double logUniform(Random &random, double from, double to)
{
    return std::exp(uniform(random, std::log(from), std::log(to)));
}

bool chance(Random &random, double p)
{
    return uniform(random, 0, 1) < p;
}

int redOrYellow(Random &r)
{
    return int(chance(r, 0.5) ? blinkcode::Colour::Red : blinkcode::Colour::Yellow);
}

// One cycle of the unit's code or battery pattern, in ms of the clip.
double cycleMs(const ClipSetup &s)
{
    if (s.colour == int(blinkcode::Colour::Green))
        return 1100 * s.clockFactor;
    return double(blinkcode::codeCycle(s.flashes).count()) * s.clockFactor;
}

// Long enough for one whole cycle from any start: a cycle x 1.03 + 10 s, or 12 s of green.
double wholeCycleS(const ClipSetup &s)
{
    return s.colour == int(blinkcode::Colour::Green) ? 12 : (cycleMs(s) * 1.03 + 10000) / 1000;
}

// The flashes (red and yellow) that only the clip's one whole cycle holds: their
// start times in ms of the clip, grouped by digit.
std::vector<std::vector<double>> flashesSeenOnce(const ClipSetup &s)
{
    const double length = s.durationS * 1000, cycle = cycleMs(s);
    const Timeline spans = ledTimeline(s, length);
    std::vector<std::vector<double>> digits(1);
    for (std::size_t k = 1; k + 1 < spans.size(); ++k) {
        const double t = spans[k].startMs;
        if (!spans[k].lit || spans[k + 1].startMs - t > 1000) // dark, or the long light
            continue;
        if (t - spans[k - 1].startMs > 1000 && !digits.back().empty()) // after a digit's gap
            digits.emplace_back();
        // Seen once when the same flash a cycle earlier and a cycle later are both outside.
        digits.back().push_back(t > length - cycle + 100 && t + 100 < cycle ? t : -1);
    }
    std::erase_if(digits, [](const std::vector<double> &d) {
        return d.empty() || std::count(d.begin(), d.end(), -1) > 0;
    });
    return digits;
}

// A digit whose flashes only the clip's one whole cycle holds: the clip's start
// is drawn again until there is one.
std::vector<double> digitSeenOnce(ClipSetup &s, Random &r)
{
    std::vector<std::vector<double>> digits;
    while ((digits = flashesSeenOnce(s)).empty())
        s.startMs = uniform(r, 0, cycleMs(s));
    return digits[r() % digits.size()];
}

const Level *level(std::string_view name)
{
    for (const Level &l : levels())
        if (l.name == name)
            return &l;
    return nullptr;
}

} // namespace

const std::vector<Level> &levels()
{
    static const std::vector<Level> all{
        {"clean", true, [](ClipSetup &, Random &) {}},
        {"lens", true,
         [](ClipSetup &s, Random &r) {
             s.lens = Lens(r() % 3), s.ledRadius *= uniform(r, 0.7, 1.5);
         }},
        {"clipped-core", true,
         [](ClipSetup &s, Random &r) {
             s.ledPower = logUniform(r, 1.5, 30), s.haloScale = uniform(r, 1, 3);
         }},
        // A red LED that does not clip: its luma rises only a little, its colour a lot.
        {"dim-red", true,
         [](ClipSetup &s, Random &r) {
             s.colour = int(blinkcode::Colour::Red), s.ledPower = uniform(r, 0.35, 0.9);
             s.ledRadius = std::max(s.ledRadius, 0.008 * s.width);
             s.faceGrey = uniform(r, 0.4, 0.55);
         }},
        {"rolling-shutter", true,
         [](ClipSetup &s, Random &r) {
             s.fps = std::array{24.0, 25.0, 30.0}[r() % 3];
             s.exposureMs = chance(r, 0.5) ? 0 : uniform(r, 1, 8);
             s.readoutMs = uniform(r, 8, 0.9 * 1000 / s.fps);
         }},
        {"auto-exposure", true,
         [](ClipSetup &s, Random &r) {
             s.autoExposure = uniform(r, 0.2, 0.6), s.aeDelayS = uniform(r, 0.15, 0.8);
             s.whiteBalance = uniform(r, 0.3, 1), s.gainRamp = uniform(r, 0, 0.2);
         }},
        {"hand-held", true,
         [](ClipSetup &s, Random &r) {
             s.shakePx = uniform(r, 2, 10) * (s.width / 640.0), s.shakeHz = logUniform(r, 0.7, 9);
             s.driftPx = uniform(r, -0.1, 0.1) * s.width, s.rollDeg = uniform(r, 0, 2);
             s.motionBlur = true;
         }},
        {"mains-flicker", true,
         [](ClipSetup &s, Random &r) {
             s.flickerHz = chance(r, 0.5) ? 100 : 120, s.flickerDepth = uniform(r, 0.1, 0.5);
             s.exposureMs = uniform(r, 2, 10);
         }},
        {"variable-rate", true,
         [](ClipSetup &s, Random &r) {
             s.fps = uniform(r, 29, 30), s.jitterMs = uniform(r, 0.5, 3);
             s.dropRate = uniform(r, 0, 0.04);
         }},
        // Stored as the sensor reads it, shown upright: the unit further away.
        {"portrait", true,
         [](ClipSetup &s, Random &r) {
             s.ledRadius = std::max(s.ledRadius * s.height / s.width, 1.5);
             s.rotation = chance(r, 0.5) ? 90 : 270;
         }},
        {"low-bitrate", true,
         [](ClipSetup &s, Random &r) {
             s.codec = chance(r, 0.5) ? Codec::H264Mp4 : Codec::HevcMp4;
             s.bitrateKbps = int(logUniform(r, 250, 1500)), s.preset = "medium";
         }},
        {"noise-reduction", true,
         [](ClipSetup &s, Random &r) {
             s.ghost = uniform(r, 0.2, 0.6), s.level = uniform(r, 0.4, 0.8);
             s.noise = uniform(r, 3, 7);
         }},
        {"other-lights", true,
         [](ClipSetup &s, Random &r) {
             do {
                 s.lamp = chance(r, 0.5), s.window = chance(r, 0.4);
                 s.otherBlinker = chance(r, 0.5), s.reflection = chance(r, 0.5);
             } while (!s.lamp && !s.window && !s.otherBlinker && !s.reflection);
         }},
        {"frame-rates", true,
         [](ClipSetup &s, Random &r) {
             s.fps = std::array{24.0, 25.0, 30.0, 60.0}[r() % 4];
         }},
        // Every condition at once, each with some chance; a red that does not clip
        // only where the picture keeps its colour.
        {"phone", true,
         [](ClipSetup &s, Random &r) {
             for (const std::string_view name :
                  {"lens", "clipped-core", "rolling-shutter", "auto-exposure", "hand-held",
                   "frame-rates", "mains-flicker", "variable-rate", "portrait", "low-bitrate",
                   "noise-reduction", "other-lights"})
                 if (chance(r, name == "auto-exposure" || name == "hand-held" ? 0.8 : 0.35))
                     level(name)->draw(s, r);
             if (s.colour == int(blinkcode::Colour::Red) && chance(r, 0.2))
                 level("dim-red")->draw(s, r),
                     s.bitrateKbps = s.bitrateKbps ? std::max(s.bitrateKbps, 1000) : 0;
             s.warmth = uniform(r, -0.3, 0.8), s.faceGrey = uniform(r, 0.3, 0.65);
         }},
        {"ffmpeg-dot", true,
         [](ClipSetup &s, Random &r) {
             s.drawnByFfmpeg = true, s.width = 640, s.height = 360, s.fps = 30;
             s.ledRadius = 7.5, s.faceGrey = uniform(r, 0, 1);
         }},
        {"no-led", false,
         [](ClipSetup &s, Random &r) {
             s.ledRadius = 0, s.lamp = chance(r, 0.6), s.window = !s.lamp || chance(r, 0.5);
             s.reflection = chance(r, 0.5);
         }},
        // Both blink one code, the second LED 7.3 s behind: which colour is it?
        {"red-and-yellow", false,
         [](ClipSetup &s, Random &r) {
             s.colour = redOrYellow(r);
             s.otherColour = 3 - s.colour, s.otherCode = s.flashes;
             s.durationS = wholeCycleS(s) + 7.3;
         }},
        {"amber", false,
         [](ClipSetup &s, Random &r) { s.colour = redOrYellow(r), s.tint = uniform(r, 0.4, 0.6); }},
        {"lime", false,
         [](ClipSetup &s, Random &r) {
             s.colour = int(chance(r, 0.5) ? blinkcode::Colour::Yellow : blinkcode::Colour::Green);
             s.tint = uniform(r, 1.4, 1.6);
         }},
        // A hand covers a flash that only the clip's one whole cycle shows.
        {"hand-covers-flash", false,
         [](ClipSetup &s, Random &r) {
             s.colour = redOrYellow(r), s.durationS = wholeCycleS(s);
             s.startMs = uniform(r, 0, cycleMs(s));
             const std::vector<double> digit = digitSeenOnce(s, r);
             const double flash = digit[r() % digit.size()];
             s.coverFromMs = flash - 150, s.coverToMs = flash + 200;
         }},
        {"panned-away", false,
         [](ClipSetup &s, Random &r) {
             level("hand-covers-flash")->draw(s, r);
             s.coverFromMs = s.coverToMs = 0;
             const std::vector<double> digit = digitSeenOnce(s, r);
             s.panFromMs = digit.front() - 800, s.panToMs = digit.back() + 900;
         }},
        // One whole cycle of each code: which one does the unit show?
        {"code-changes", false,
         [](ClipSetup &s, Random &r) {
             s.colour = redOrYellow(r);
             do {
                 for (int &n : s.nextFlashes)
                     n = 1 + int(r() % 16);
             } while (s.nextFlashes == s.flashes);
             const double cycle = cycleMs(s);
             s.startMs = uniform(r, 0, cycle);
             s.changeAtMs = std::fmod(cycle - s.startMs, cycle) + cycle + uniform(r, 0, 3000);
             ClipSetup next = s;
             next.flashes = s.nextFlashes;
             s.durationS = (s.changeAtMs + cycleMs(next) * 1.03 + 3000) / 1000;
         }},
    };
    return all;
}

bool drawClip(const std::string &name, std::uint32_t seed, ClipSetup &s, int width)
{
    const Level *found = level(name);
    if (!found)
        return false;
    Random r(seed);
    s = ClipSetup{};
    s.seed = r();
    const int size = width > 0 ? std::clamp((width - 240) / 160, 0, 2) : int(r() % 3);
    if (width > 0)
        r(); // the same draws follow as at the size drawn
    s.width = 320 + 160 * size, s.height = 180 + 90 * size;
    s.ledRadius = uniform(r, 3, 7) * s.width / 640;
    s.colour = int(r() % 3);
    s.pattern = int(r() % 3);
    for (int &n : s.flashes)
        n = 1 + int(r() % 16);
    s.clockFactor = uniform(r, 0.98, 1.02);
    s.aimX = uniform(r, -0.15, 0.15), s.aimY = uniform(r, -0.12, 0.12);
    s.ledPower = uniform(r, 3, 15), s.haloScale = uniform(r, 1.4, 2.2);
    s.faceGrey = uniform(r, 0.35, 0.6), s.noise = uniform(r, 1.5, 4);
    s.startMs = -1, s.durationS = 0; // unless the level chooses them
    found->draw(s, r);
    if (s.startMs < 0)
        s.startMs = uniform(r, 0, cycleMs(s));
    if (s.durationS <= 0)
        s.durationS = wholeCycleS(s);
    // A dropped frame must not take a flash away that only one frame shows.
    if (50 + (s.exposureMs > 0 ? s.exposureMs : 1000 / s.fps) < 2000 / s.fps)
        s.dropRate = 0;
    return true;
}

} // namespace clips
