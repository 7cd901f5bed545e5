#include "config/load_rules.h"

#include "config/settings.h"
#include "locking/runtime_state.h"

namespace tavrel {

LoadedValues loaded_values;

void normaliseSettings() {
#define TAVREL_NORMALISE_FIELD(rule, field) settings.field = rule(loaded_values.field, settings.field);
    TAVREL_NORMALISED_FIELDS(TAVREL_NORMALISE_FIELD)
#undef TAVREL_NORMALISE_FIELD
}

void applyBlipRule(bool old_blip, bool old_persistent) {
    if (old_blip && !settings.current_player_vehicle_blip) runtime.vehicle_blip_applied = false;
    if (old_persistent && !settings.current_player_vehicle_persistent) runtime.vehicle_persistent_applied = false;
}

}  // namespace tavrel
