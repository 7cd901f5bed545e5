// The menu's values outside drawing: the navigation sound, the clamp rule
// that plays it, and the re-reads of settings from the INI file that go
// through that rule. Menu fibre only.
#pragma once
#include <cstdint>

#include "config/setting_keys.h"

namespace tavrel {

// "NAV_UP_DOWN" of "HUD_FRONTEND_DEFAULT_SOUNDSET", once.
void playNavigationSound();

// Above high: high, silently. In [low, high]: the value, with the navigation
// sound. Below low (or NaN): low, silently.
float clampWithSound(float value, float low, float high);

// readIntSetting of `key` put into [low, high] by the clamp rule (the sound
// when it lies inside), as an integer: the menu's reloads from the file.
std::int32_t readClampedSetting(const IniKey& key, float low, float high);

// menu_red, menu_green, menu_blue, menu_transparent := readIntSetting of the
// "Menu" key put into 0 ... 255 by the clamp rule, in this order.
void loadMenuColours();

}  // namespace tavrel
