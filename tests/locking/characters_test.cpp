// Locked cars fighting back: characters (and the player) caught trying a
// locked door play a melee start and fall; the value 11 floors everyone else.
#include <gtest/gtest.h>

#include <string>

#include "support/car_fixture.h"

namespace tavrel::testing {
namespace {

constexpr int kPed = 5;
constexpr int kOtherPed = 6;
constexpr const char* kMeleeDict = "melee@unarmed@base";

class CharactersTest : public CarTest {
protected:
    void startWithLocks(bool for_peds, bool for_player, int nearby = 0) {
        startWith(carIni("unbreakable_locks=" + std::to_string(for_peds) + "\r\nunbreakable_locks_for_player=" +
                         std::to_string(for_player) + "\r\nnearby_peds_value=" + std::to_string(nearby) + "\r\n"));
    }
    sim::SimPed& ped(int id = kPed) { return *world().pedById(id); }
    void pedTries(int id, int vehicle_id) { ped(id).entering = handleOf(vehicle_id); }
};

struct EntryCase {
    bool for_peds;
    bool for_player;
    bool player_tries;  // else a character tries
    int car_lock;
    bool thrown_back;
};

TEST_F(CharactersTest, WhoeverTriesALockedCarIsThrownBackAsSet) {
    const EntryCase cases[] = {
        {true, false, false, 2, true},  {true, false, true, 2, false}, {false, true, true, 4, true},
        {false, true, false, 2, false}, {true, true, false, 1, false}, {true, true, true, 0, false},
        {false, false, false, 2, false}, {false, false, true, 2, false},
    };
    for (const EntryCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "peds " << c.for_peds << " player " << c.for_player << " tried by "
                                          << (c.player_tries ? "player" : "character") << " lock " << c.car_lock);
        sim.resetWorld();
        world().placePlayer({0, 0, 0});
        addCar().lock = c.car_lock;
        world().addPed(kPed, {4, 0, 0});
        if (c.player_tries) {
            world().player.entering = handleOf(kCar);
        } else {
            pedTries(kPed, kCar);
        }
        startWithLocks(c.for_peds, c.for_player);
        sim.waitMs(1000);
        const int ragdolls = c.player_tries ? world().player.ragdolls : ped().ragdolls;
        const auto anim = c.player_tries ? world().player.anim : ped().anim;
        if (c.thrown_back) {
            EXPECT_EQ(anim.value_or(""), "melee_intro");
            EXPECT_GE(ragdolls, 3) << "again at every pass while it keeps trying";
        } else {
            EXPECT_EQ(ragdolls, 0);
            EXPECT_FALSE(anim.has_value());
        }
        EXPECT_EQ(c.player_tries ? ped().ragdolls : world().player.ragdolls, 0) << "the bystander is left alone";
        sim.unload();
    }
}

TEST_F(CharactersTest, ReactionIsAMeleeStartThenOneSecondOfRagdoll) {
    addCar().lock = 2;
    world().addPed(kPed, {4, 0, 0});
    pedTries(kPed, kCar);
    startWithLocks(true, false);
    sim.waitMs(400);
    const auto clips = scriptCalls(nat::TASK_PLAY_ANIM);
    const auto falls = scriptCalls(nat::SET_PED_TO_RAGDOLL);
    ASSERT_EQ(clips.size(), 1u);
    ASSERT_EQ(falls.size(), 1u);
    const auto& a = clips[0].args;
    EXPECT_EQ(a[0].value, ped().handle);
    EXPECT_EQ(a[1].text.value_or(""), kMeleeDict);
    EXPECT_EQ(a[3].number, 16.0f);
    EXPECT_EQ(a[4].number, -4.0f);
    EXPECT_EQ(a[5].value, -1);
    EXPECT_EQ(a[6].value, 0);
    const auto& f = falls[0].args;
    EXPECT_EQ(f[0].value, ped().handle);
    EXPECT_EQ(f[1].value, 1000);
    EXPECT_EQ(f[2].value, 1000);
    EXPECT_EQ(f[3].value, 0);
}

struct FloorEveryoneCase {
    bool for_peds;
    bool for_player;
    int nearby;
    bool floored;
};

TEST_F(CharactersTest, Value11FloorsEveryOtherCharacterEveryPassWhileAnOptionIsOn) {
    const FloorEveryoneCase cases[] = {
        {true, false, 11, true}, {false, true, 11, true}, {false, false, 11, false}, {true, true, 10, false},
    };
    for (const FloorEveryoneCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "peds " << c.for_peds << " player " << c.for_player << " value "
                                          << c.nearby);
        sim.resetWorld();
        world().placePlayer({0, 0, 0});
        world().addPed(kPed, {4, 0, 0});
        world().addPed(kOtherPed, {2000, 0, 0});  // far from any car
        startWithLocks(c.for_peds, c.for_player, c.nearby);
        sim.waitMs(3040);  // ten passes of 304 ms (19 frames)
        EXPECT_EQ(ped(kPed).ragdolls, c.floored ? 10 : 0);
        EXPECT_EQ(ped(kOtherPed).ragdolls, c.floored ? 10 : 0);
        EXPECT_FALSE(ped(kPed).anim.has_value()) << "knocked down, no melee start";
        EXPECT_EQ(world().player.ragdolls, 0);
        sim.unload();
    }
}

