// The two script loops the host runs as cooperative fibres.
#include "config/persistence.h"
#include "config/settings.h"
#include "host/native_invoker.h"
#include "input/input.h"
#include "locking/locking_tick.h"
#include "menu/menu.h"
#include "menu/menu_draw.h"
#include "shell/entry.h"
#include "state/plugin_halt.h"
#include "state/runtime_state.h"

namespace tavrel {

namespace {

// What a loop does once the plug-in has stopped: yield, frame after frame.
[[noreturn]] void yieldForever() {
    for (;;) host::scriptWait(0);
}

// The player's control, if the menu took it when the menu thread stopped.
void giveControlBackAfterHalt(bool menu_open, bool block) noexcept {
    if (!menu_open || !(block || settings.game_input_disabled_while_menu_is_open)) return;
    try {
        applyMenuInputBlock(false);
    } catch (...) {
        // nothing more can be done
    }
}

}  // namespace

void mainScript() {
    try {
        host::seedRandom(host::getTickCount());
        loadSettings();
        normaliseSettings();
        runtime.saved_weapon = invoke<std::uint32_t>(nat::GET_HASH_KEY, "WEAPON_UNARMED");
        runtime.lock_flashes_left = 0;
        runtime.unlock_flashes_left = 0;
        runtime.last_flash_time = host::getTickCount();
        while (!pluginHalted()) {
            lockingTick();
            host::scriptWait(0);
        }
    } catch (...) {
        haltPlugin();
    }
    yieldForever();
}

void menuThread() {
    bool menu_open = false;
    bool block = false;
    try {
        host::seedRandom(host::getTickCount());
        while (!pluginHalted()) {
            if (isMenuToggleRequested()) {
                playNavigationSound();
                block = settings.game_input_disabled_while_menu_is_open;
                menu_open = true;
                applyMenuInputBlock(block);
                runMenu();
                // The block is lifted in memory only (the INI file keeps it;
                // the next full load brings it back). Control is also given
                // back when the block was switched on from inside the menu, so
                // the player is never left without control after closing it.
                if (block || settings.game_input_disabled_while_menu_is_open) applyMenuInputBlock(false);
                menu_open = false;
            }
            host::scriptWait(0);
        }
    } catch (...) {
        haltPlugin();
        giveControlBackAfterHalt(menu_open, block);
    }
    yieldForever();
}

}  // namespace tavrel
