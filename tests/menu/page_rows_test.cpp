// Every row of every settings page, one table entry per row and action: the
// row is selected or stepped, then its label before and after, the
// navigation sounds it played, the one line of the file it changed (key,
// value and section, in place), the wait until the page reads input again
// and, where the row has one, its preview on the tracked car are checked.
// A row wired to the wrong key, field, bounds, step, wait or preview fails
// here by name.
#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "config/settings.h"
#include "state/runtime_state.h"
#include "menu/menu.h"
#include "menu_fixture.h"

namespace tavrel::testing {
namespace {

enum class Key : std::uint8_t { Select, Left, Right };

// Where a row is: the main page entry (0 LOCKS ... 7 MENU UI SETTINGS), the
// row of the link to a nested page on that page (-1: none), the row index.
struct Place {
    int entry;
    int link;
    int row;
};

constexpr Place kLock{0, -1, 0};
constexpr Place kDoor{1, -1, 0};
constexpr Place kDoorsOpened{1, 0, 0};
constexpr Place kLight{2, -1, 0};
constexpr Place kNeon{2, 10, 0};
constexpr Place kSound{3, -1, 0};
constexpr Place kColourChanger{4, -1, 0};
constexpr Place kEngine{5, -1, 0};
constexpr Place kMisc{6, -1, 0};
constexpr Place kMenuUi{7, -1, 0};

Place row(Place page, int index) { return {page.entry, page.link, index}; }

using CarCheck = void (*)(sim::Simulator&, const sim::SimVehicle&);

struct RowCase {
    std::string name;
    Place at;
    Key key = Key::Select;
    std::string before;       // the selected row's text before the key press
    std::string after;        // ... and after it
    std::string section;      // of the one line written; empty: the file stays as it was
    std::string ini_key;
    std::string value;
    std::size_t sounds = 0;   // NAV_UP_DOWN played by the press
    std::uint32_t wait_ms = 0;  // the wait window after the press
    bool toggles_back = false;  // a second select restores the label and the file
    std::string lines;        // first lines of [Vehicle]: the starting values
    std::string hand_edit;    // the key's value put into the file just before the press
    std::uint64_t preview = 0;  // native the page calls on the tracked car; 0: none
    CarCheck check = nullptr;   // the car (or player) afterwards
};

void PrintTo(const RowCase& c, std::ostream* out) { *out << c.name; }

// [SECTION] Case builders

RowCase toggle(std::string name, Place at, const std::string& label, std::string section, std::string key) {
    RowCase c;
    c.name = std::move(name);
    c.at = at;
    c.before = label + " [OFF]";
    c.after = label + " [ON]";
    c.section = std::move(section);
    c.ini_key = std::move(key);
    c.value = "1";
    c.sounds = 1;
    c.wait_ms = 200;
    c.toggles_back = true;
    return c;
}

RowCase step(std::string name, Place at, Key key, std::string before, std::string after, std::string section,
             std::string ini_key, std::string value, std::size_t sounds, std::uint32_t wait_ms) {
    RowCase c;
    c.name = std::move(name);
    c.at = at;
    c.key = key;
    c.before = std::move(before);
    c.after = std::move(after);
    c.section = std::move(section);
    c.ini_key = std::move(ini_key);
    c.value = std::move(value);
    c.sounds = sounds;
    c.wait_ms = wait_ms;
    return c;
}

// A key that does nothing on this row: no write, no sound, the label kept.
RowCase idle(std::string name, Place at, Key key, std::string label, std::uint32_t wait_ms) {
    RowCase c;
    c.name = std::move(name);
    c.at = at;
    c.key = key;
    c.before = label;
    c.after = std::move(label);
    c.wait_ms = wait_ms;
    return c;
}

// A link row: one sound, then the nested page with its first row selected
// and its first wait window of 150 ms.
RowCase linkRow(std::string name, Place at, std::string label, std::string nested_first_row) {
    RowCase c;
    c.name = std::move(name);
    c.at = at;
    c.before = std::move(label);
    c.after = std::move(nested_first_row);
    c.sounds = 1;
    c.wait_ms = 150;
    return c;
}

RowCase startingFrom(RowCase c, std::string lines) {
    c.lines = std::move(lines);
    return c;
}

// A step that cannot move: the file is hand-edited behind the page first, so
// that the page's rewrite of its own (unchanged) value shows in the file.
RowCase rewrittenOver(RowCase c, std::string hand_edit) {
    c.hand_edit = std::move(hand_edit);
    return c;
}

RowCase withPreview(RowCase c, std::uint64_t native, CarCheck check) {
    c.preview = native;
    c.check = check;
    return c;
}

// [SECTION] The table

std::vector<RowCase> lockPageRows() {
    const char* v = "Vehicle";
    return {
        toggle("Lock_0_UnbreakableForPeds", row(kLock, 0), "Locks Are Unbreakable For Peds", v, "unbreakable_locks"),
        toggle("Lock_1_UnbreakableForPlayer", row(kLock, 1), "Locks Are Unbreakable For Player", v,
               "unbreakable_locks_for_player"),
        toggle("Lock_2_PlayersLastVehicle", row(kLock, 2), "Use Player's Last Vehicle", v, "use_players_last_vehicle"),
        toggle("Lock_3_CanLeaveWhileLocked", row(kLock, 3), "Player Can Leave Locked Door After Locking", v,
               "can_leave_while_locked"),
        step("Lock_4_DistanceRight", row(kLock, 4), Key::Right, "Max Distance To Vehicle:   << 40 m >>",
             "Max Distance To Vehicle:   << 41 m >>", v, "max_distance_to_vehicle", "41", 1, 50),
        step("Lock_4_DistanceLeft", row(kLock, 4), Key::Left, "Max Distance To Vehicle:   << 40 m >>",
             "Max Distance To Vehicle:   << 39 m >>", v, "max_distance_to_vehicle", "39", 1, 50),
        idle("Lock_4_SelectOnTheValue", row(kLock, 4), Key::Select, "Max Distance To Vehicle:   << 40 m >>", 200),
        idle("Lock_0_LeftOnAToggle", row(kLock, 0), Key::Left, "Locks Are Unbreakable For Peds [OFF]", 0),
    };
}

std::vector<RowCase> doorPageRows() {
    const char* v = "Vehicle";
    return {
        linkRow("Door_0_LinkToDoorsOpened", row(kDoor, 0), "Choose Doors To Open At Unlock", "Front Left Door    [OFF]"),
        toggle("Door_1_OpenWhileInside", row(kDoor, 1), "Open Doors At Unlock While Inside", v,
               "open_doors_at_unlock_while_inside"),
        toggle("Door_2_ShutInstantly", row(kDoor, 2), "Shut Doors Instantly", v, "shut_doors_instantly"),
        toggle("Door_3_AlterRoof", row(kDoor, 3), "Alter Roof On Convertibles From Outside", v,
               "alter_roof_on_convertibles"),
        toggle("Door_4_WindowsDownAtUnlock", row(kDoor, 4), "Roll Down Windows Upon Unlock", v,
               "roll_down_windows_upon_unlock"),
        toggle("Door_5_WindowsUpAtLock", row(kDoor, 5), "Roll Up Windows Upon Lock", v, "roll_up_windows_upon_lock"),
        idle("Door_0_RightOnTheLink", row(kDoor, 0), Key::Right, "Choose Doors To Open At Unlock", 150),
        idle("Door_1_LeftOnAToggle", row(kDoor, 1), Key::Left, "Open Doors At Unlock While Inside [OFF]", 150),
    };
}

std::vector<RowCase> doorsOpenedPageRows() {
    const char* v = "Vehicle";
    return {
        toggle("DoorsOpened_0_FrontLeft", row(kDoorsOpened, 0), "Front Left Door   ", v, "open_door_front_left"),
        toggle("DoorsOpened_1_FrontRight", row(kDoorsOpened, 1), "Front Right Door  ", v, "open_door_front_right"),
        toggle("DoorsOpened_2_BackLeft", row(kDoorsOpened, 2), "Back Left Door    ", v, "open_door_back_left"),
        toggle("DoorsOpened_3_BackRight", row(kDoorsOpened, 3), "Back Right Door   ", v, "open_door_back_right"),
        toggle("DoorsOpened_4_Hood", row(kDoorsOpened, 4), "Hood              ", v, "open_door_hood"),
        toggle("DoorsOpened_5_Trunk", row(kDoorsOpened, 5), "Trunk             ", v, "open_door_trunk"),
        toggle("DoorsOpened_6_Back1", row(kDoorsOpened, 6), "Back1             ", v, "open_door_back1"),
        toggle("DoorsOpened_7_Back2", row(kDoorsOpened, 7), "Back2             ", v, "open_door_back2"),
        idle("DoorsOpened_3_RightOnAToggle", row(kDoorsOpened, 3), Key::Right, "Back Right Door    [OFF]", 150),
    };
}

std::vector<RowCase> lightPageRows() {
    const char* v = "Vehicle";
    return {
        withPreview(step("Light_0_InteriorRight", row(kLight, 0), Key::Right, "Interior Lights:\t<< 1. Normal On/Off >>",
                         "Interior Lights:\t<< 2. Off After Unlock & Inside Or Moving >>", v, "interior_lights", "2", 1,
                         150),
                    nat::SET_VEHICLE_INTERIORLIGHT,
                    [](sim::Simulator&, const sim::SimVehicle& car) {
                        EXPECT_TRUE(car.interior_light) << "mode 2, standing car, latch reset: on";
                    }),
        withPreview(step("Light_0_InteriorLeft", row(kLight, 0), Key::Left, "Interior Lights:\t<< 1. Normal On/Off >>",
                         "Interior Lights:\t   0. Always Off >>", v, "interior_lights", "0", 1, 150),
                    nat::SET_VEHICLE_INTERIORLIGHT, nullptr),
        toggle("Light_1_InteriorWhenLocked", row(kLight, 1), "Outside Locking Allows Interior Lights", v,
               "allow_interior_lights_when_outside_locked"),
        toggle("Light_2_Notification", row(kLight, 2), "Light Notification", v, "light_notification"),
        step("Light_3_LockFlashesRight", row(kLight, 3), Key::Right, "Notification Lock Flashes:   << 2 >>",
             "Notification Lock Flashes:   << 3 >>", v, "number_of_lock_flashes", "3", 1, 150),
        step("Light_3_LockFlashesLeft", row(kLight, 3), Key::Left, "Notification Lock Flashes:   << 2 >>",
             "Notification Lock Flashes:   << 1 >>", v, "number_of_lock_flashes", "1", 1, 150),
        step("Light_4_UnlockFlashesRight", row(kLight, 4), Key::Right, "Notification Unlock Flashes:   << 1 >>",
             "Notification Unlock Flashes:   << 2 >>", v, "number_of_unlock_flashes", "2", 1, 150),
        step("Light_4_UnlockFlashesLeft", row(kLight, 4), Key::Left, "Notification Unlock Flashes:   << 1 >>",
             "Notification Unlock Flashes:   0 >>", v, "number_of_unlock_flashes", "0", 1, 150),
        step("Light_5_LockIntervalRight", row(kLight, 5), Key::Right, "Notification Lock Flash Interval:   << 100 ms >>",
             "Notification Lock Flash Interval:   << 110 ms >>", v, "lock_flash_interval", "110", 1, 50),
        step("Light_5_LockIntervalLeft", row(kLight, 5), Key::Left, "Notification Lock Flash Interval:   << 100 ms >>",
             "Notification Lock Flash Interval:   << 90 ms >>", v, "lock_flash_interval", "90", 1, 50),
        step("Light_6_UnlockIntervalRight", row(kLight, 6), Key::Right, "Notification Unlock Flash Interval:   0 ms >>",
             "Notification Unlock Flash Interval:   << 10 ms >>", v, "unlock_flash_interval", "10", 1, 50),
        rewrittenOver(step("Light_6_UnlockIntervalLeftAtZero", row(kLight, 6), Key::Left,
                           "Notification Unlock Flash Interval:   0 ms >>",
                           "Notification Unlock Flash Interval:   0 ms >>", v, "unlock_flash_interval", "0", 0, 50),
                      "7"),
        withPreview(step("Light_7_HeadlightsLeft", row(kLight, 7), Key::Left, "Headlights: << 3. Normal On >>",
                         "Headlights: << 2. On Except When Still >>", v, "headlights_at_movement", "2", 1, 150),
                    nat::SET_VEHICLE_LIGHTS,
                    [](sim::Simulator&, const sim::SimVehicle& car) {
                        EXPECT_EQ(car.headlights, 1) << "mode 2 on a standing car: forced off";
                    }),
        // Mode 4 is set by an unlock from outside, not by the page.
        step("Light_7_HeadlightsRight", row(kLight, 7), Key::Right, "Headlights: << 3. Normal On >>",
             "Headlights: << 4. Always On When Unlock From Outside >>", v, "headlights_at_movement", "4", 1, 150),
        toggle("Light_8_HeadlightsWhenLocking", row(kLight, 8), "Allow Headlights On When Locking From Outside", v,
               "headlights_when_locking"),
        withPreview(step("Light_9_MultiplierRight", row(kLight, 9), Key::Right, "Headlight Multiplier:  << 20 >>",
                         "Headlight Multiplier:  << 21 >>", v, "light_multiplier", "21", 1, 50),
                    nat::SET_VEHICLE_LIGHT_MULTIPLIER,
                    [](sim::Simulator&, const sim::SimVehicle& car) { EXPECT_EQ(car.light_multiplier, 21.0f); }),
        withPreview(step("Light_9_MultiplierLeft", row(kLight, 9), Key::Left, "Headlight Multiplier:  << 20 >>",
                         "Headlight Multiplier:  << 19 >>", v, "light_multiplier", "19", 1, 50),
                    nat::SET_VEHICLE_LIGHT_MULTIPLIER,
                    [](sim::Simulator&, const sim::SimVehicle& car) { EXPECT_EQ(car.light_multiplier, 19.0f); }),
        linkRow("Light_10_LinkToNeon", row(kLight, 10), "Neon Lights Settings", "Neon Lights:   << 1. Normal On >>"),
        idle("Light_3_SelectOnTheValue", row(kLight, 3), Key::Select, "Notification Lock Flashes:   << 2 >>", 200),
        idle("Light_1_LeftOnAToggle", row(kLight, 1), Key::Left, "Outside Locking Allows Interior Lights [OFF]", 0),
        idle("Light_10_RightOnTheLink", row(kLight, 10), Key::Right, "Neon Lights Settings", 0),
    };
}

std::vector<RowCase> neonPageRows() {
    const char* v = "Vehicle";
    const char* all_cars = "neon_affects_all_cars=1\r\n";
    return {
        startingFrom(withPreview(step("Neon_0_ModeLeft", row(kNeon, 0), Key::Left, "Neon Lights:   << 1. Normal On >>",
                                      "Neon Lights:   0. Off >>", v, "neon_lights", "0", 1, 150),
                                 nat::SET_VEHICLE_NEON_ENABLED,
                                 [](sim::Simulator&, const sim::SimVehicle& car) {
                                     EXPECT_EQ(car.neon, (std::array<bool, 4>{})) << "mode 0: every side off";
                                 }),
                     all_cars),
        startingFrom(withPreview(step("Neon_0_ModeRight", row(kNeon, 0), Key::Right,
                                      "Neon Lights:   << 1. Normal On >>", "Neon Lights:   << 2. Off Until First Move >>",
                                      v, "neon_lights", "2", 1, 150),
                                 nat::SET_VEHICLE_NEON_ENABLED, nullptr),
                     all_cars),
        step("Neon_1_NotificationRight", row(kNeon, 1), Key::Right, "Neon Notification:   0. Off >>",
             "Neon Notification:   << 1. Flashing >>", v, "neon_notification", "1", 1, 150),
        startingFrom(withPreview(step("Neon_2_DefaultColourRight", row(kNeon, 2), Key::Right,
                                      "Default Color:\t<< 4. Always Random >>",
                                      "Default Color:\t<< 5. Same As Vehicle Primary >>", v, "neon_default_color", "5",
                                      1, 150),
                                 nat::SET_VEHICLE_NEON_COLOUR,
                                 [](sim::Simulator&, const sim::SimVehicle& car) {
                                     EXPECT_EQ(car.neon_rgb, car.primary) << "the colour rule ran at once";
                                 }),
                     "neon_default_color=4\r\n"),
        toggle("Neon_3_AllCars", row(kNeon, 3), "Can Enable Neon On Cars Without Neon", v, "neon_affects_all_cars"),
        toggle("Neon_4_Sequential", row(kNeon, 4), "Sequential Neon Lights", v, "sequential_neon_lights"),
        idle("Neon_0_SelectOnTheValue", row(kNeon, 0), Key::Select, "Neon Lights:   << 1. Normal On >>", 200),
        idle("Neon_3_RightOnAToggle", row(kNeon, 3), Key::Right, "Can Enable Neon On Cars Without Neon [OFF]", 0),
    };
}

std::vector<RowCase> soundPageRows() {
    const char* v = "Vehicle";
    return {
        withPreview(step("Sound_0_HornRightToStock", row(kSound, 0), Key::Right, "Horn Signal:     Use Current >>",
                         "Horn Signal:  << -1. HORN_STOCK >>", v, "horn_type_index", "-1", 1, 150),
                    nat::SET_VEHICLE_MOD,
                    [](sim::Simulator&, const sim::SimVehicle& car) {
                        ASSERT_EQ(car.mods.count(14), 1u);
                        EXPECT_EQ(car.mods.at(14), -1) << "the stock horn fitted at once";
                    }),
        withPreview(startingFrom(step("Sound_0_HornRightToANamedHorn", row(kSound, 0), Key::Right,
                                      "Horn Signal:  << 0. HORN_TRUCK >>", "Horn Signal:  << 1. HORN_POLICE >>", v,
                                      "horn_type_index", "1", 1, 150),
                                 "horn_type_index=0\r\n"),
                    nat::SET_VEHICLE_MOD,
                    [](sim::Simulator&, const sim::SimVehicle& car) { EXPECT_EQ(car.mods.at(14), 1); }),
        rewrittenOver(step("Sound_0_HornLeftAtUseCurrent", row(kSound, 0), Key::Left,
                           "Horn Signal:     Use Current >>", "Horn Signal:     Use Current >>", v, "horn_type_index",
                           "-2", 0, 150),
                      "7"),
        withPreview(startingFrom(step("Sound_0_HornLeftFromOutOfBounds", row(kSound, 0), Key::Left,
                                      "Horn Signal:  << Out of bounds >>", "Horn Signal:  << 65. Stock", v,
                                      "horn_type_index", "65", 0, 150),
                                 "horn_type_index=70\r\n"),
                    nat::SET_VEHICLE_MOD,
                    [](sim::Simulator&, const sim::SimVehicle& car) { EXPECT_EQ(car.mods.at(14), 65); }),
        step("Sound_1_SignalRight", row(kSound, 1), Key::Right, "Notification Sound Signal:     0. Off >>",
             "Notification Sound Signal:     << 1. Beep >>", v, "notification_sound_signal", "1", 1, 150),
        step("Sound_2_UnlockTimesRight", row(kSound, 2), Key::Right,
             "Notification Sound Times When Unlocking:   << 1 >>", "Notification Sound Times When Unlocking:   << 2 >>",
             v, "notification_sound_times_when_unlocking", "2", 1, 100),
        step("Sound_2_UnlockTimesLeft", row(kSound, 2), Key::Left, "Notification Sound Times When Unlocking:   << 1 >>",
             "Notification Sound Times When Unlocking:   0 >>", v, "notification_sound_times_when_unlocking", "0", 1,
             150),
        step("Sound_3_LockTimesRight", row(kSound, 3), Key::Right, "Notification Sound Times When Locking:   << 2 >>",
             "Notification Sound Times When Locking:   << 3 >>", v, "notification_sound_times_when_locking", "3", 1,
             100),
        step("Sound_3_LockTimesLeft", row(kSound, 3), Key::Left, "Notification Sound Times When Locking:   << 2 >>",
             "Notification Sound Times When Locking:   << 1 >>", v, "notification_sound_times_when_locking", "1", 1,
             150),
        step("Sound_4_IntervalRight", row(kSound, 4), Key::Right, "Notification Sound Interval:   << 150 ms >>",
             "Notification Sound Interval:   << 160 ms >>", v, "notification_sound_interval", "160", 1, 50),
        step("Sound_4_IntervalLeft", row(kSound, 4), Key::Left, "Notification Sound Interval:   << 150 ms >>",
             "Notification Sound Interval:   << 140 ms >>", v, "notification_sound_interval", "140", 1, 50),
        step("Sound_5_HornDurationRight", row(kSound, 5), Key::Right, "Horn Duration:   << 80 ms >>",
             "Horn Duration:   << 90 ms >>", v, "horn_duration", "90", 1, 50),
        step("Sound_5_HornDurationLeft", row(kSound, 5), Key::Left, "Horn Duration:   << 80 ms >>",
             "Horn Duration:   << 70 ms >>", v, "horn_duration", "70", 1, 50),
        toggle("Sound_6_FobSound", row(kSound, 6), "Remote Control Fob Sound", v, "remote_control_fob_sound"),
        withPreview(toggle("Sound_7_LoudRadio", row(kSound, 7), "Loud Radio        ", v, "loud_radio_on"),
                    nat::SET_VEHICLE_RADIO_LOUD,
                    [](sim::Simulator&, const sim::SimVehicle& car) { EXPECT_TRUE(car.loud_radio); }),
        withPreview(startingFrom(step("Sound_8_RadioLeft", row(kSound, 8), Key::Left,
                                      "Radio Station:  << Rebel Radio >>", "Radio Station:  << West Coast Talk Radio >>",
                                      v, "radio_station_index", "4", 0, 200),
                                 "radio_station_index=5\r\n"),
                    nat::SET_VEH_RADIO_STATION,
                    [](sim::Simulator&, const sim::SimVehicle& car) { EXPECT_EQ(car.radio, "RADIO_05_TALK_01"); }),
        withPreview(startingFrom(step("Sound_8_RadioRight", row(kSound, 8), Key::Right,
                                      "Radio Station:  << Rebel Radio >>", "Radio Station:  << Soulwax FM >>", v,
                                      "radio_station_index", "6", 0, 200),
                                 "radio_station_index=5\r\n"),
                    nat::SET_VEH_RADIO_STATION,
                    [](sim::Simulator&, const sim::SimVehicle& car) { EXPECT_EQ(car.radio, "RADIO_07_DANCE_01"); }),
        // Hand-edited values outside -1 ... 37 wrap on the first left step.
        withPreview(startingFrom(step("Sound_8_RadioLeftFromAbove", row(kSound, 8), Key::Left,
                                      "Radio Station:  << 40", "Radio Station:  << Use Current >>", v,
                                      "radio_station_index", "-1", 0, 200),
                                 "radio_station_index=40\r\n"),
                    nat::SET_VEH_FORCED_RADIO_THIS_FRAME, nullptr),
        withPreview(startingFrom(step("Sound_8_RadioLeftFromBelow", row(kSound, 8), Key::Left,
                                      "Radio Station:  << -5. Stock >>", "Radio Station:  << OFF >>", v,
                                      "radio_station_index", "37", 0, 200),
                                 "radio_station_index=-5\r\n"),
                    nat::SET_VEH_RADIO_STATION,
                    [](sim::Simulator&, const sim::SimVehicle& car) { EXPECT_EQ(car.radio, "OFF"); }),
        idle("Sound_0_SelectOnTheValue", row(kSound, 0), Key::Select, "Horn Signal:     Use Current >>", 200),
        idle("Sound_6_LeftOnAToggle", row(kSound, 6), Key::Left, "Remote Control Fob Sound [OFF]", 0),
    };
}

std::vector<RowCase> colourChangerPageRows() {
    const char* v = "Vehicle";
    return {
        step("ColourChanger_0_BaseRight", row(kColourChanger, 0), Key::Right,
             "Color Changer Speed Base Value:   << 500 >>", "Color Changer Speed Base Value:   << 550 >>", v,
             "color_changer_speed_base_value", "550", 1, 50),
        step("ColourChanger_0_BaseLeft", row(kColourChanger, 0), Key::Left,
             "Color Changer Speed Base Value:   << 500 >>", "Color Changer Speed Base Value:   << 450 >>", v,
             "color_changer_speed_base_value", "450", 1, 50),
        step("ColourChanger_1_PrimaryRight", row(kColourChanger, 1), Key::Right,
             "Color Changer Primary Color Speed:   << 2 >>", "Color Changer Primary Color Speed:   << 3 >>", v,
             "color_changer_primary_color_speed", "3", 1, 150),
        step("ColourChanger_1_PrimaryLeft", row(kColourChanger, 1), Key::Left,
             "Color Changer Primary Color Speed:   << 2 >>", "Color Changer Primary Color Speed:   << 1 >>", v,
             "color_changer_primary_color_speed", "1", 1, 150),
        step("ColourChanger_2_SecondaryRight", row(kColourChanger, 2), Key::Right,
             "Color Changer Secondary Color Speed:   << 3 >>", "Color Changer Secondary Color Speed:   << 4 >>", v,
             "color_changer_secondary_color_speed", "4", 1, 150),
        step("ColourChanger_2_SecondaryLeft", row(kColourChanger, 2), Key::Left,
             "Color Changer Secondary Color Speed:   << 3 >>", "Color Changer Secondary Color Speed:   << 2 >>", v,
             "color_changer_secondary_color_speed", "2", 1, 150),
        step("ColourChanger_3_MultiplierRight", row(kColourChanger, 3), Key::Right,
             "Vehicle Speed Multiplier Value:   0 >>", "Vehicle Speed Multiplier Value:   << 1 >>", v,
             "vehicle_speed_multiplier_value", "1", 1, 150),
        rewrittenOver(step("ColourChanger_3_MultiplierLeftAtZero", row(kColourChanger, 3), Key::Left,
                           "Vehicle Speed Multiplier Value:   0 >>", "Vehicle Speed Multiplier Value:   0 >>", v,
                           "vehicle_speed_multiplier_value", "0", 0, 150),
                      "7"),
        toggle("ColourChanger_4_Pauses", row(kColourChanger, 4), "Color Change Pauses By Locking", v,
               "color_change_can_pause"),
        idle("ColourChanger_0_SelectOnTheValue", row(kColourChanger, 0), Key::Select,
             "Color Changer Speed Base Value:   << 500 >>", 200),
        idle("ColourChanger_4_RightOnTheToggle", row(kColourChanger, 4), Key::Right,
             "Color Change Pauses By Locking [OFF]", 0),
    };
}

std::vector<RowCase> enginePageRows() {
    const char* v = "Vehicle";
    return {
        step("Engine_0_Right", row(kEngine, 0), Key::Right, "After Unlock From Outside:\t     Off >>",
             "After Unlock From Outside:\t<< Normal On >>", v, "engine_on_after_unlocking", "1", 1, 150),
        rewrittenOver(step("Engine_0_LeftAtZero", row(kEngine, 0), Key::Left, "After Unlock From Outside:\t     Off >>",
                           "After Unlock From Outside:\t     Off >>", v, "engine_on_after_unlocking", "0", 0, 150),
                      "3"),
        idle("Engine_0_SelectIsIgnored", row(kEngine, 0), Key::Select, "After Unlock From Outside:\t     Off >>", 0),
    };
}

std::vector<RowCase> miscPageRows() {
    return {
        toggle("Misc_0_Ownership", row(kMisc, 0), "Make Vehicle Belong To Player", "Vehicle",
               "make_vehicle_belong_to_player"),
        toggle("Misc_1_Blip", row(kMisc, 1), "Current Vehicle Blip", "Vehicle", "current_player_vehicle_blip"),
        toggle("Misc_2_Persistent", row(kMisc, 2), "Current Vehicle Persistent", "Vehicle",
               "current_player_vehicle_persistent"),
        step("Misc_3_AnimationRight", row(kMisc, 3), Key::Right, "Animation:       0. No Animation >>",
             "Animation:  << 1. None Inside Vehicles >>", "Animation", "animation", "1", 1, 150),
        toggle("Misc_4_Controller", row(kMisc, 4), "Use Menu With Controller", "Controller", "activate_controller"),
        withPreview(toggle("Misc_5_InputBlock", row(kMisc, 5), "Game Input Disabled While In Menu", "Menu",
                           "game_input_disabled_while_menu_is_open"),
                    nat::SET_PLAYER_CONTROL,
                    [](sim::Simulator& sim, const sim::SimVehicle&) {
                        EXPECT_FALSE(sim.world().player.control) << "control goes at once";
                    }),
        idle("Misc_3_SelectOnTheValue", row(kMisc, 3), Key::Select, "Animation:       0. No Animation >>", 200),
        idle("Misc_0_LeftOnAToggle", row(kMisc, 0), Key::Left, "Make Vehicle Belong To Player [OFF]", 0),
    };
}

std::vector<RowCase> menuUiPageRows() {
    const char* m = "Menu";
    return {
        step("MenuUi_0_SizeRight", row(kMenuUi, 0), Key::Right, "Menu Size:\t<< 5.0 >>", "Menu Size:\t<< 5.1 >>", m,
             "menu_size", "5.1", 2, 150),
        step("MenuUi_0_SizeLeft", row(kMenuUi, 0), Key::Left, "Menu Size:\t<< 5.0 >>", "Menu Size:\t<< 4.9 >>", m,
             "menu_size", "4.9", 2, 150),
        step("MenuUi_1_WidthRight", row(kMenuUi, 1), Key::Right, "Menu Width:\t<< 350.0 >>",
             "Menu Width:\t<< 355.0 >>", m, "menu_width", "355", 2, 125),
        step("MenuUi_1_WidthLeft", row(kMenuUi, 1), Key::Left, "Menu Width:\t<< 350.0 >>", "Menu Width:\t<< 345.0 >>",
             m, "menu_width", "345", 2, 125),
        step("MenuUi_2_RedRight", row(kMenuUi, 2), Key::Right, "Red:\t<< 60 >>     ", "Red:\t<< 61 >>     ", m,
             "menu_red", "61", 2, 25),
        step("MenuUi_2_RedLeft", row(kMenuUi, 2), Key::Left, "Red:\t<< 60 >>     ", "Red:\t<< 59 >>     ", m,
             "menu_red", "59", 2, 25),
        step("MenuUi_3_GreenRight", row(kMenuUi, 3), Key::Right, "Green:\t<< 104 >>  ", "Green:\t<< 105 >>  ", m,
             "menu_green", "105", 2, 25),
        step("MenuUi_3_GreenLeft", row(kMenuUi, 3), Key::Left, "Green:\t<< 104 >>  ", "Green:\t<< 103 >>  ", m,
             "menu_green", "103", 2, 25),
        step("MenuUi_4_BlueRight", row(kMenuUi, 4), Key::Right, "Blue:\t<< 166 >>   ", "Blue:\t<< 167 >>   ", m,
             "menu_blue", "167", 2, 25),
        step("MenuUi_4_BlueLeft", row(kMenuUi, 4), Key::Left, "Blue:\t<< 166 >>   ", "Blue:\t<< 165 >>   ", m,
             "menu_blue", "165", 2, 25),
        step("MenuUi_5_TransparentRight", row(kMenuUi, 5), Key::Right, "Transparent:\t<< 180 >>",
             "Transparent:\t<< 181 >>", m, "menu_transparent", "181", 2, 25),
        step("MenuUi_5_TransparentLeft", row(kMenuUi, 5), Key::Left, "Transparent:\t<< 180 >>",
             "Transparent:\t<< 179 >>", m, "menu_transparent", "179", 2, 25),
        // The file holds the defaults except the size (5.0): only that line changes.
        step("MenuUi_6_Reset", row(kMenuUi, 6), Key::Select, "Reset This Menu Page", "Reset This Menu Page", m,
             "menu_size", "4.8", 7, 200),
        idle("MenuUi_0_SelectOnTheValue", row(kMenuUi, 0), Key::Select, "Menu Size:\t<< 5.0 >>", 200),
        idle("MenuUi_6_RightOnTheAction", row(kMenuUi, 6), Key::Right, "Reset This Menu Page", 0),
    };
}

std::vector<RowCase> allRows() {
    std::vector<RowCase> out;
    for (auto* part : {lockPageRows, doorPageRows, doorsOpenedPageRows, lightPageRows, neonPageRows, soundPageRows,
                       colourChangerPageRows, enginePageRows, miscPageRows, menuUiPageRows}) {
        for (RowCase& c : part()) out.push_back(std::move(c));
    }
    return out;
}

// [SECTION] Reading the file and the trace

// The doors of the nested page that menuIni leaves out, so that every write
// lands on an existing line.
constexpr const char* kDoorLines =
    "open_door_front_left=0\r\nopen_door_front_right=0\r\nopen_door_back_left=0\r\nopen_door_back_right=0\r\n"
    "open_door_back1=0\r\nopen_door_back2=0\r\n";

struct ChangedLine {
    std::string section;
    std::string text;
};

// The lines of `after` that differ from `before`, with the section each sits
// in; the two must have the same number of lines (written in place).
std::vector<ChangedLine> changedLines(const std::string& before, const std::string& after) {
    std::vector<std::string> old_lines;
    std::vector<std::string> new_lines;
    std::stringstream old_in(before);
    std::stringstream new_in(after);
    for (std::string line; std::getline(old_in, line);) old_lines.push_back(line);
    for (std::string line; std::getline(new_in, line);) new_lines.push_back(line);
    std::vector<ChangedLine> out;
    if (old_lines.size() != new_lines.size()) {
        out.push_back({"", "the number of lines changed"});
        return out;
    }
    std::string section;
    for (std::size_t i = 0; i < new_lines.size(); ++i) {
        std::string text = new_lines[i];
        if (!text.empty() && text.back() == '\r') text.pop_back();
        if (!text.empty() && text.front() == '[') section = text.substr(1, text.find(']') - 1);
        if (new_lines[i] != old_lines[i]) out.push_back({section, text});
    }
    return out;
}

// Natives by which a page changes the car or the player.
constexpr std::uint64_t kPreviewNatives[] = {
    nat::SET_VEHICLE_INTERIORLIGHT, nat::SET_VEHICLE_LIGHTS,    nat::SET_VEHICLE_LIGHT_MULTIPLIER,
    nat::SET_VEHICLE_NEON_ENABLED,  nat::SET_VEHICLE_NEON_COLOUR, nat::SET_VEHICLE_MOD,
    nat::SET_VEH_RADIO_STATION,     nat::SET_VEHICLE_RADIO_LOUD,  nat::SET_VEHICLE_RADIO_ENABLED,
    nat::SET_VEH_FORCED_RADIO_THIS_FRAME, nat::SET_PLAYER_CONTROL,
};

bool isPreviewNative(std::uint64_t hash) {
    for (std::uint64_t h : kPreviewNatives) {
        if (h == hash) return true;
    }
    return false;
}

class PageRows : public MenuTest, public ::testing::WithParamInterface<RowCase> {
protected:
    std::uint32_t vkOf(Key key) const {
        switch (key) {
            case Key::Select: return kVkSelect;
            case Key::Left: return kVkLeft;
            case Key::Right: return kVkRight;
        }
        return kVkSelect;
    }