TEST_F(CharactersTest, CharacterGoneWhileTheDictionaryLoadsIsSkipped) {
    addCar().lock = 2;
    world().addPed(kPed, {4, 0, 0});
    world().addPed(kOtherPed, {5, 0, 0});
    pedTries(kPed, kCar);
    pedTries(kOtherPed, kCar);
    startWithLocks(true, false);
    const int gone = ped(kPed).handle;
    ASSERT_TRUE(runUntil([&] { return !scriptCalls(nat::REQUEST_ANIM_DICT).empty(); }));
    world().removeById(kPed);
    sim.waitMs(200);
    for (const auto& e : scriptCalls(nat::TASK_PLAY_ANIM)) EXPECT_NE(e.args[0].value, gone);
    for (const auto& e : scriptCalls(nat::SET_PED_TO_RAGDOLL)) EXPECT_NE(e.args[0].value, gone);
    EXPECT_EQ(ped(kOtherPed).anim.value_or(""), "melee_intro") << "the next one in the same pass";
    EXPECT_EQ(ped(kOtherPed).ragdolls, 1);
}

TEST_F(CharactersTest, MeleeDictionaryThatNeverLoadsSkipsTheReactionAndLocksStillWork) {
    world().dicts_never.insert(kMeleeDict);
    addCar(kCar).lock = 2;
    addCar(2, sim::VehicleKind::Car, {0, 30, 0}).lock = 2;
    world().addPed(kPed, {0, 31, 0});
    pedTries(kPed, 2);
    startWithLocks(true, true);
    sim.waitMs(6000);
    EXPECT_EQ(ped().ragdolls, 0);
    EXPECT_FALSE(ped().anim.has_value());
    sim.hold(kVkU, 6000);
    EXPECT_EQ(car(kCar).lock, 0) << "the unlock was served between the passes";
}

TEST_F(CharactersTest, DictionaryGivenUpOnIsNotWaitedForAgainSoShortTapsAreServed) {
    world().dicts_never.insert(kMeleeDict);
    addCar(kCar).lock = 2;
    addCar(2, sim::VehicleKind::Car, {0, 30, 0}).lock = 2;
    world().addPed(kPed, {0, 31, 0});
    pedTries(kPed, 2);
    startWithLocks(true, false);
    sim.waitMs(5600);  // the first pass waited its 5 s and gave up
    const std::size_t requests = scriptCalls(nat::REQUEST_ANIM_DICT).size();
    for (int i = 0; i < 4; ++i) {
        sim.tap(i % 2 == 0 ? kVkU : kVkL);
        sim.waitMs(1200);
        EXPECT_EQ(car(kCar).lock, i % 2 == 0 ? 0 : 4) << "tap " << i;
    }
    EXPECT_GT(scriptCalls(nat::REQUEST_ANIM_DICT).size(), requests + 10) << "still asked for at every pass";
    EXPECT_EQ(ped().ragdolls, 0);
}

}  // namespace
}  // namespace tavrel::testing
