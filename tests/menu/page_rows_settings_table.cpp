// Row table of the sound, colour changer, engine, misc and menu UI pages.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "host/natives.h"
#include "page_rows.h"

namespace tavrel::testing::rows {
namespace {

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
                    // past the game's last horn (51): it fits the stock horn
                    [](sim::Simulator&, const sim::SimVehicle& car) { EXPECT_EQ(car.mods.at(14), -1); }),
        startingFrom(step("Sound_0_HornRightFromBelowTheRange", row(kSound, 0), Key::Right,
                          "Horn Signal:  << Out of bounds >>", "Horn Signal:     Use Current >>", v, "horn_type_index",
                          "-2", 0, 150),
                     "horn_type_index=-7\r\n"),
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

}  // namespace

std::vector<RowCase> settingsPageRows() {
    std::vector<RowCase> out;
    for (auto* part : {soundPageRows, colourChangerPageRows, enginePageRows, miscPageRows, menuUiPageRows}) {
        for (RowCase& c : part()) out.push_back(std::move(c));
    }
    return out;
}

}  // namespace tavrel::testing::rows
