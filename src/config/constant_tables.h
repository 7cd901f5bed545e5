// The constant host identifier tables shown by the sound page: horn names by
// horn_type_index and radio stations by radio_station_index. Read-only data,
// safe from any fibre.
#pragma once
#include <cstdint>

namespace tavrel {

inline constexpr int kHornNameCount = 52;     // indices 0 ... 51 have a name
inline constexpr int kRadioStationCount = 38;  // indices 0 ... 37; 37 is "OFF"

struct RadioStation {
    const char* id;            // host identifier, e.g. "RADIO_01_CLASS_ROCK"
    const char* display_name;  // player-facing name, nullptr where there is none
};

extern const char* const HornNameTable[kHornNameCount];
extern const RadioStation RadioStationTable[kRadioStationCount];

// "HORN_STOCK" for -1, the table entry for 0 ... 51, nullptr otherwise
// (-2 "keep" and the unnamed indices 52 ... 65 included).
const char* hornName(std::int32_t index);

// The host identifier for 0 ... 37, nullptr otherwise.
const char* radioStationId(std::int32_t index);

// What the menu shows for 0 ... 37: the display name where the table has one,
// the identifier otherwise; nullptr outside 0 ... 37.
const char* radioStationDisplayName(std::int32_t index);

}  // namespace tavrel
