// From a flight recording to a scenario file that rebuilds what it shows:
// the INI file (and its later edits), the player and the cars and
// characters the plug-in looked at (position, model kind, lock state, neon,
// colours, doors, speeds, the answers it read), the key presses and
// controls at their frames, the clock's frame lengths, and an `expect`
// line for every lock state, blip and notification the recording shows.
//
//   tavrel-sim --to-scenario Tavrel.rec [--out FILE]
//
// The converter runs the scenario as it writes it, in a folder of its own,
// the plug-in included, frame by frame beside the recording: before each
// frame the world is set to give the answers the recording's next frame
// shows, and every call the plug-in makes is compared with the recorded
// one. Where the simulator's world cannot give the recorded answer, the
// scenario says which native and frame in a comment, and stderr too: a
// place where the simulator differs from the game.
#pragma once
#include <iosfwd>
#include <string>
#include <vector>

#include "sim/replay/recording.h"

namespace tavrel::sim {

struct Conversion {
    std::string scenario;            // the scenario file's text
    std::uint64_t frames = 0;        // frames the recording holds
    int expects = 0;                 // expect lines written
    int expects_failed = 0;          // of them, those that did not hold in the converter's run
    std::vector<std::string> notes;  // "frame F: NATIVE ...": answers the world could not give
    std::string left;                // where the run left the recording's calls (empty: it never did)
    int expects_dropped = 0;         // expect lines the recording shows after that point, not written
};

// Throws RecordingError for a file that cannot be converted.
Conversion convertRecording(const RecordingFile& file, const std::string& source_name);

// The command: the scenario to `out_path` (stdout when empty), the notes and
// a summary on `err`. Exit status 0, or 2 for a file that is no recording.
int runToScenario(const std::string& path, const std::string& out_path, std::ostream& out, std::ostream& err);

}  // namespace tavrel::sim
