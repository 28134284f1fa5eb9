// Any line the decoder may write, garbage included, is read as one of its
// kinds or as garbage; a result taken as decoded always holds a whole code, so
// that a broken answer never selects anything in the window, and a glimpse
// holds only finite times and levels, its spans in order of start and end.

#include "decoderoutput.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

using decoding::DecoderReading;
using decoding::OutputLine;

static void require(bool holds, const char *property)
{
    if (holds)
        return;
    std::fprintf(stderr, "\nPROPERTY FAILED: %s\n", property);
    std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const char *data, unsigned long size)
{
    const OutputLine line = decoding::parseOutputLine(QByteArrayView(data, qsizetype(size)));
    if (line.kind == OutputLine::Kind::Progress)
        require(std::isfinite(line.readS) && std::isfinite(line.lengthS) && line.readS >= 0 &&
                    line.lengthS >= 0,
                "progress in seconds, finite and not negative");
    for (const auto &span : line.glimpse.spans)
        require(std::isfinite(span.startMs) && span.endMs >= span.startMs &&
                    std::isfinite(span.endMs),
                "a span ends after it starts");
    for (const auto &sample : line.glimpse.curve)
        require(std::isfinite(sample.timeMs) && std::isfinite(sample.level), "finite levels");
    const DecoderReading &r = line.reading;
    if (line.kind != OutputLine::Kind::Result || r.status != decoding::Status::Decoded)
        return 0;
    require(r.colour >= 0 && r.colour <= 2, "a decoded reading names its colour");
    bool whole = r.colour == 0 ? r.pattern >= 0 && r.pattern <= 2 : true;
    for (int flashes : r.flashes)
        whole = whole && (r.colour == 0 || (flashes >= 1 && flashes <= 16));
    require(whole, "a decoded reading holds its whole code");
    for (QChar c : r.reason)
        require(c == '_' || (c >= 'a' && c <= 'z'), "a reason key of small letters and '_'");
    return 0;
}
