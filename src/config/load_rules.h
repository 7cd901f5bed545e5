// Load rules: how an integer read from the INI file (the loaded value: -1 for
// an absent key, -99 for a missing file through readIntSetting) becomes its
// field. The loader stores the plain rules itself and holds the other loaded
// values in `loaded_values`; normaliseSettings applies the rules below to
// them. Rules marked 8-bit first cut the value to its low byte, signed.
#pragma once
#include <cstdint>

namespace tavrel {

// Fields normalised after the reads: X(rule, field).
#define TAVREL_NORMALISED_FIELDS(X)                              \
    X(negativeIsTwenty, light_multiplier)                        \
    X(nonZero8, light_notification)                              \
    X(equalsOne8, can_leave_while_locked)                        \
    X(equalsOne8, use_players_last_vehicle)                      \
    X(equalsOne8, unbreakable_locks)                             \
    X(nonZero8, unbreakable_locks_for_player)                    \
    X(interiorMode8, interior_lights)                            \
    X(equalsOne8, open_doors_at_unlock_while_inside)             \
    X(equalsOne8, alter_roof_on_convertibles)                    \
    X(keepIfNegative, number_of_lock_flashes)                    \
    X(keepIfNegative, number_of_unlock_flashes)                  \
    X(keepUnlessPositive, lock_flash_interval)                   \
    X(keepUnlessPositive, unlock_flash_interval)                 \
    X(nonZero8, shut_doors_instantly)                            \
    X(keepIfNegative, notification_sound_interval)               \
    X(keepUnlessPositive, horn_duration)                         \
    X(keepIfNegative, notification_sound_times_when_locking)     \
    X(keepIfNegative, notification_sound_times_when_unlocking)   \
    X(nonZero8, make_vehicle_belong_to_player)                   \
    X(negativeIsZero, color_changer_primary_color_speed)         \
    X(negativeIsZero, color_changer_secondary_color_speed)       \
    X(negativeIsZero, vehicle_speed_multiplier_value)            \
    X(neonAll8, neon_affects_all_cars)                           \
    X(nonZero8, color_change_can_pause)                          \
    X(nonZero8, activate_controller)                             \
    X(keepUnlessPositive, max_distance_to_vehicle)               \
    X(keepUnlessPositive, max_distance_to_vehicle_from_ground)

// The loaded values held between the reads and normaliseSettings. -1 (an
// absent key) until the first load.
struct LoadedValues {
#define TAVREL_LOADED_FIELD(rule, field) std::int32_t field = -1;
    TAVREL_NORMALISED_FIELDS(TAVREL_LOADED_FIELD)
#undef TAVREL_LOADED_FIELD
};

extern LoadedValues loaded_values;

// The low 8 bits read as a signed byte: -1 stays -1, 256 is 0, 257 is 1.
constexpr std::int8_t lowByte(std::int32_t v) {
    return static_cast<std::int8_t>(static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) & 0xFFu));
}

// Each rule takes the loaded value and the field's current value.
constexpr bool nonZero8(std::int32_t loaded, bool) { return lowByte(loaded) != 0; }
constexpr bool equalsOne8(std::int32_t loaded, bool) { return lowByte(loaded) == 1; }
constexpr std::int32_t keepIfNegative(std::int32_t loaded, std::int32_t current) { return loaded >= 0 ? loaded : current; }
constexpr std::int32_t keepUnlessPositive(std::int32_t loaded, std::int32_t current) { return loaded > 0 ? loaded : current; }
constexpr std::int32_t negativeIsZero(std::int32_t loaded, std::int32_t) { return loaded >= 0 ? loaded : 0; }
constexpr std::int32_t negativeIsTwenty(std::int32_t loaded, std::int32_t) { return loaded >= 0 ? loaded : 20; }
constexpr std::int32_t interiorMode8(std::int32_t loaded, std::int32_t) {
    const std::int8_t v = lowByte(loaded);
    return (v >= 0 && v <= 4) ? v : 1;
}
constexpr bool neonAll8(std::int32_t loaded, bool current) {
    const std::int8_t v = lowByte(loaded);
    return v < 0 ? false : v >= 1 ? true : current;
}

// Blip rule, the same as the misc page's toggles: a blip or persistence flag
// that went from true to false (a hand edit of the file) sets its applied
// mark in RuntimeState, so the next lock or unlock takes the marker off the
// car; one that went from false to true clears it. Nothing else is touched.
void applyBlipRule(bool old_blip, bool old_persistent);

}  // namespace tavrel
