// The fob and phone gestures before a lock or unlock: clips, the fob prop,
// the weapon put away and given back, the fob click, and a dictionary that
// never loads.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "support/car_fixture.h"

namespace tavrel::testing {
namespace {

constexpr const char* kFobDict = "anim@mp_player_intmenu@key_fob@";
constexpr const char* kPhoneDict = "cellphone@";

class GestureTest : public CarTest {
protected:
    // A player holding a pistol beside (or in) a car; 1 ms frames so that a
    // delay D shows as D + 1 between two events.
    void startGesture(int animation, bool in_car, bool moving, const std::string& lines = "") {
        sim.setFrameMs(1);
        addCar();
        if (in_car) sit(kCar);
        if (moving) (in_car ? car().speed : world().player.speed) = 1.5f;
        world().player.weapon = pistol();
        startWith(carIni(lines, animation));
    }
    std::uint32_t pistol() { return weaponHash("WEAPON_PISTOL"); }
    std::uint32_t unarmed() { return weaponHash("WEAPON_UNARMED"); }

    std::optional<sim::TraceEntry> first(std::uint64_t hash, std::uint32_t arg1 = 0, bool match_arg1 = false) {
        for (const sim::TraceEntry& e : scriptCalls(hash)) {
            if (!match_arg1 || static_cast<std::uint32_t>(e.args[1].value) == arg1) return e;
        }
        return std::nullopt;
    }
    std::optional<Tick> firstTick(std::uint64_t hash, std::uint32_t arg1, bool match_arg1 = true) {
        const auto e = first(hash, arg1, match_arg1);
        return e ? std::optional<Tick>(e->tick) : std::nullopt;
    }
    std::optional<Tick> lockTick() { return firstTick(nat::SET_VEHICLE_DOORS_LOCKED, 2); }
};

struct ClipCase {
    int animation;
    bool in_car;
    bool moving;
    const char* clip;  // null: no gesture, the lock happens at once
    const char* dict = nullptr;
    float blend_in = 0.0f;
    float blend_out = 0.0f;
    int duration = 0;
    int flags = 0;
    Tick lock_after = 0;    // from the clip's start
    Tick weapon_after = 0;  // weapon given back, from the clip's start
};

TEST_F(GestureTest, EachModePlaysItsClipDelaysTheLockAndGivesTheWeaponBack) {
    const ClipCase cases[] = {
        {0, false, false, nullptr},
        {7, false, false, nullptr},
        {1, true, false, nullptr},
        {1, false, false, "fob_click", kFobDict, 16.0f, 1.0f, 750, 0, 1001, 2131},
        {1, false, true, "fob_click", kFobDict, 16.0f, 1.0f, 750, 120, 1001, 2131},
        {3, false, false, "fob_click", kFobDict, 16.0f, 1.0f, 750, 0, 1001, 2131},
        {3, true, true, "cellphone_horizontal_outro", kPhoneDict, 0.5f, 1.0f, 100, 16, 501, 231},
        {2, false, false, "cellphone_horizontal_intro", kPhoneDict, 10.0f, -5.0f, 500, 0, 1001, 2131},
        {2, false, true, "cellphone_horizontal_intro", kPhoneDict, 10.0f, -5.0f, 500, 120, 1001, 2131},
        {2, true, false, "cellphone_horizontal_intro", kPhoneDict, 0.5f, 1.0f, 100, 16, 501, 231},
    };
    for (const ClipCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "animation " << c.animation << (c.in_car ? " in car" : " on foot")
                                          << (c.moving ? " moving" : " still"));
        sim.resetWorld();
        startGesture(c.animation, c.in_car, c.moving);
        sim.clearTrace();
        const Tick pressed = sim.now();
        lock(3000);
        const auto clip = first(nat::TASK_PLAY_ANIM);
        ASSERT_TRUE(lockTick().has_value());
        if (c.clip == nullptr) {
            EXPECT_FALSE(clip.has_value());
            EXPECT_EQ(*lockTick(), pressed) << "locked in the frame of the request";
            EXPECT_EQ(calls(nat::SET_CURRENT_PED_WEAPON), 0u);
        } else {
            ASSERT_TRUE(clip.has_value());
            const auto& a = clip->args;
            EXPECT_EQ(a[0].value, world().player.handle);
            EXPECT_EQ(a[1].text.value_or(""), c.dict);
            EXPECT_EQ(a[2].text.value_or(""), c.clip);
            EXPECT_EQ(a[3].number, c.blend_in);
            EXPECT_EQ(a[4].number, c.blend_out);
            EXPECT_EQ(a[5].value, c.duration);
            EXPECT_EQ(a[6].value, c.flags);
            EXPECT_EQ(world().player.anim.value_or(""), c.clip) << "played from a loaded dictionary";
            EXPECT_EQ(*lockTick() - clip->tick, c.lock_after);
            const auto put_away = firstTick(nat::SET_CURRENT_PED_WEAPON, unarmed());
            ASSERT_TRUE(put_away.has_value());
            EXPECT_LE(*put_away, clip->tick);
            const auto given_back = firstTick(nat::SET_CURRENT_PED_WEAPON, pistol());
            ASSERT_TRUE(given_back.has_value());
            EXPECT_EQ(*given_back - clip->tick, c.weapon_after);
        }
        EXPECT_EQ(world().player.weapon, pistol());
        EXPECT_EQ(car().lock, 4);
        EXPECT_EQ(world().props.size(), c.clip != nullptr && std::string(c.clip) == "fob_click" ? 1u : 0u)
            << "a fob prop only for the fob on foot";
        sim.unload();
    }
}

TEST_F(GestureTest, FobPropIsCreatedOnceShownForHalfTheGestureAndReused) {
    sim.setStartTick(0xFFFFFFFFu - 600u);  // the first gesture runs across the wrap of the tick
    startGesture(3, false, false);
    lock(0);
    sim.waitMs(200);
    ASSERT_EQ(world().props.size(), 1u);
    const sim::SimProp& prop = world().props.front();
    EXPECT_EQ(world().nameOf(prop.model).value_or(""), "lr_prop_carkey_fob");
    EXPECT_TRUE(prop.visible);
    EXPECT_EQ(prop.attached_to, world().player.handle);

    const auto clip = first(nat::TASK_PLAY_ANIM);
    ASSERT_TRUE(clip.has_value());
    sim.waitMs(1500);
    EXPECT_FALSE(world().props.front().visible);
    EXPECT_FALSE(world().props.front().collision);
    const auto hidden = firstTick(nat::SET_ENTITY_VISIBLE, 0);
    ASSERT_TRUE(hidden.has_value());
    EXPECT_EQ(*hidden - clip->tick, 1001u);

    for (int gesture = 0; gesture < 3; ++gesture) {
        unlock(200);
        ASSERT_EQ(world().props.size(), 1u) << "the same prop comes back";
        EXPECT_TRUE(world().props.front().visible);
        EXPECT_EQ(world().props.front().attached_to, world().player.handle);
        sim.waitMs(2000);
        EXPECT_FALSE(world().props.front().visible);
    }
    EXPECT_EQ(calls(nat::CREATE_OBJECT), 1u);
}

TEST_F(GestureTest, FobPropModelIsLoadedBeforeTheObjectIsCreatedAndReleasedAfter) {
    startGesture(3, false, false);
    sim.clearTrace();
    lock(200);
    ASSERT_EQ(world().props.size(), 1u);
    EXPECT_EQ(world().refused_objects, 0);
    const std::uint32_t model = world().props.front().model;
    EXPECT_EQ(world().nameOf(model).value_or(""), "lr_prop_carkey_fob");

    // Request, a loaded answer, the object, then the model released.
    std::vector<std::uint64_t> order;
    bool loaded_before_create = false;
    for (const sim::TraceEntry& e : sim.trace()) {
        if (e.fibre == "host") continue;
        const bool about_model = !e.args.empty() && static_cast<std::uint32_t>(e.args[0].value) == model;
        if (e.hash == nat::CREATE_OBJECT || (about_model && (e.hash == nat::REQUEST_MODEL ||
                                                             e.hash == nat::SET_MODEL_AS_NO_LONGER_NEEDED))) {
            order.push_back(e.hash);
        }
    }
    EXPECT_EQ(order, (std::vector<std::uint64_t>{nat::REQUEST_MODEL, nat::CREATE_OBJECT,
                                                  nat::SET_MODEL_AS_NO_LONGER_NEEDED}));
    for (const sim::TraceEntry& e : scriptCalls(nat::HAS_MODEL_LOADED)) {
        if (e.tick <= scriptCalls(nat::CREATE_OBJECT).front().tick) loaded_before_create = true;
    }
    EXPECT_TRUE(loaded_before_create);

    // Re-shown later without another request while it exists; made anew
    // (model requested again) after the game removed it.
    sim.waitMs(3000);
    unlock(200);
    EXPECT_EQ(scriptCalls(nat::REQUEST_MODEL).size(), 1u);
    ASSERT_TRUE(world().removeProp(world().props.front().handle));
    sim.waitMs(3000);
    lock(200);
    EXPECT_EQ(scriptCalls(nat::REQUEST_MODEL).size(), 2u);
    ASSERT_EQ(world().props.size(), 1u);
    EXPECT_TRUE(world().props.front().visible);
    EXPECT_EQ(world().refused_objects, 0);
}

TEST_F(GestureTest, AFobModelThatNeverLoadsLeavesTheGestureWithoutAProp) {
    world().models_never.insert(world().hashName("lr_prop_carkey_fob"));
    startGesture(3, false, false);
    sim.setFrameMs(16);
    const Tick pressed = sim.now();
    lock(4000);
    EXPECT_NE(car().lock, 4) << "still waiting for the model";
    sim.waitMs(4000);
    ASSERT_EQ(car().lock, 4) << "given up after 5 s, then locked";
    EXPECT_GT(*lockTick() - pressed, 5000u);
    EXPECT_EQ(world().player.anim.value_or(""), "fob_click") << "the gesture itself is played";
    EXPECT_TRUE(world().props.empty());
    EXPECT_EQ(world().refused_objects, 0) << "no object asked for without its model";
    EXPECT_EQ(calls(nat::ATTACH_ENTITY_TO_ENTITY), 0u);
    EXPECT_EQ(world().player.weapon, pistol());

    // The next gesture asks again but does not wait.
    const Tick again = sim.now();
    unlock(1100);
    EXPECT_EQ(car().lock, 0);
    const auto unlocked = firstTick(nat::SET_VEHICLE_DOORS_LOCKED, 0);
    ASSERT_TRUE(unlocked.has_value());
    EXPECT_LT(*unlocked - again, 1100u);
    EXPECT_EQ(world().player.weapon, unarmed()) << "during the second gesture";
    sim.waitMs(1500);
    EXPECT_EQ(world().player.weapon, pistol());
}

TEST_F(GestureTest, FobClickSoundsHalfASecondAfterTheRequestAndNeverFromInsideACar) {
    struct Case {
        int animation;
        bool in_car;
    };
    for (const Case c : {Case{3, false}, Case{0, false}, Case{2, false}, Case{3, true}, Case{0, true}}) {
        SCOPED_TRACE(::testing::Message() << "animation " << c.animation << " in car " << c.in_car);
        sim.resetWorld();
        startGesture(c.animation, c.in_car, false, "remote_control_fob_sound=1\r\n");
        const std::size_t before = sim.sounds().size();
        sim.clearTrace();
        lock(3000);
        std::vector<sim::SoundEvent> clicks;
        for (std::size_t i = before; i < sim.sounds().size(); ++i) {
            if (sim.sounds()[i].name == "Remote_Control_Fob") clicks.push_back(sim.sounds()[i]);
        }
        ASSERT_TRUE(lockTick().has_value()) << "the request went through";
        if (c.in_car) {
            EXPECT_TRUE(clicks.empty());
        } else if (clicks.size() != 1u) {
            ADD_FAILURE() << clicks.size() << " fob clicks";
        } else {
            EXPECT_EQ(clicks[0].set, "PI_Menu_Sounds");
            EXPECT_EQ(clicks[0].source, "player");
            EXPECT_EQ(*lockTick() - clicks[0].tick, 500u) << "click at request + 501, lock at request + 1001";
        }
        sim.unload();
    }
}

TEST_F(GestureTest, SecondRequestDuringAGestureStillGivesBackTheWeaponThePlayerHeld) {
    startGesture(3, false, false);
    lock(1100);
    EXPECT_EQ(world().player.weapon, unarmed());
    unlock(600);  // before the first gesture gave the weapon back
    EXPECT_EQ(world().player.weapon, unarmed());
    sim.waitMs(3000);
    EXPECT_EQ(world().player.weapon, pistol());
    EXPECT_EQ(car().lock, 0);
}

struct NeverLoadsCase {
    int animation;
    bool in_car;
    const char* dict;
};

TEST_F(GestureTest, ADictionaryThatNeverLoadsSkipsTheGestureButNotTheRequest) {
    const NeverLoadsCase cases[] = {{3, false, kFobDict}, {1, false, kFobDict}, {2, false, kPhoneDict},
                                    {3, true, kPhoneDict}, {2, true, kPhoneDict}};
    for (const NeverLoadsCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "animation " << c.animation << " in car " << c.in_car);
        sim.resetWorld();
        world().dicts_never.insert(c.dict);
        startGesture(c.animation, c.in_car, false);
        sim.setFrameMs(16);  // seconds of waiting: ordinary frames will do
        const Tick pressed = sim.now();
        lock(4000);
        EXPECT_NE(car().lock, 4) << "still waiting for the dictionary";
        sim.waitMs(3000);
        ASSERT_EQ(car().lock, 4) << "given up after 5 s, then locked";
        EXPECT_GT(*lockTick() - pressed, 5000u);
        EXPECT_FALSE(world().player.anim.has_value());
        EXPECT_TRUE(world().props.empty());
        EXPECT_EQ(world().player.weapon, pistol());

        unlock(7000);
        EXPECT_EQ(car().lock, 0) << "later requests still work";
        EXPECT_EQ(world().player.weapon, pistol());
        sim.unload();
    }
}

}  // namespace
}  // namespace tavrel::testing
