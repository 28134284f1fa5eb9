// Light curves of any code, sampled with jitter, a clock that is off, short or
// long exposure, lost frames and noise within the limits the reader allows,
// must read as that code or as unsure: never as another code.

#include "blinkcode.h"
#include "syntheticcurve.h"

#include <cstdio>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    synthetic::CurveSpec spec;
    spec.colour = input.ConsumeIntegralInRange(0, 2);
    spec.pattern = input.ConsumeIntegralInRange(0, 2);
    for (int &flashes : spec.flashes)
        flashes = input.ConsumeIntegralInRange(1, 16);
    spec.clock = 1 + input.ConsumeFloatingPointInRange(-0.04, 0.04);
    spec.startMs = input.ConsumeFloatingPointInRange(0.0, 60000.0);
    spec.lengthMs = input.ConsumeFloatingPointInRange(1000.0, 130000.0);
    spec.frameMs = input.ConsumeFloatingPointInRange(8.0, 70.0);
    spec.jitter = input.ConsumeFloatingPointInRange(0.0, 0.5);
    spec.exposure = input.ConsumeFloatingPointInRange(0.0, 1.0);
    spec.bloom = input.ConsumeFloatingPointInRange(0.05, 1.0);
    spec.dropped = input.ConsumeFloatingPointInRange(0.0, 0.1);
    spec.noise = input.ConsumeFloatingPointInRange(0.0, 0.15);
    spec.seed = input.ConsumeIntegral<unsigned>();

    const auto curve = synthetic::curve(spec);
    recording::SpanContext context;
    context.colour = spec.colour;
    context.frameIntervalMs = spec.frameMs;
    const recording::Reading reading =
        recording::readBlinkCode(recording::sliceLightCurve(curve), context);
    if (reading.status != recording::Status::Decoded)
        return 0;
    const bool right =
        reading.colour == spec.colour &&
        (spec.colour == 0 ? reading.pattern == spec.pattern : reading.flashes == spec.flashes);
    if (!right) {
        std::fprintf(stderr,
                     "\nWRONG CODE DECODED: colour %d pattern %d flashes %d,%d,%d,%d read as "
                     "pattern %d flashes %d,%d,%d,%d\n",
                     spec.colour, spec.pattern, spec.flashes[0], spec.flashes[1], spec.flashes[2],
                     spec.flashes[3], reading.pattern, reading.flashes[0], reading.flashes[1],
                     reading.flashes[2], reading.flashes[3]);
        std::abort();
    }
    return 0;
}
