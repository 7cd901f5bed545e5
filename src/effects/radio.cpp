#include "effects/radio.h"

#include "config/settings.h"
#include "host/world_queries.h"
#include "state/runtime_state.h"

namespace tavrel {

void applyRadioStation() {
    const int vehicle = runtime.tracked_vehicle;
    const int index = settings.radio_station_index;
    if (index == kRadioOff) {
        invoke(nat::SET_VEH_RADIO_STATION, vehicle, "OFF");
        return;
    }
    if (index < kRadioUseCurrent || vehicle == 0 || !entityExists(vehicle)) return;
    if (!invoke<bool>(nat::IS_PLAYER_VEH_RADIO_ENABLE)) invoke(nat::SET_VEHICLE_RADIO_ENABLED, vehicle, true);
    invoke(nat::SET_VEH_FORCED_RADIO_THIS_FRAME, vehicle);
    const char* station = index == kRadioUseCurrent ? invoke<const char*>(nat::GET_PLAYER_RADIO_STATION_NAME)
                                                    : invoke<const char*>(nat::GET_RADIO_STATION_NAME, index);
    // The host may answer null for a station it does not know: nothing to tune.
    if (station == nullptr) return;
    invoke(nat::SET_VEH_RADIO_STATION, vehicle, station);
}

void applyLoudRadio() {
    const int vehicle = runtime.tracked_vehicle;
    if (vehicle == 0 || !entityExists(vehicle)) return;
    invoke(nat::SET_VEHICLE_RADIO_LOUD, vehicle, settings.loud_radio_on);
    if (settings.loud_radio_on) invoke(nat::SET_VEHICLE_RADIO_ENABLED, vehicle, true);
}

}  // namespace tavrel
