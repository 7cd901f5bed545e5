// How the replay and the converter write the events of a recording and the
// calls of the plug-in: as the timeline writes calls, with the answers.
//
//   3601016 main GET_ENTITY_COORDS(2, true) -> [1.5, 0, 0]
#pragma once
#include <cstdint>
#include <string>

#include "sim/protocol/simulator.h"
#include "sim/replay/recording.h"

namespace tavrel::sim {

// A float from the 32 bits a recording keeps of it.
float floatOfBits(std::uint32_t bits);
// "main", "menu", "menu2" (as the scheduler names them), or "host" for -1.
std::string fibreLabel(int context);
// One recorded event without its tick and fibre: "IS_ENTITY_DEAD(2, false) -> false".
std::string eventText(const RecordingFile& file, const RecEvent& event);
// A call of the plug-in as the timeline writes it, without its tick and
// fibre: "SET_VEHICLE_DOORS_LOCKED(1026, 2)".
std::string callText(const TraceEntry& entry);
// A value of the recording as the timeline writes its kind.
std::string valueText(const RecValue& value, ParamKind kind);

// A path the plug-in names (".\\TavrelConfig.ini") as a file of the current
// folder ("TavrelConfig.ini"); empty when it names anything else (another
// folder, a parent, a drive): a recording does not reach outside.
std::string localFileName(const std::string& path);

}  // namespace tavrel::sim
