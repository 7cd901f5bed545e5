// The two script loops the host runs as cooperative fibres.
#include "config/persistence.h"
#include "config/settings.h"
#include "host/native_invoker.h"
#include "locking/locking_tick.h"
#include "locking/runtime_state.h"
#include "menu/menu.h"
#include "menu/menu_draw.h"
#include "shell/entry.h"
#include "shell/input.h"

namespace tavrel {

void mainScript() {
    host::seedRandom(host::getTickCount());
    loadSettings();
    normaliseSettings();
    runtime.saved_weapon = invoke<std::uint32_t>(nat::GET_HASH_KEY, "WEAPON_UNARMED");
    runtime.lock_flashes_left = 0;
    runtime.unlock_flashes_left = 0;
    runtime.last_flash_time = host::getTickCount();
    for (;;) {
        lockingTick();
        host::scriptWait(0);
    }
}

void menuThread() {
    host::seedRandom(host::getTickCount());
    for (;;) {
        if (isMenuToggleRequested()) {
            playNavigationSound();
            const bool block = settings.game_input_disabled_while_menu_is_open;
            applyMenuInputBlock(block);
            runMenu();
            // The block is lifted in memory only (the INI file keeps it; the
            // next full load brings it back). Control is also given back when
            // the block was switched on from inside the menu, so the player is
            // never left without control after closing it.
            if (block || settings.game_input_disabled_while_menu_is_open) applyMenuInputBlock(false);
        }
        host::scriptWait(0);
    }
}

}  // namespace tavrel
