#include "effects/horn.h"

#include "config/settings.h"
#include "host/world_queries.h"

namespace tavrel {

void fitHorn(int vehicle) {
    if (vehicle == 0 || !entityExists(vehicle) || settings.horn_type_index <= kHornUseCurrent) return;
    invoke(nat::SET_VEHICLE_MOD, vehicle, kHornModSlot, settings.horn_type_index, false);
}

}  // namespace tavrel
