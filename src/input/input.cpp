#include "input/input.h"

#include "config/settings.h"
#include "host/native_invoker.h"
#include "host/ticks.h"
#include "input/key_state.h"
#include "state/plugin_halt.h"
#include "state/runtime_state.h"

namespace tavrel {

KeyStateTable keyStateTable;

namespace {

constexpr int kControlGroup = 2;

KeyState* entryFor(int key) {
    const auto code = static_cast<std::uint32_t>(key);
    return code < static_cast<std::uint32_t>(kKeyCount) ? &keyStateTable.keys[code] : nullptr;
}

void clearEntry(KeyState& entry) {
    entry.tick.store(0, std::memory_order_relaxed);
    entry.is_with_alt.store(0, std::memory_order_relaxed);
    entry.was_down_before.store(0, std::memory_order_relaxed);
    entry.is_up_now.store(0, std::memory_order_relaxed);
}

bool controlPressed(int control) { return invoke<bool>(nat::IS_CONTROL_PRESSED, kControlGroup, control); }
bool controlJustPressed(int control) { return invoke<bool>(nat::IS_CONTROL_JUST_PRESSED, kControlGroup, control); }
bool controlJustReleased(int control) { return invoke<bool>(nat::IS_CONTROL_JUST_RELEASED, kControlGroup, control); }

// The hotkey's keys held (both when it has two), outside the input guard.
bool hotkeyHeld(bool lock) {
    if (!hasElapsed(runtime.last_input_action_time, kHotkeyGuardMs, host::getTickCount())) return false;
    const HotkeyKeys keys = hotkeyKeys(lock);
    return isKeyHeld(keys.first) && (keys.second == -1 || isKeyHeld(keys.second));
}

bool comboPressed(std::int32_t first, std::int32_t second) {
    if (!hasElapsed(runtime.last_input_action_time, kComboGuardMs, host::getTickCount())) return false;
    return settings.activate_controller && controlPressed(first) && controlJustPressed(second);
}

// One navigation output: any of its keys held, else (controller on) its control.
bool navigationActive(std::int32_t key, std::int32_t key2, std::int32_t control) {
    if (isKeyHeld(key) || isKeyHeld(key2)) return true;
    return settings.activate_controller && controlPressed(control);
}

void storeKeyMessage(std::uint32_t key, int is_with_alt, int was_down_before, int is_up_now) {
    if (key >= static_cast<std::uint32_t>(kKeyCount)) return;
    KeyState& entry = keyStateTable.keys[key];
    // A zero tick marks an entry with no message; a message at tick 0 (once
    // per wrap) is stamped 1 ms late rather than lost.
    const Tick now = host::keyMessageTick();
    entry.tick.store(now != 0 ? now : 1, std::memory_order_relaxed);
    entry.is_with_alt.store(static_cast<std::uint32_t>(is_with_alt), std::memory_order_relaxed);
    entry.was_down_before.store(static_cast<std::uint32_t>(was_down_before), std::memory_order_relaxed);
    entry.is_up_now.store(static_cast<std::uint32_t>(is_up_now), std::memory_order_relaxed);
}

}  // namespace

void resetKeyStateTable() {
    for (KeyState& entry : keyStateTable.keys) clearEntry(entry);
}

void onKeyboardMessage(std::uint32_t key, std::uint16_t /*repeats*/, std::uint8_t /*scan_code*/, int /*is_extended*/,
                       int is_with_alt, int was_down_before, int is_up_now) {
    if (pluginHalted()) return;
    try {
        storeKeyMessage(key, is_with_alt, was_down_before, is_up_now);
    } catch (...) {
        haltPlugin(HaltSite::KeyboardHandler, currentExceptionMessage());
    }
}

bool isKeyHeld(int key) {
    const KeyState* entry = entryFor(key);
    if (entry == nullptr) return false;
    const Tick tick = entry->tick.load(std::memory_order_relaxed);
    return tick != 0 && isWithin(tick, kKeyHeldWindowMs, host::getTickCount()) &&
           entry->is_up_now.load(std::memory_order_relaxed) == 0;
}

bool isKeyJustReleased(int key) {
    KeyState* entry = entryFor(key);
    if (entry == nullptr) return false;
    const Tick tick = entry->tick.load(std::memory_order_relaxed);
    if (tick == 0 || !isWithin(tick, kKeyReleaseWindowMs, host::getTickCount()) ||
        entry->is_up_now.load(std::memory_order_relaxed) == 0) {
        return false;
    }
    clearEntry(*entry);
    return true;
}

bool isMenuToggleRequested() {
    if (settings.menu_toggle_switch_2 == -1) {
        if (isKeyJustReleased(settings.menu_toggle_switch)) return true;
    } else if (isKeyHeld(settings.menu_toggle_switch) && isKeyJustReleased(settings.menu_toggle_switch_2)) {
        return true;
    }
    if ((settings.menu_toggle_switch == -1 || settings.menu_toggle_switch == 0) &&
        isKeyJustReleased(kDefaultMenuToggleKey)) {
        runtime.last_input_action_time = host::getTickCount();
        return true;
    }
    if (settings.activate_controller && controlPressed(settings.controller_menu_toggle_switch_1_of_2) &&
        controlJustReleased(settings.controller_menu_toggle_switch_2_of_2)) {
        runtime.last_input_action_time = host::getTickCount();
        return true;
    }
    return false;
}

void readMenuNavigation(bool* select, bool* back, bool* up, bool* down, bool* left, bool* right) {
    constexpr std::int32_t kNone = -1;
    if (select) *select = navigationActive(settings.menu_select, kNone, settings.controller_menu_select);
    if (back) *back = navigationActive(settings.menu_back, settings.menu_back2, settings.controller_menu_back);
    if (up) *up = navigationActive(settings.menu_up, kNone, settings.controller_menu_up);
    if (down) *down = navigationActive(settings.menu_down, kNone, settings.controller_menu_down);
    if (right) *right = navigationActive(settings.menu_right, kNone, settings.controller_menu_right);
    if (left) *left = navigationActive(settings.menu_left, kNone, settings.controller_menu_left);
}

HotkeyKeys hotkeyKeys(bool lock) {
    const std::int8_t primary = lock ? settings.lock : settings.unlock;
    if (primary == -1) return {lock ? kDefaultLockKey : kDefaultUnlockKey, -1};
    return {primary, lock ? settings.lock_2_optional : settings.unlock_2_optional};
}

std::uint32_t hotkeyPressTick(bool lock) {
    const HotkeyKeys hotkey = hotkeyKeys(lock);
    const int keys[2] = {hotkey.first, hotkey.second};
    const Tick now = host::getTickCount();
    const KeyState* latest = nullptr;
    for (int key : keys) {
        if (key == -1 && latest != nullptr) continue;  // no second key
        if (!isKeyHeld(key)) return 0;
        const KeyState* entry = entryFor(key);
        if (latest == nullptr || elapsedSince(entry->tick.load(std::memory_order_relaxed), now) <
                                     elapsedSince(latest->tick.load(std::memory_order_relaxed), now)) {
            latest = entry;
        }
    }
    if (latest->was_down_before.load(std::memory_order_relaxed) != 0) return 0;
    return latest->tick.load(std::memory_order_relaxed);
}

bool isLockHotkeyDown() { return hotkeyHeld(true); }
bool isUnlockHotkeyDown() { return hotkeyHeld(false); }
bool isLockComboPressed() { return comboPressed(settings.controller_lock_1_of_2, settings.controller_lock_2_of_2); }
bool isUnlockComboPressed() {
    return comboPressed(settings.controller_unlock_1_of_2, settings.controller_unlock_2_of_2);
}

}  // namespace tavrel
