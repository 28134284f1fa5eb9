#include "recordingdecoder.h"

#include "lightcurve.h"
#include "readinglimits.h"
#include "spanreader.h"
#include "videoreader.h"

#include <algorithm>
#include <cmath>

namespace recording {

namespace {

constexpr double ReadAtMostMs = blinkcode::ReadAtMostS * 1000;
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

} // namespace

RecordingResult readLights(const LightFinder &finder)
{
    RecordingResult result;
    result.frameIntervalMs = finder.frameIntervalMs();
    const std::vector<Light> lights = finder.lights();
    std::vector<LightEvidence> evidence;
    for (const Light &light : lights)
        evidence.push_back(light.evidence);
    const Verdict verdict = judge(evidence, result.frameIntervalMs);
    result.reading = verdict.reading;
    if (verdict.light < 0 || std::size_t(verdict.light) >= lights.size())
        return result;
    const Light &light = lights[std::size_t(verdict.light)];
    result.curve = light.curve;
    result.spans = light.evidence.spans;
    const PhaseClassifier phases(result.frameIntervalMs);
    for (const Span &span : result.spans)
        result.phases.push_back(span.whole() ? phases.classify(span) : Phase::None);
    return result;
}

RecordingResult decodeRecording(const std::string &path, const Progress &progress,
                                Glimpses glimpses)
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
        if (progress && glimpses == Glimpses::EveryFewSeconds &&
            frame.timeMs - glimpsedMs >= GlimpseEveryMs) {
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
    RecordingResult result = readLights(finder);
    result.readMs = readMs > 0 ? readMs + result.frameIntervalMs : 0;
    return result;
}

} // namespace recording
