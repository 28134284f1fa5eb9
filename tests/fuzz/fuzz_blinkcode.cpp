// Light curves of any code, sampled with jitter, a clock that is off, short or
// long exposure, lost frames and noise within the limits the reader allows,
// must read as that code or as unsure: never as another code.

#include "spanreader.h"
#include "syntheticcurve.h"

#include <cstdio>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    synthetic::CurveSetup setup;
    setup.colour = input.ConsumeIntegralInRange(0, 2);
    setup.pattern = input.ConsumeIntegralInRange(0, 2);
    for (int &flashes : setup.flashes)
        flashes = input.ConsumeIntegralInRange(1, 16);
    setup.clock = 1 + input.ConsumeFloatingPointInRange(-0.04, 0.04);
    setup.startMs = input.ConsumeFloatingPointInRange(0.0, 60000.0);
    setup.lengthMs = input.ConsumeFloatingPointInRange(1000.0, 130000.0);
    setup.frameMs = input.ConsumeFloatingPointInRange(8.0, 70.0);
    setup.jitter = input.ConsumeFloatingPointInRange(0.0, 0.5);
    setup.exposure = input.ConsumeFloatingPointInRange(0.0, 1.0);
    setup.bloom = input.ConsumeFloatingPointInRange(0.05, 1.0);
    setup.dropped = input.ConsumeFloatingPointInRange(0.0, 0.1);
    setup.noise = input.ConsumeFloatingPointInRange(0.0, 0.15);
    setup.seed = input.ConsumeIntegral<unsigned>();

    const auto curve = synthetic::curve(setup);
    recording::SpanContext context;
    context.colour = setup.colour;
    context.frameIntervalMs = setup.frameMs;
    const recording::Reading reading =
        recording::readBlinkCode(recording::sliceLightCurve(curve), context);
    if (reading.status != recording::Status::Decoded)
        return 0;
    const bool right =
        reading.colour == setup.colour &&
        (setup.colour == int(blinkcode::Colour::Green) ? reading.pattern == setup.pattern
                                                       : reading.flashes == setup.flashes);
    if (!right) {
        std::fprintf(stderr,
                     "\nWRONG CODE DECODED: colour %d pattern %d flashes %d,%d,%d,%d read as "
                     "pattern %d flashes %d,%d,%d,%d\n",
                     setup.colour, setup.pattern, setup.flashes[0], setup.flashes[1],
                     setup.flashes[2], setup.flashes[3], reading.pattern, reading.flashes[0],
                     reading.flashes[1], reading.flashes[2], reading.flashes[3]);
        std::abort();
    }
    return 0;
}
