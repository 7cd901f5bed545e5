// Row table of the lock, door, doors-opened-at-unlock, light and neon pages.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "host/natives.h"
#include "page_rows.h"

namespace tavrel::testing::rows {
namespace {

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

}  // namespace

std::vector<RowCase> vehiclePageRows() {
    std::vector<RowCase> out;
    for (auto* part : {lockPageRows, doorPageRows, doorsOpenedPageRows, lightPageRows, neonPageRows}) {
        for (RowCase& c : part()) out.push_back(std::move(c));
    }
    return out;
}

}  // namespace tavrel::testing::rows
