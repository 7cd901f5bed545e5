// Page 6: beeps, horn signals, horn and radio, previewed on the tracked car.
#include "config/constant_tables.h"
#include "config/persistence.h"
#include "config/setting_modes.h"
#include "config/settings.h"
#include "effects/horn.h"
#include "effects/radio.h"
#include "host/host_file.h"
#include "menu/menu.h"
#include "menu/menu_values.h"
#include "menu/page_table.h"
#include "menu/pages.h"
#include "state/runtime_state.h"

namespace tavrel {

namespace {

namespace key = setting_key;

constexpr std::int32_t kLastHorn = 65;
constexpr std::int32_t kLastRadio = kRadioOff;  // 37
constexpr std::int32_t kMaxCount = 900000;

MenuText renderHorn(const PageRow& row) {
    const std::int32_t value = settings.*row.number->field;
    MenuText out = makeMenuText("Horn Signal:  ");
    if (value == kHornUseCurrent) {
        appendText(out, "   Use Current >>");
    } else if (value < kHornUseCurrent || value > kLastHorn) {
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

// Unlike a choice label, the left marker of 1 and 2 stands after three
// spaces, where the fall-back has none.
MenuText renderSignal(const PageRow& row) {
    MenuText out = makeMenuText("Notification Sound Signal:  ");
    switch (settings.*row.number->field) {
        case kSoundSignalOff: appendText(out, "   0. Off >>"); break;
        case kSoundSignalBeep: appendText(out, "   << 1. Beep >>"); break;
        case kSoundSignalHorn: appendText(out, "   << 2. Horn"); break;
        default: appendText(out, "<< Out of bounds >>"); break;
    }
    return out;
}

// Both markers at -1 and at 37: the radio row wraps around.
MenuText renderRadio(const PageRow& row) {
    const std::int32_t value = settings.*row.number->field;
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

// One station on or back with wrap-around over -1 ... 37 and no sound; right
// wraps through wrapRadioStationIndex, left by the same rule written out.
void stepRadioStation(const PageRow& row, int direction) {
    std::int32_t& station = settings.*row.number->field;
    const std::int64_t candidate = static_cast<std::int64_t>(station) + direction;
    if (direction > 0) {
        station = candidate > kLastRadio ? kLastRadio + 1 : static_cast<std::int32_t>(candidate);
        wrapRadioStationIndex();
    } else if (candidate > kLastRadio) {
        station = kRadioUseCurrent;
    } else if (candidate < kRadioUseCurrent) {
        station = kLastRadio;
    } else {
        station = static_cast<std::int32_t>(candidate);
    }
    writeIntSetting(*row.number, station);
}

// The tracked car gets the chosen horn at once.
void previewHorn() { fitHorn(runtime.tracked_vehicle); }

// A profile integer with default -1, also -1 when the file is missing.
std::int32_t readIntOrAbsent(const IniKey& ini_key) {
    return host::fileExists(kIniPath) ? readIntSetting(ini_key) : -1;
}

std::int32_t reloadCount(const IniKey& ini_key) {
    return readClampedSetting(ini_key, 0.0f, static_cast<float>(kMaxCount));
}

// The counts are clamped (with the sound when inside), the horn and radio
// taken as read.
void reloadSoundSettings() {
    settings.notification_sound_times_when_unlocking = reloadCount(key::notification_sound_times_when_unlocking);
    settings.notification_sound_times_when_locking = reloadCount(key::notification_sound_times_when_locking);
    settings.notification_sound_interval = reloadCount(key::notification_sound_interval);
    settings.horn_duration = reloadCount(key::horn_duration);
    settings.loud_radio_on = readIntOrAbsent(key::loud_radio_on) > 0;
    settings.horn_type_index = readIntOrAbsent(key::horn_type_index);
    settings.radio_station_index = readIntOrAbsent(key::radio_station_index);
}

constexpr StepRange kTimesRange{.low = 0, .high = kMaxCount, .step = 1};
constexpr StepRange kMillisecondsRange{.low = 0, .high = kMaxCount, .step = 10};
constexpr StepWait kTimesWait{.left = kMenuRepeatMs, .right = 100};
constexpr Tick kFastStepWaitMs = 50;

constexpr PageRow kTable[] = {
    {.kind = RowKind::Choice, .number = &key::horn_type_index,
     .range = {.low = kHornUseCurrent, .high = kLastHorn, .step = 1}, .render = renderHorn, .follow_up = previewHorn},
    {.kind = RowKind::Choice, .number = &key::notification_sound_signal,
     .range = {.low = kSoundSignalOff, .high = kSoundSignalHorn, .step = 1},
     .render = renderSignal},
    {.kind = RowKind::Number, .label = "Notification Sound Times When Unlocking",
     .number = &key::notification_sound_times_when_unlocking, .range = kTimesRange, .wait = kTimesWait},
    {.kind = RowKind::Number, .label = "Notification Sound Times When Locking",
     .number = &key::notification_sound_times_when_locking, .range = kTimesRange, .wait = kTimesWait},
    {.kind = RowKind::Number, .label = "Notification Sound Interval", .unit = " ms",
     .number = &key::notification_sound_interval, .range = kMillisecondsRange, .wait = waitAfterStep(kFastStepWaitMs)},
    {.kind = RowKind::Number, .label = "Horn Duration", .unit = " ms", .number = &key::horn_duration,
     .range = kMillisecondsRange, .wait = waitAfterStep(kFastStepWaitMs)},
    {.kind = RowKind::Switch, .label = "Remote Control Fob Sound", .flag = &key::remote_control_fob_sound},
    {.kind = RowKind::Switch, .label = "Loud Radio", .flag = &key::loud_radio_on, .follow_up = applyLoudRadio},
    {.kind = RowKind::Choice, .number = &key::radio_station_index,
     .range = {.low = kRadioUseCurrent, .high = kLastRadio, .step = 1}, .wait = waitAfterStep(kSelectWaitMs),
     .render = renderRadio, .step = stepRadioStation, .follow_up = applyRadioStation},
};

}  // namespace

constinit MenuPage sound_page{.number = kSoundPage, .parent = kMainPage, .title = "SOUND  SETTINGS", .table = kTable,
                              .selected_style = RowStyle::SelectedWide, .reload = reloadSoundSettings};

}  // namespace tavrel
