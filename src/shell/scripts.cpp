// The two script loops the host runs as cooperative fibres.
#include "config/persistence.h"
#include "config/settings.h"
#include "host/world_queries.h"
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

// Gives control back when the menu took it: the block was on when the menu
// opened (`block`), or was switched on inside it. The block is lifted in
// memory only (the INI file keeps it; the next full load brings it back), so
// the player is never left without control after the menu.
void giveControlBackAfterMenu(bool block) {
    if (block || settings.game_input_disabled_while_menu_is_open) applyMenuInputBlock(false);
}

}  // namespace

void mainScript() {
    try {
        host::seedRandom(host::getTickCount());
        recoverIniFile();
        loadSettings();
        normaliseSettings();
        runtime.saved_weapon = hashOf("WEAPON_UNARMED");
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
                giveControlBackAfterMenu(block);
                menu_open = false;
            }
            host::scriptWait(0);
        }
    } catch (...) {
        haltPlugin();
        try {
            if (menu_open) giveControlBackAfterMenu(block);
        } catch (...) {
            // nothing more can be done
        }
    }
    yieldForever();
}

}  // namespace tavrel
