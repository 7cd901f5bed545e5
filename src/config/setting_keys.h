// Where each Settings field lives in the INI file: its section and key,
// derived from the field list (a field is named after its key), so the key
// names are spelled once for the settings load and the menu's writes alike.
//
//   readIntSetting(setting_key::horn_duration)  reads "Vehicle"/"horn_duration"
//   settings.*setting_key::horn_duration.field  is settings.horn_duration
#pragma once
#include <cstdint>

#include "config/settings.h"

namespace tavrel {

// A section and a key of the INI file.
struct IniKey {
    const char* section;
    const char* key;
};

// A Settings field with the key it is read from and written to.
template <typename T>
struct SettingKey : IniKey {
    T Settings::*field;
};

namespace setting_key {
#define TAVREL_SETTING_KEY(kind, section, field, ...) \
    constexpr SettingKey<setting_type::kind> field{{section, #field}, &Settings::field};
TAVREL_SETTINGS_FIELDS(TAVREL_SETTING_KEY)
#undef TAVREL_SETTING_KEY
}  // namespace setting_key

}  // namespace tavrel
