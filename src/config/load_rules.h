// Load rules: how an integer read from the INI file (the loaded value: -1 for
// an absent key, -99 for a missing file through readIntSetting) becomes its
// field. Each setting names its rule in TAVREL_SETTINGS_FIELDS. The loader
// stores the plain rules (AsLoaded, Positive) itself and holds every loaded
// value in `loaded_values`; normaliseSettings applies the other rules to
// them. Rules marked 8 first cut the value to its low byte, signed.
#pragma once
#include <concepts>
#include <cstdint>

#include "config/setting_modes.h"
#include "config/settings.h"

namespace tavrel {

// How the full load reads a setting: the read column of TAVREL_SETTINGS_FIELDS.
enum class LoadRead : std::uint8_t {
    Profile,  // a profile integer, -1 for an absent key
    Setting,  // readIntSetting: -99 when the file is missing
    Text,     // the plate text
    Menu,     // not read by the load (the menu reads it when it opens)
};

// The loaded values held between the reads and normaliseSettings, one per
// setting. -1 (an absent key) until the first load.
struct LoadedValues {
#define TAVREL_LOADED_FIELD(kind, section, field, ...) std::int32_t field = -1;
    TAVREL_SETTINGS_FIELDS(TAVREL_LOADED_FIELD)
#undef TAVREL_LOADED_FIELD
};

extern LoadedValues loaded_values;

// The low 8 bits read as a signed byte: -1 stays -1, 256 is 0, 257 is 1.
constexpr std::int8_t lowByte(std::int32_t v) {
    return static_cast<std::int8_t>(static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) & 0xFFu));
}

// Each rule's apply takes the loaded value and the field's current value and
// accepts only the field type it is meant for (a table row that pairs a rule
// with the wrong kind does not compile). `plain`: stored while reading.
namespace load_rule {

struct AsLoaded {
    static constexpr bool plain = true;
    static constexpr std::int32_t apply(std::int32_t loaded, std::same_as<std::int32_t> auto) { return loaded; }
    static constexpr std::int8_t apply(std::int32_t loaded, std::same_as<std::int8_t> auto) { return lowByte(loaded); }
};
struct Positive {
    static constexpr bool plain = true;
    static constexpr bool apply(std::int32_t loaded, std::same_as<bool> auto) { return loaded > 0; }
};
// Any value but 0 (an absent key, or no file, included) gives true.
struct NonZero {
    static constexpr bool plain = true;
    static constexpr bool apply(std::int32_t loaded, std::same_as<bool> auto) { return loaded != 0; }
};
struct NonZero8 {
    static constexpr bool plain = false;
    static constexpr bool apply(std::int32_t loaded, std::same_as<bool> auto) { return lowByte(loaded) != 0; }
};
struct EqualsOne8 {
    static constexpr bool plain = false;
    static constexpr bool apply(std::int32_t loaded, std::same_as<bool> auto) { return lowByte(loaded) == 1; }
};
struct KeepIfNegative {
    static constexpr bool plain = false;
    static constexpr std::int32_t apply(std::int32_t loaded, std::same_as<std::int32_t> auto current) {
        return loaded >= 0 ? loaded : current;
    }
};
struct KeepUnlessPositive {
    static constexpr bool plain = false;
    static constexpr std::int32_t apply(std::int32_t loaded, std::same_as<std::int32_t> auto current) {
        return loaded > 0 ? loaded : current;
    }
};
struct NegativeIsZero {
    static constexpr bool plain = false;
    static constexpr std::int32_t apply(std::int32_t loaded, std::same_as<std::int32_t> auto) {
        return loaded >= 0 ? loaded : 0;
    }
};
struct NegativeIsTwenty {
    static constexpr bool plain = false;
    static constexpr std::int32_t apply(std::int32_t loaded, std::same_as<std::int32_t> auto) {
        return loaded >= 0 ? loaded : 20;
    }
};
// An interior-light mode's low byte stays; any other (an absent key
// included) gives kInteriorOnAtUnlock.
struct InteriorMode8 {
    static constexpr bool plain = false;
    static constexpr std::int32_t apply(std::int32_t loaded, std::same_as<std::int32_t> auto) {
        const std::int8_t v = lowByte(loaded);
        return (v >= kInteriorOff && v <= kInteriorAlwaysOn) ? std::int32_t{v} : std::int32_t{kInteriorOnAtUnlock};
    }
};
// A negative low byte gives false, 1 or more true, 0 leaves the field.
struct NeonAll8 {
    static constexpr bool plain = false;
    static constexpr bool apply(std::int32_t loaded, std::same_as<bool> auto current) {
        const std::int8_t v = lowByte(loaded);
        return v < 0 ? false : v >= 1 ? true : current;
    }
};

}  // namespace load_rule

// Blip rule, the same as the misc page's toggles: a blip or persistence flag
// that went from true to false (a hand edit of the file) sets its applied
// mark in RuntimeState, so the next lock or unlock takes the marker off the
// car; one that went from false to true clears it. Nothing else is touched.
void applyBlipRule(bool old_blip, bool old_persistent);

}  // namespace tavrel
