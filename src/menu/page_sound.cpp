// Page 6: beeps, horn signals, horn and radio, previewed on the tracked car.
#include "config/constant_tables.h"
#include "config/persistence.h"
#include "config/settings.h"
#include "effects/radio.h"
#include "host/host_file.h"
#include "host/native_invoker.h"
#include "host/world_queries.h"
#include "menu/menu.h"
#include "menu/page_loop.h"
#include "menu/pages.h"
#include "state/runtime_state.h"

namespace tavrel {

namespace {

constexpr const char* kSection = "Vehicle";
constexpr int kRowCount = 9;
constexpr std::int32_t kMaxCount = 900000;
constexpr std::int32_t kHornKeep = -2;
constexpr std::int32_t kHornStock = -1;
constexpr std::int32_t kLastHorn = 65;
constexpr std::int32_t kLastRadio = kRadioOff;  // 37
constexpr int kHornModSlot = 14;
constexpr Tick kCountRightWaitMs = 100;
constexpr Tick kFastStepWaitMs = 50;

enum Row : int {
    kHornRow = 0,
    kSignalRow = 1,
    kUnlockTimesRow = 2,
    kLockTimesRow = 3,
    kIntervalRow = 4,
    kHornDurationRow = 5,
    kFobSoundRow = 6,
    kLoudRadioRow = 7,
    kRadioRow = 8,
};

MenuRow rows[kRowCount];
int selected_row = 0;

MenuText renderHorn() {
    const std::int32_t value = settings.horn_type_index;
    MenuText out = makeMenuText("Horn Signal:  ");
    if (value == kHornKeep) {
        appendText(out, "   Use Current >>");
    } else if (value < kHornKeep || value > kLastHorn) {
        appendText(out, "<< Out of bounds >>");
    } else {
        appendText(out, "<< ");
        appendInt(out, value);
        appendText(out, ". ");
        const char* name = hornName(value);
        appendText(out, name != nullptr ? name : "Stock");
        if (value != kLastHorn) appendText(out, " >>");
    }
    return out;
}

MenuText renderSignal() {
    MenuText out = makeMenuText("Notification Sound Signal:  ");
    switch (settings.notification_sound_signal) {
        case 0: appendText(out, "   0. Off >>"); break;
        case 1: appendText(out, "   << 1. Beep >>"); break;
        case 2: appendText(out, "   << 2. Horn"); break;
        default: appendText(out, "<< Out of bounds >>"); break;
    }
    return out;
}

MenuText renderRadio() {
    const std::int32_t value = settings.radio_station_index;
    MenuText out = makeMenuText("Radio Station:  << ");
    if (value == kRadioUseCurrent) {
        appendText(out, "Use Current >>");
    } else if (value > kLastRadio) {
        appendInt(out, value);
    } else if (value < kRadioUseCurrent) {
        appendInt(out, value);
        appendText(out, ". Stock >>");
    } else {
        const char* name = radioStationDisplayName(value);
        appendText(out, name != nullptr ? name : "");
        appendText(out, " >>");
    }
    return out;
}

MenuText renderUnlockTimes() {
    return formatNumberLabel("Notification Sound Times When Unlocking", settings.notification_sound_times_when_unlocking,
                             "", kMaxCount);
}
MenuText renderLockTimes() {
    return formatNumberLabel("Notification Sound Times When Locking", settings.notification_sound_times_when_locking,
                             "", kMaxCount);
}
MenuText renderInterval() {
    return formatNumberLabel("Notification Sound Interval", settings.notification_sound_interval, " ms", kMaxCount);
}
MenuText renderHornDuration() {
    return formatNumberLabel("Horn Duration", settings.horn_duration, " ms", kMaxCount);
}

void buildRows() {
    rows[kHornRow] = {renderHorn()};
    rows[kSignalRow] = {renderSignal()};
    rows[kUnlockTimesRow] = {renderUnlockTimes()};
    rows[kLockTimesRow] = {renderLockTimes()};
    rows[kIntervalRow] = {renderInterval()};
    rows[kHornDurationRow] = {renderHornDuration()};
    rows[kFobSoundRow] = {makeMenuText("Remote Control Fob Sound"), &settings.remote_control_fob_sound};
    rows[kLoudRadioRow] = {makeMenuText("Loud Radio"), &settings.loud_radio_on};
    rows[kRadioRow] = {renderRadio()};
}

// A profile integer with default -1, also -1 when the file is missing.
std::int32_t readIntOrAbsent(const char* key) {
    return host::fileExists(kIniPath) ? readIntSetting(kSection, key) : -1;
}

std::int32_t reloadCount(const char* key) {
    return static_cast<std::int32_t>(
        clampWithSound(static_cast<float>(readIntSetting(kSection, key)), 0.0f, static_cast<float>(kMaxCount)));
}

void reloadSettings() {
    settings.notification_sound_times_when_unlocking = reloadCount("notification_sound_times_when_unlocking");
    settings.notification_sound_times_when_locking = reloadCount("notification_sound_times_when_locking");
    settings.notification_sound_interval = reloadCount("notification_sound_interval");
    settings.horn_duration = reloadCount("horn_duration");
    settings.loud_radio_on = readIntOrAbsent("loud_radio_on") > 0;
    settings.horn_type_index = readIntOrAbsent("horn_type_index");
    settings.radio_station_index = readIntOrAbsent("radio_station_index");
}

// The tracked car gets the chosen horn at once; -2 ("Use Current") and a car
// that is gone are left alone.
void previewHorn() {
    const int vehicle = runtime.tracked_vehicle;
    if (vehicle == 0 || !entityExists(vehicle) || settings.horn_type_index < kHornStock) return;
    invoke(nat::SET_VEHICLE_MOD, vehicle, kHornModSlot, settings.horn_type_index, false);
}

// Radio row: one station on or back with wrap-around over -1 ... 37, no sound.
void stepRadio(int direction) {
    const std::int64_t candidate = static_cast<std::int64_t>(settings.radio_station_index) + direction;
    if (direction > 0) {
        settings.radio_station_index = candidate > kLastRadio ? kLastRadio + 1 : static_cast<std::int32_t>(candidate);
        wrapRadioStationIndex();
    } else if (candidate > kLastRadio) {
        settings.radio_station_index = kRadioUseCurrent;
    } else if (candidate < kRadioUseCurrent) {
        settings.radio_station_index = kLastRadio;
    } else {
        settings.radio_station_index = static_cast<std::int32_t>(candidate);
    }
    writeIntSetting(kSection, "radio_station_index", settings.radio_station_index);
    rows[kRadioRow].label = renderRadio();
    applyRadioStation();
}

void selectRow(int row) {
    switch (row) {
        case kFobSoundRow:
            selectToggle(kSection, "remote_control_fob_sound", settings.remote_control_fob_sound);
            break;
        case kLoudRadioRow:
            settings.loud_radio_on = !settings.loud_radio_on;
            writeIntSetting(kSection, "loud_radio_on", settings.loud_radio_on ? 1 : 0);
            applyLoudRadio();
            playNavigationSound();
            break;
        default: selectWithoutAction(rows[row]); break;
    }
}

Tick stepRow(int row, int direction) {
    switch (row) {
        case kHornRow:
            stepIntRow(settings.horn_type_index, direction, kHornKeep, kLastHorn, kSection, "horn_type_index", rows[row],
                       renderHorn);
            previewHorn();
            return kMenuRepeatMs;
        case kSignalRow:
            stepIntRow(settings.notification_sound_signal, direction, 0, 2, kSection, "notification_sound_signal",
                       rows[row], renderSignal);
            return kMenuRepeatMs;
        case kUnlockTimesRow:
            stepIntRow(settings.notification_sound_times_when_unlocking, direction, 0, kMaxCount, kSection,
                       "notification_sound_times_when_unlocking", rows[row], renderUnlockTimes);
            return direction > 0 ? kCountRightWaitMs : kMenuRepeatMs;
        case kLockTimesRow:
            stepIntRow(settings.notification_sound_times_when_locking, direction, 0, kMaxCount, kSection,
                       "notification_sound_times_when_locking", rows[row], renderLockTimes);
            return direction > 0 ? kCountRightWaitMs : kMenuRepeatMs;
        case kIntervalRow:
            stepIntRow(settings.notification_sound_interval, direction * 10, 0, kMaxCount, kSection,
                       "notification_sound_interval", rows[row], renderInterval);
            return kFastStepWaitMs;
        case kHornDurationRow:
            stepIntRow(settings.horn_duration, direction * 10, 0, kMaxCount, kSection, "horn_duration", rows[row],
                       renderHornDuration);
            return kFastStepWaitMs;
        case kRadioRow:
            stepRadio(direction);
            return kSelectWaitMs;
        default: return kNextFrameMs;
    }
}

}  // namespace

const MenuPage& soundPage() {
    buildRows();
    static const MenuPage page{.number = kSoundPage, .parent = kMainPage, .title = "SOUND  SETTINGS", .table = nullptr, .rows = rows,
                               .row_count = kRowCount, .selected = &selected_row, .wide_selection = true,
                               .right_first = false, .reads_select = true, .select = selectRow, .step = stepRow};
    return page;
}

void runSoundPage() {
    menu_state.current_page = kSoundPage;
    reloadSettings();
    runPageLoop(soundPage());
}

void resetSoundPage() { selected_row = 0; }

}  // namespace tavrel
