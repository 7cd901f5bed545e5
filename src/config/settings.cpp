#include "config/settings.h"

#include "config/load_rules.h"

namespace tavrel {

Settings settings;

void resetSettings() {
    settings = Settings{};
    loaded_values = LoadedValues{};
}

void wrapRadioStationIndex() {
    if (settings.radio_station_index >= 38) {
        settings.radio_station_index = -1;
    } else if (settings.radio_station_index < -1) {
        settings.radio_station_index = 37;
    }
}

}  // namespace tavrel
