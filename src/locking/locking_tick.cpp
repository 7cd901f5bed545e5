#include "locking/locking_tick.h"

#include "config/persistence.h"
#include "config/settings.h"
#include "host/native_invoker.h"
#include "host/ticks.h"
#include "locking/runtime_state.h"
#include "shell/input.h"

namespace tavrel {

namespace {

constexpr const char* kStartupNotice = "Tavrel 2.2 by Kestrin";

enum class Request { None, Lock, Unlock };

Request pendingRequest() {
    if (isLockHotkeyDown() || isLockComboPressed()) return Request::Lock;
    if (isUnlockHotkeyDown() || isUnlockComboPressed()) return Request::Unlock;
    return Request::None;
}

// Blocks (yielding each frame) while the player is dead or being arrested.
void waitWhilePlayerIncapable() {
    for (;;) {
        const int ped = invoke<int>(nat::PLAYER_PED_ID);
        if (!invoke<bool>(nat::IS_ENTITY_DEAD, ped, false) &&
            !invoke<bool>(nat::IS_PLAYER_BEING_ARRESTED, invoke<int>(nat::PLAYER_ID), true)) {
            return;
        }
        host::scriptWait(0);
    }
}

}  // namespace

void showStartupNotice() {
    if (runtime.startup_notice_shown) return;
    if (invoke<bool>(nat::GET_IS_LOADING_SCREEN_ACTIVE)) return;
    invoke(nat::BEGIN_TEXT_COMMAND_THEFEED_POST, "STRING");
    invoke(nat::ADD_TEXT_COMPONENT_SUBSTRING_PLAYER_NAME, kStartupNotice);
    invoke<int>(nat::END_TEXT_COMMAND_THEFEED_POST_TICKER, true, true);
    runtime.startup_notice_shown = true;
}

void serveHotkeys() {
    const Request request = pendingRequest();
    if (request == Request::None) return;

    // Every request re-reads the whole configuration, so hand edits apply.
    runtime.last_input_action_time = host::getTickCount();
    loadSettings();
    normaliseSettings();

    host::scriptWait(0);
    runtime.last_input_action_time = host::getTickCount();
}

void lockingTick() {
    showStartupNotice();
    waitWhilePlayerIncapable();
    runtime.player_ped = invoke<int>(nat::PLAYER_PED_ID);
    serveHotkeys();
}

}  // namespace tavrel
