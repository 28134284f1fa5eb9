#include "recordingdecoder.h"

#include "lightcurve.h"
#include "spanreader.h"
#include "videoreader.h"

#include <algorithm>
#include <cmath>

namespace recording {

namespace {

// A reading needs one cycle (50.2 s at most) and a little more; two cycles
// agree within 110 s. Longer recordings are read up to here, so that time
// and memory stay bounded whatever their length.
constexpr double ReadAtMostMs = 150000;
constexpr double ProgressEveryMs = 500;
constexpr double GlimpseEveryMs = 3000;

Reading failed(Reason reason, double value = 0)
{
    Reading reading;
    reading.status = Status::Error;
    reading.reason = reason;
    reading.reasonValue = value;
    return reading;
}

Reading fromVideoError(VideoError error, const VideoInfo &info, double readMs = 0)
{
    switch (error) {
    case VideoError::None:
        break;
    case VideoError::CannotOpen:
        return failed(Reason::CannotOpen);
    case VideoError::NotAVideo:
    case VideoError::NoDecoder:
        return failed(Reason::NotAVideo);
    case VideoError::FrameTooLarge:
        return failed(Reason::FrameTooLarge, double(info.width) * info.height / 1e6);
    case VideoError::NoFrames:
        return failed(Reason::NoFrames);
    case VideoError::TimedOut:
        return failed(Reason::ReadTooSlow, std::floor(readMs / 1000));
    }
    return failed(Reason::NoFrames);
}

// The same code, whatever colour each was seen in: a reflection of the LED
// may lose its colour.
bool sameCode(const Reading &a, const Reading &b)
{
    return a.pattern == b.pattern && a.flashes == b.flashes;
}

// A light that blinks a few times in the unit's timing may be a second LED.
constexpr long MinSpansOfALed = 4;

} // namespace

RecordingResult readLights(const LightFinder &finder)
{
    RecordingResult result;
    result.frameIntervalMs = finder.frameIntervalMs();
    std::vector<Light> lights = finder.blinkingLights();
    if (lights.empty()) {
        if (std::optional<Light> steady = finder.steadyLight())
            lights.push_back(std::move(*steady));
    }
    if (lights.empty()) {
        result.reading.status = Status::Unsure;
        result.reading.reason = Reason::NoBlinkingLight;
        return result;
    }
    // Every light is read. A code is sure only when no other light may be a
    // unit's LED showing another code: one that reads as another code, or
    // that blinks in the unit's timing for a while without a whole code seen.
    std::vector<Reading> readings;
    std::vector<long> wholeSpans;
    for (const Light &light : lights) {
        SpanContext context;
        context.colour = light.colour;
        context.frameIntervalMs = result.frameIntervalMs;
        const std::vector<Span> spans = sliceLightCurve(light.curve);
        readings.push_back(readBlinkCode(spans, context));
        wholeSpans.push_back(
            std::count_if(spans.begin(), spans.end(), [](const Span &s) { return s.whole(); }));
    }
    std::size_t chosen = 0;
    while (chosen + 1 < readings.size() && readings[chosen].status != Status::Decoded)
        ++chosen;
    result.reading = readings[chosen];
    result.curve = lights[chosen].curve;
    result.spans = sliceLightCurve(result.curve);
    const PhaseClassifier phases(result.frameIntervalMs);
    for (const Span &span : result.spans)
        result.phases.push_back(span.whole() ? phases.classify(span) : Phase::None);
    if (result.reading.status != Status::Decoded)
        return result;
    for (std::size_t i = 0; i < readings.size(); ++i) {
        const Reading &other = readings[i];
        const bool unitLike =
            other.status == Status::Decoded ||
            ((other.reason == Reason::TooShort || other.reason == Reason::CyclesDisagree ||
              other.reason == Reason::ColourUnclear || other.reason == Reason::ColourDoesNotFit) &&
             wholeSpans[i] >= MinSpansOfALed);
        if (i != chosen && unitLike && !sameCode(other, result.reading)) {
            result.reading.status = Status::Unsure;
            result.reading.reason = Reason::TwoLightsBlink;
        }
    }
    return result;
}

RecordingResult decodeRecording(const std::string &path, const Progress &progress)
{
    VideoReader reader;
    if (const VideoError error = reader.open(path); error != VideoError::None) {
        RecordingResult result;
        result.reading = fromVideoError(error, reader.info());
        return result;
    }
    LightFinder finder;
    double reportedMs = -ProgressEveryMs, glimpsedMs = 0, readMs = 0;
    const double durationMs = reader.info().durationMs;
    const VideoError error = reader.readFrames([&](const FrameView &frame) {
        finder.addFrame(frame);
        readMs = frame.timeMs;
        if (progress && frame.timeMs - glimpsedMs >= GlimpseEveryMs) {
            reportedMs = glimpsedMs = frame.timeMs;
            const RecordingResult soFar = readLights(finder);
            progress(frame.timeMs, durationMs, &soFar);
        } else if (progress && frame.timeMs - reportedMs >= ProgressEveryMs) {
            reportedMs = frame.timeMs;
            progress(frame.timeMs, durationMs, nullptr);
        }
        return frame.timeMs < ReadAtMostMs;
    });
    if (error != VideoError::None) {
        RecordingResult result;
        result.reading = fromVideoError(error, reader.info(), readMs);
        return result;
    }
    return readLights(finder);
}

} // namespace recording
