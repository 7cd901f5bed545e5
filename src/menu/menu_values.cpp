#include "menu/menu_values.h"

#include "config/persistence.h"
#include "config/settings.h"
#include "host/native_invoker.h"

namespace tavrel {

void playNavigationSound() {
    invoke(nat::PLAY_SOUND_FRONTEND, -1, "NAV_UP_DOWN", "HUD_FRONTEND_DEFAULT_SOUNDSET", false);
}

float clampWithSound(float value, float low, float high) {
    if (value > high) return high;
    if (value >= low) {
        playNavigationSound();
        return value;
    }
    return low;
}

std::int32_t readClampedSetting(const IniKey& key, float low, float high) {
    return static_cast<std::int32_t>(clampWithSound(static_cast<float>(readIntSetting(key)), low, high));
}

void loadMenuColours() {
    settings.menu_red = readClampedSetting(setting_key::menu_red, 0.0f, 255.0f);
    settings.menu_green = readClampedSetting(setting_key::menu_green, 0.0f, 255.0f);
    settings.menu_blue = readClampedSetting(setting_key::menu_blue, 0.0f, 255.0f);
    settings.menu_transparent = readClampedSetting(setting_key::menu_transparent, 0.0f, 255.0f);
}

}  // namespace tavrel
