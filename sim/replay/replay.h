// Replay: the plug-in (the same build that recorded) run against a flight
// recording alone. Every native answers as recorded, key messages arrive
// where they arrived, the clock and the generator give the recorded values,
// the INI file reads as recorded; and every call the plug-in makes is
// checked against the recording, in order.
//
//   tavrel-sim --replay Tavrel.rec [--timeline[=changes]] [--trace FILE]
//
// Runs in a temporary folder of its own (the files the plug-in reads are
// put there as the recording has them; nothing of the current folder is
// read or changed). Exit status: 0 the plug-in made every recorded call and
// no other (then its settings and runtime records are printed, one JSON
// line each); 5 at the first difference (the frame, the call expected and
// the one made, the calls before it, on stderr); 2 for a file that is not a
// whole recording from a load of the plug-in; 1 for a protocol fault of
// the plug-in.
#pragma once
#include <iosfwd>
#include <string>

#include "sim/scenario/scenario.h"

namespace tavrel::sim {

inline constexpr int kReplayDiffers = 5;

struct ReplayOptions {
    bool timeline = false;
    bool timeline_changes = false;
    std::ostream* trace = nullptr;
};

int runReplay(const std::string& path, const ReplayOptions& options, std::ostream& out, std::ostream& err);

}  // namespace tavrel::sim
