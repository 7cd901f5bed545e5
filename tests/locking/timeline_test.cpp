// An unlock on foot with the key-fob gesture, the fob click, beeps and light
// flashes: when each thing happens, checked frame by frame from the moment
// the gesture starts.
#include <gtest/gtest.h>

#include <vector>

#include "config/settings.h"
#include "support/plugin_fixture.h"
#include "support/trace_query.h"

namespace tavrel::testing {
namespace {

constexpr std::uint32_t kFrame = 16;

class TimelineTest : public PluginTest {
protected:
    // The first frame later than stamp + delay; stamps are frame ticks and
    // frames come every 16 ms.
    std::uint32_t firstFrameAfter(std::uint32_t stamp, std::uint32_t delay) const {
        std::uint32_t t = stamp;
        while (t - stamp <= delay) t += kFrame;
        return t;
    }

    std::vector<std::uint32_t> soundTicks(const std::string& name) const {
        std::vector<std::uint32_t> ticks;
        for (const sim::SoundEvent& s : sim.sounds()) {
            if (s.name == name) ticks.push_back(s.tick);
        }
        return ticks;
    }

    std::uint32_t t0 = 0;
};

TEST_F(TimelineTest, UnlockOnFootWithFobBeepsAndFlashes) {
    sandbox.writeIni(
        "[Vehicle]\r\nnotification_sound_signal=1\r\nnotification_sound_times_when_unlocking=3\r\n"
        "notification_sound_interval=300\r\nremote_control_fob_sound=1\r\nlight_notification=1\r\n"
        "number_of_unlock_flashes=4\r\nunlock_flash_interval=200\r\nengine_on_after_unlocking=2\r\n"
        "neon_notification=0\r\n[Animation]\r\nanimation=3\r\n");
    scenario("player 0 0 0\nweapon WEAPON_PISTOL\nvehicle 7 car 4 2 0 lock=2\n");
    sim.start();
    const int car = vehicle(7).handle;
    const std::uint32_t pistol = sim.world().hashName("WEAPON_PISTOL");

    // t = 0: the request is served, and the gesture starts, once the
    // gesture's dictionary has loaded.
    sim.keyDown(kVkU);
    for (int i = 0; i < 60 && !sim.world().player.anim; ++i) sim.runFrame();
    sim.keyUp(kVkU);
    const std::vector<std::uint32_t> gesture = callTicks(sim, nat::TASK_PLAY_ANIM);
    ASSERT_EQ(gesture.size(), 1u) << "the gesture started";
    t0 = gesture[0];
    const std::vector<std::uint32_t> audio_on = multiplayerAudioTicks(sim, true);
    ASSERT_EQ(audio_on.size(), 1u);
    EXPECT_TRUE(sim.world().mp_audio) << "LoadMPData on";
    EXPECT_NE(sim.world().player.weapon, pistol) << "weapon put away";
    EXPECT_EQ(sim.world().player.anim, "fob_click");
    ASSERT_EQ(sim.world().props.size(), 1u);
    EXPECT_TRUE(sim.world().props[0].visible);
    EXPECT_NE(sim.world().props[0].attached_to, 0);
    EXPECT_EQ(vehicle(7).lock, 2) << "not yet unlocked";

    sim.waitMs(3500);

    // t > 500: the fob click from the player.
    EXPECT_EQ(soundTicks("Remote_Control_Fob"), std::vector<std::uint32_t>{firstFrameAfter(t0, 500)});

    // t > 1000, one frame: the prop hidden, the car unlocked, first beep and flash.
    const std::uint32_t unlock = firstFrameAfter(t0, 1000);
    EXPECT_EQ(callTicks(sim, nat::SET_VEHICLE_DOORS_LOCKED, {car, 0}), std::vector<std::uint32_t>{unlock});
    EXPECT_EQ(callTicks(sim, nat::SET_ENTITY_VISIBLE, {sim.world().props[0].handle, 0}),
              std::vector<std::uint32_t>{unlock});

    // One beep every 300 ms.
    const std::uint32_t beep2 = firstFrameAfter(unlock, 300);
    EXPECT_EQ(soundTicks("Remote_Control_Open"), (std::vector<std::uint32_t>{unlock, beep2, firstFrameAfter(beep2, 300)}));

    // One flash step every 200 ms, the restore one interval after the last.
    std::vector<std::uint32_t> steps{unlock};
    for (int i = 1; i < 4; ++i) steps.push_back(firstFrameAfter(steps.back(), 200));
    EXPECT_EQ(callTicks(sim, nat::SET_VEHICLE_BRAKE_LIGHTS, {car, 1}), steps);
    const std::uint32_t restore = firstFrameAfter(steps.back(), 200);
    EXPECT_EQ(callTicks(sim, nat::SET_VEHICLE_BRAKE_LIGHTS, {car, 0}), std::vector<std::uint32_t>{restore});
    EXPECT_FALSE(vehicle(7).indicators[0] || vehicle(7).indicators[1] || vehicle(7).brake_lights);
    // "On During Notification": the engine ran for the flashes and stops at the restore.
    EXPECT_EQ(callTicks(sim, nat::SET_VEHICLE_ENGINE_ON, {car, 1}).front(), unlock);
    EXPECT_EQ(callTicks(sim, nat::SET_VEHICLE_ENGINE_ON, {car, 0}), std::vector<std::uint32_t>{restore});
    EXPECT_FALSE(vehicle(7).engine);

    // t > 2000 + 2 x 300: LoadMPData off (two further beeps each extend it).
    EXPECT_EQ(multiplayerAudioTicks(sim, false), std::vector<std::uint32_t>{firstFrameAfter(audio_on[0], 2600)});
    EXPECT_FALSE(sim.world().mp_audio);

    // t > 2130: the pistol is back.
    std::vector<std::uint32_t> weapon_back;
    for (const sim::TraceEntry& e : sim.trace()) {
        if (e.hash == nat::SET_CURRENT_PED_WEAPON && static_cast<std::uint32_t>(e.args[1].value) == pistol) {
            weapon_back.push_back(e.tick);
        }
    }
    EXPECT_EQ(weapon_back, std::vector<std::uint32_t>{firstFrameAfter(t0, 2130)});
    EXPECT_EQ(sim.world().player.weapon, pistol);
    EXPECT_EQ(vehicle(7).lock, 0);
}

}  // namespace
}  // namespace tavrel::testing