    // Like press(), but returns the tick of the frame that acted on the key
    // and leaves the next frame to the caller.
    std::uint32_t pressAndStamp(std::uint32_t vk) {
        sim.waitMs(250);
        sim.keyDown(vk);
        sim.runFrame();
        const std::uint32_t acted = sim.now() - sim.frameMs();
        sim.keyUp(vk);
        return acted;
    }

    // Holds down from now on: ms from `acted` to the frame in which the page
    // read input again (its down plays the navigation sound); 0 if it never
    // did within 300 ms.
    std::uint32_t msUntilNextPoll(std::uint32_t acted) {
        const std::size_t mark = navSounds();
        sim.keyDown(kVkDown);
        std::uint32_t polled = 0;
        for (int f = 0; f < 20 && polled == 0; ++f) {
            sim.runFrame();
            if (navSounds() > mark) polled = sim.now() - sim.frameMs();
        }
        sim.keyUp(kVkDown);
        sim.runFrame();
        return polled == 0 ? 0 : polled - acted;
    }

    // Calls of the preview natives made by the menu fibre since `mark`.
    std::vector<sim::TraceEntry> previewCalls(std::size_t mark) const {
        std::vector<sim::TraceEntry> out;
        const auto& trace = sim.trace();
        for (std::size_t i = mark; i < trace.size(); ++i) {
            if (trace[i].fibre == "menu" && isPreviewNative(trace[i].hash)) out.push_back(trace[i]);
        }
        return out;
    }
};

TEST_P(PageRows, SelectOrStepShowsSoundsWritesAndPreviews) {
    const RowCase& c = GetParam();
    startWith(menuIni(c.lines + kDoorLines));
    sim::SimVehicle& car = sim.world().addVehicle(7, sim::VehicleKind::Car, {3, 0, 0});
    car.mod_kit = 0;
    car.primary = sim::Rgb{10, 20, 30};
    runtime.tracked_vehicle = car.handle;

    openMenu();
    enterMain(c.at.entry);
    if (c.at.link >= 0) {
        pressTimes(kVkDown, c.at.link);
        press(kVkSelect);
    }
    pressTimes(kVkDown, c.at.row);
    ASSERT_EQ(selected(), c.before) << "the row before";

    if (!c.hand_edit.empty()) {
        std::string ini = sandbox.readIni();
        const std::string needle = "\n" + c.ini_key + "=";
        const std::size_t at = ini.find(needle);
        ASSERT_NE(at, std::string::npos);
        const std::size_t begin = at + needle.size();
        ini.replace(begin, ini.find('\r', begin) - begin, c.hand_edit);
        sandbox.writeIni(ini);
    }
    const std::string file_before = sandbox.readIni();
    const std::uint32_t vk = vkOf(c.key);
    markSounds();
    const std::size_t trace_mark = sim.trace().size();
    std::uint32_t acted = pressAndStamp(vk);

    EXPECT_EQ(selected(), c.after) << "the label after";
    EXPECT_EQ(newSounds(), c.sounds) << "navigation sounds";
    const std::vector<ChangedLine> changed = changedLines(file_before, sandbox.readIni());
    if (c.section.empty()) {
        EXPECT_TRUE(changed.empty()) << "nothing written";
    } else {
        ASSERT_EQ(changed.size(), 1u) << "exactly one line written, in place";
        EXPECT_EQ(changed[0].section, c.section);
        EXPECT_EQ(changed[0].text, c.ini_key + "=" + c.value);
    }

    const std::vector<sim::TraceEntry> calls = previewCalls(trace_mark);
    if (c.preview == 0) {
        EXPECT_TRUE(calls.empty()) << "no preview on this row; first: " << (calls.empty() ? "" : calls[0].name);
    } else {
        std::size_t previews = 0;
        for (const sim::TraceEntry& e : calls) {
            if (e.hash != c.preview) continue;
            ++previews;
            if (c.preview != nat::SET_PLAYER_CONTROL) {
                ASSERT_FALSE(e.args.empty());
                EXPECT_EQ(e.args[0].value, car.handle) << "previewed on the tracked car";
            }
        }
        EXPECT_GE(previews, 1u) << "the row's preview";
    }
    if (c.check != nullptr) c.check(sim, car);

    if (c.toggles_back) {
        markSounds();
        acted = pressAndStamp(vk);
        EXPECT_EQ(selected(), c.before) << "the second select switches back";
        EXPECT_EQ(newSounds(), c.sounds);
        EXPECT_EQ(sandbox.readIni(), file_before) << "and writes the old value back in place";
    }
    const std::uint32_t waited = msUntilNextPoll(acted);
    EXPECT_GT(waited, c.wait_ms) << "the wait window after the press";
    EXPECT_LE(waited, c.wait_ms + sim.frameMs());
}

INSTANTIATE_TEST_SUITE_P(EveryRow, PageRows, ::testing::ValuesIn(allRows()),
                         [](const ::testing::TestParamInfo<RowCase>& p) { return p.param.name; });

}  // namespace
}  // namespace tavrel::testing
