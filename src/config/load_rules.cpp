#include "config/load_rules.h"

#include "config/settings.h"
#include "state/runtime_state.h"

namespace tavrel {

LoadedValues loaded_values;

namespace {

template <LoadRead read, typename Rule, typename T>
void normalise(std::int32_t loaded, T& field) {
    if constexpr (read != LoadRead::Text && read != LoadRead::Menu && !Rule::plain) {
        field = Rule::apply(loaded, field);
    }
}

}  // namespace

void normaliseSettings() {
#define TAVREL_NORMALISE_FIELD(kind, section, field, initial, read, rule) \
    normalise<LoadRead::read, load_rule::rule>(loaded_values.field, settings.field);
    TAVREL_SETTINGS_FIELDS(TAVREL_NORMALISE_FIELD)
#undef TAVREL_NORMALISE_FIELD
}

namespace {

// As the misc page's toggle does: switched off, the mark is set so that the
// next lock or unlock takes the marker off the car; switched on, it is cleared.
void markChange(bool old_value, bool new_value, bool& applied) {
    if (old_value != new_value) applied = old_value;
}

}  // namespace

void applyBlipRule(bool old_blip, bool old_persistent) {
    markChange(old_blip, settings.current_player_vehicle_blip, runtime.vehicle_blip_applied);
    markChange(old_persistent, settings.current_player_vehicle_persistent, runtime.vehicle_persistent_applied);
}

}  // namespace tavrel
