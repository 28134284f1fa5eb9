#pragma once

// How much of a recording is read and how long reading it may take: the
// decoder stops there, and the window that runs the decoder waits that long
// before it takes the decoder for hung.

#include <algorithm>

namespace blinkcode {

// A reading needs one cycle (50.2 s at most) and a little more; two cycles
// agree within 110 s. Longer recordings are read up to here, so that time and
// memory stay bounded whatever their length.
inline constexpr double ReadAtMostS = 150;

// Opening a file and finding its video stream, whatever the file.
inline constexpr double OpenTimeS = 30;

// Reading the frames: a base, and more per second of recording read.
inline constexpr double ReadTimeBaseS = 60;
inline constexpr double ReadTimePerRecordedS = 3;

// The seconds of a recording that are read: all of it, up to ReadAtMostS;
// ReadAtMostS when its length is unknown (0).
constexpr double secondsRead(double lengthS)
{
    return lengthS > 0 ? std::min(lengthS, ReadAtMostS) : ReadAtMostS;
}

// How long reading the frames of a recording may take, in seconds.
constexpr double readTimeS(double lengthS)
{
    return ReadTimeBaseS + ReadTimePerRecordedS * secondsRead(lengthS);
}

} // namespace blinkcode
