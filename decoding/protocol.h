#pragma once

// The decoder's --ipc output, which the window reads: one line per message,
// each ending in '\n', in this order:
//
//   file <index>                 reading the index-th FILE given, from 0
//   progress <read s> <length s> how far; length 0 when the container does not say
//   glimpse <JSON object>        now and then: what has been read so far
//   result <JSON object>         the last line, once
//
// With several FILEs the decoder reads the first one that opens as a video and
// names it in a file line before its progress; when none does, it names the
// first and gives its result. Both sides take every name and number from here.

#include "ledcode.h"

#include <array>
#include <cstddef>

namespace decoding::protocol {

inline constexpr char IpcOption[] = "--ipc";

// Each line starts with its kind and a space.
inline constexpr char FileLine[] = "file ";
inline constexpr char ProgressLine[] = "progress ";
inline constexpr char GlimpseLine[] = "glimpse ";
inline constexpr char ResultLine[] = "result ";

// A line is short (a glimpse of the longest recording read is some 20 KiB); a
// longer one is not the protocol.
inline constexpr std::ptrdiff_t MaxLineBytes = 64 * 1024;

// The reading's fields, in a result and (colour only) in a glimpse. The
// terminal's --json output uses the same names.
namespace field {
inline constexpr char File[] = "file";
inline constexpr char Status[] = "status";
inline constexpr char Colour[] = "colour";   // a name of blinkcode::ColourNames
inline constexpr char Pattern[] = "pattern"; // green: a blinkcode::BatteryPattern
inline constexpr char Flashes[] = "flashes"; // red and yellow: four counts, 1 to 16
inline constexpr char ErrorWord[] = "error_word";
inline constexpr char CycleStartS[] = "cycle_start_s";
inline constexpr char Message[] = "message"; // English, for a terminal
inline constexpr char Reason[] = "reason";   // a key of blinkcode::ReasonKeys
inline constexpr char ReasonValue[] = "reason_value";
// A glimpse: the light curve as levels in percent (0 dark, 100 lit), one per
// step from its start; the lit and dark spans as [start ms, end ms, lit 0 or
// 1, phase name]; where a whole cycle starts.
inline constexpr char CurveStartMs[] = "curve_start_ms";
inline constexpr char CurveStepMs[] = "curve_step_ms";
inline constexpr char Curve[] = "curve";
inline constexpr char Spans[] = "spans";
inline constexpr char CycleStartMs[] = "cycle_start_ms";
} // namespace field

// A glimpse's curve: one level per 100 ms, the highest in it, so that a 50 ms
// flash still shows; at most so many levels and spans.
inline constexpr double GlimpseStepMs = 100;
inline constexpr std::size_t MaxCurveLevels = 4000;
inline constexpr std::size_t MaxSpans = 2000;

// In the order of decoding::Status.
inline constexpr std::array<const char *, 3> StatusNames = {"decoded", "unsure", "error"};
using blinkcode::ColourNames;
// In the order of decoding::Phase, which is the decoder's own order of phases.
inline constexpr std::array<const char *, 8> PhaseNames = {
    "flash", "blink", "long", "flash_gap", "digit_gap", "cycle_pause", "none", "ambiguous"};

// The decoder's exit status.
enum ExitCode { ExitDecoded = 0, ExitNotDecoded = 1, ExitUsage = 2 };

} // namespace decoding::protocol
