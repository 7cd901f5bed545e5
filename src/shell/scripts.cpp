// The two script loops the host runs as cooperative fibres.
#include "config/load_report.h"
#include "config/persistence.h"
#include "config/settings.h"
#include "host/recorder.h"
#include "host/world_queries.h"
#include "input/input.h"
#include "locking/locking_tick.h"
#include "menu/menu.h"
#include "menu/menu_values.h"
#include "shell/entry.h"
#include "state/plugin_halt.h"
#include "state/plugin_log.h"
#include "state/runtime_state.h"

namespace tavrel {

namespace {

void logHalt();

// What a loop does once the plug-in has stopped: yield, frame after frame.
// The halt is told to the log once, by the first fibre that comes back from
// a yield, and the flight recording written to Tavrel.rec (once per load, at
// that fibre's next wait): a fibre the host ends (an unload) never does.
[[noreturn]] void yieldForever() {
    for (;;) {
        host::scriptWait(0);
        logHalt();
        host::requestRecordingSave(host::SaveReason::Halt);
    }
}

// The player's key for a bug report: the recording so far to Tavrel.rec.
void serveRecordingKey() {
    if (isKeyJustReleased(settings.save_recording)) host::requestRecordingSave(host::SaveReason::Key);
}

// Gives control back when the menu took it: the block was on when the menu
// opened (`block`), or was switched on inside it. The block is lifted in
// memory only (the INI file keeps it; the next full load brings it back), so
// the player is never left without control after the menu.
void giveControlBackAfterMenu(bool block) {
    if (block || settings.game_input_disabled_while_menu_is_open) applyMenuInputBlock(false);
}

// Tells the halt, once per load (a halt of the window thread whose record is
// not written yet is told a frame later).
void logHalt() {
    HaltSite site = HaltSite::MainScript;
    const char* message = nullptr;
    if (!takeHaltReport(site, message)) return;
    const char* where = site == HaltSite::MainScript  ? "the main script"
                        : site == HaltSite::MenuThread ? "the menu thread"
                                                       : "the keyboard handler";
    LogLine() << "halted: an exception in " << where << ": " << LogQuoted{message}
              << "; Tavrel does nothing more until it is loaded again";
    flushLog();
}

// Starts this load's log and tells the load: the version and what became of
// the INI file.
void logLoad() {
    startLog(settings.write_log);
    LogLine() << kPluginName << " loaded";
    logSettingsLoad(IniLoadNotes{iniRecovery().restored, iniRecovery().removed});
    flushLog();
}

}  // namespace

void mainScript() {
    try {
        host::seedRandom(host::getTickCount());
        recoverIniFile();
        reloadSettings();
        host::sizeRecording(settings.recorder_kb);
        logLoad();
        runtime.saved_weapon = hashOf("WEAPON_UNARMED");
        runtime.lock_flashes_left = 0;
        runtime.unlock_flashes_left = 0;
        runtime.last_flash_time = host::getTickCount();
        while (!pluginHalted()) {
            lockingTick();
            serveRecordingKey();
            host::scriptWait(0);
        }
    } catch (...) {
        haltPlugin(HaltSite::MainScript, currentExceptionMessage());
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
        haltPlugin(HaltSite::MenuThread, currentExceptionMessage());
        try {
            if (menu_open) giveControlBackAfterMenu(block);
        } catch (...) {
            // nothing more can be done
        }
    }
    yieldForever();
}

}  // namespace tavrel
