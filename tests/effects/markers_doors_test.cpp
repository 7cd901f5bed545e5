// Map blip and persistence of the tracked car, and the doors opened at unlock
// and shut at lock.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "support/car_fixture.h"
#include "support/trace_query.h"

namespace tavrel::testing {
namespace {

using sim::VehicleKind;

class MarkersTest : public CarTest {
protected:
    static constexpr int kFarCar = 2;
    // Car 1 beside the player, car 2 far away; the player unlocks car 1, then
    // walks to car 2 and unlocks that one.
    void addTwoCars() {
        addCar(kCar);
        addCar(kFarCar, VehicleKind::Car, {300, 0, 0});
    }
    void unlockOneCarThenTheOther(const std::string& lines) {
        startWith(carIni(lines));
        unlock();
        ASSERT_TRUE(unlockedNow(kCar));
        marks_after_first = {blipCount(kCar), car(kCar).mission};
        world().player.pos = {297, 0, 0};
        unlock();
        ASSERT_TRUE(unlockedNow(kFarCar));
    }
    // The plug-in unlocked vehicle `id` (once or more).
    bool unlockedNow(int id) { return !callTicks(sim, nat::SET_VEHICLE_DOORS_LOCKED, {handleOf(id), 0}).empty(); }
    int blipCount(int id) {
        const int h = handleOf(id);
        return static_cast<int>(std::count_if(world().blips.begin(), world().blips.end(),
                                              [h](const sim::SimBlip& b) { return b.entity == h; }));
    }
    std::pair<int, bool> marks_after_first;
};

struct SpriteCase {
    VehicleKind kind;
    int sprite;
};

TEST_F(MarkersTest, BlipSpriteFollowsTheKindOfVehicle) {
    const SpriteCase cases[] = {
        {VehicleKind::Car, 225},   {VehicleKind::Bike, 226},  {VehicleKind::Quad, 147},
        {VehicleKind::Heli, 43},   {VehicleKind::Jetski, 308}, {VehicleKind::Plane, 251},
        {VehicleKind::Boat, 410},  {VehicleKind::Bicycle, 226}, {VehicleKind::Train, 426},
        {VehicleKind::Other, 426},
    };
    for (const SpriteCase& c : cases) {
        SCOPED_TRACE(sim::vehicleKindName(c.kind));
        sim.resetWorld();
        addCar(kCar, c.kind);
        sit(kCar);  // from the seat, so that kinds the search would skip are chosen too
        startWith(carIni("current_player_vehicle_blip=1\r\n"));
        unlock();
        ASSERT_EQ(blipCount(kCar), 1);
        EXPECT_EQ(world().blipOf(handleOf(kCar))->sprite, c.sprite);
        sim.unload();
    }
}

TEST_F(MarkersTest, ACarThatAlreadyHasABlipKeepsItAsItIs) {
    addCar();
    world().addBlip(handleOf(kCar)).sprite = 9;
    startWith(carIni("current_player_vehicle_blip=1\r\n"));
    unlock();
    lock();
    EXPECT_EQ(blipCount(kCar), 1);
    EXPECT_EQ(world().blipOf(handleOf(kCar))->sprite, 9);
}

TEST_F(MarkersTest, BlipAndPersistenceMoveToTheNewlyChosenCar) {
    addTwoCars();
    unlockOneCarThenTheOther("current_player_vehicle_blip=1\r\ncurrent_player_vehicle_persistent=1\r\n");
    EXPECT_EQ(marks_after_first, std::make_pair(1, true));
    EXPECT_EQ(blipCount(kCar), 0) << "taken off the car left behind";
    EXPECT_FALSE(car(kCar).mission) << "released";
    EXPECT_EQ(blipCount(kFarCar), 1);
    EXPECT_TRUE(car(kFarCar).mission);
}

TEST_F(MarkersTest, WithBothOffNoCarIsMarkedAndAMissionCarOfTheGameIsNotReleased) {
    addTwoCars();
    car(kCar).mission = true;  // the game's own
    unlockOneCarThenTheOther("current_player_vehicle_blip=0\r\ncurrent_player_vehicle_persistent=0\r\n");
    EXPECT_EQ(marks_after_first, std::make_pair(0, true));
    EXPECT_TRUE(world().blips.empty());
    EXPECT_TRUE(car(kCar).mission);
    EXPECT_FALSE(car(kFarCar).mission);
    EXPECT_EQ(calls(nat::SET_ENTITY_AS_NO_LONGER_NEEDED), 0u);
}

TEST_F(MarkersTest, PersistenceAppliedFromTheMenuIsReleasedOnceSwitchedOff) {
    addCar().mission = true;
    startWith(carIni("current_player_vehicle_persistent=0\r\n"));
    runtime.vehicle_persistent_applied = true;  // as the misc page leaves it
    unlock();
    EXPECT_FALSE(car().mission);
    // Released once: a mission mark the car gets again from elsewhere stays.
    car().mission = true;
    lock();
    EXPECT_TRUE(car().mission);
}

TEST_F(MarkersTest, BlipAndPersistenceSwitchedOffInTheFileComeOffAtTheNextAction) {
    addCar();
    startWith(carIni("current_player_vehicle_blip=1\r\ncurrent_player_vehicle_persistent=1\r\n"));
    unlock();
    ASSERT_EQ(blipCount(kCar), 1);
    ASSERT_TRUE(car().mission);
    // A hand edit of the file while the game runs; the next lock reloads it.
    sandbox.writeIni(carIni("current_player_vehicle_blip=0\r\ncurrent_player_vehicle_persistent=0\r\n"));
    lock();
    EXPECT_EQ(car().lock, 4);
    EXPECT_EQ(blipCount(kCar), 0) << "the blip is taken off";
    EXPECT_FALSE(car().mission) << "the car is released";
    // Taken off once: marks the car gets again from elsewhere stay at the
    // next action while the file still says off.
    const int foreign = world().addBlip(handleOf(kCar)).handle;
    car().mission = true;
    unlock();
    EXPECT_EQ(blipCount(kCar), 1);
    EXPECT_TRUE(car().mission);
    world().removeBlip(foreign);
    car().mission = false;
    // Switched back on in the file: marked again at the next action.
    sandbox.writeIni(carIni("current_player_vehicle_blip=1\r\ncurrent_player_vehicle_persistent=1\r\n"));
    unlock();
    EXPECT_EQ(blipCount(kCar), 1);
    EXPECT_TRUE(car().mission);
}

// One marker switched off in the file comes off at the next action; the
// other, off all along, is never taken: the game's own blip or mission mark
// on the car stays.
struct OneSwitchedOffCase {
    const char* what;
    const char* before;  // the file's [Vehicle] lines at the first unlock
    const char* after;   // ... at the lock that follows
    bool blip_after;
    bool mission_after;
};

TEST_F(MarkersTest, AMarkerSwitchedOffInTheFileComesOffAndTheOtherIsLeftAlone) {
    const OneSwitchedOffCase cases[] = {
        {"blip switched off", "current_player_vehicle_blip=1\r\ncurrent_player_vehicle_persistent=0\r\n",
         "current_player_vehicle_blip=0\r\ncurrent_player_vehicle_persistent=0\r\n", false, true},
        {"persistence switched off", "current_player_vehicle_blip=0\r\ncurrent_player_vehicle_persistent=1\r\n",
         "current_player_vehicle_blip=0\r\ncurrent_player_vehicle_persistent=0\r\n", true, false},
    };
    for (const OneSwitchedOffCase& c : cases) {
        SCOPED_TRACE(c.what);
        sim.resetWorld();
        addCar();
        const bool game_blip = std::string(c.before).find("blip=0") != std::string::npos;
        if (game_blip) world().addBlip(handleOf(kCar));
        car().mission = !game_blip;  // the game's own mark, where the plug-in puts none
        startWith(carIni(c.before));
        unlock();
        ASSERT_EQ(blipCount(kCar), 1);
        ASSERT_TRUE(car().mission);
        sandbox.writeIni(carIni(c.after));
        lock();
        EXPECT_EQ(blipCount(kCar), c.blip_after ? 1 : 0);
        EXPECT_EQ(car().mission, c.mission_after);
        sim.unload();
    }
}

using DoorsTest = CarTest;

struct DoorsCase {
    const char* lines;
    std::vector<int> opened;  // in the order they are opened
};

TEST_F(DoorsTest, UnlockOpensTheChosenDoorsInOrder) {
    const DoorsCase cases[] = {
        {"open_door_front_left=1\r\nopen_door_front_right=1\r\nopen_door_back_left=1\r\nopen_door_back_right=1\r\n"
         "open_door_hood=1\r\nopen_door_trunk=1\r\nopen_door_back1=1\r\nopen_door_back2=1\r\n",
         {1, 0, 2, 3, 4, 5, 6, 7}},
        {"open_door_trunk=1\r\nopen_door_front_left=1\r\nopen_door_back2=1\r\n", {0, 5, 7}},
        {"open_door_hood=0\r\n", {}},
    };
    for (const DoorsCase& c : cases) {
        SCOPED_TRACE(c.lines);
        sim.resetWorld();
        addCar();
        startWith(carIni(c.lines));
        sim.clearTrace();
        unlock();
        std::vector<int> order;
        for (const sim::TraceEntry& e : scriptCalls(nat::SET_VEHICLE_DOOR_OPEN)) order.push_back(e.args[1].value);
        EXPECT_EQ(order, c.opened);
        for (int door = 0; door < sim::kDoorCount; ++door) {
            const bool chosen = std::find(c.opened.begin(), c.opened.end(), door) != c.opened.end();
            EXPECT_EQ(car().doors[door], chosen ? 1.0f : 0.0f) << "door " << door;
        }
        sim.unload();
    }
}

TEST_F(DoorsTest, LockShutsEveryOpenDoorIncludingBack2) {
    addCar();
    startWith(carIni("open_door_back2=1\r\nopen_door_front_left=1\r\n"));
    unlock();
    ASSERT_EQ(car().doors[7], 1.0f);
    lock();
    for (int door = 0; door < sim::kDoorCount; ++door) EXPECT_EQ(car().doors[door], 0.0f) << "door " << door;
}

TEST_F(DoorsTest, OnlyDoorsStandingOpenAreShutInstantlyOrNotAsSet) {
    for (const bool instantly : {false, true}) {
        SCOPED_TRACE(::testing::Message() << "instantly " << instantly);
        sim.resetWorld();
        addCar().doors = {0.01f, 0.0f, 0.0f, 0.5f, 0.0f, 1.0f, 0.0f, 0.2f};
        startWith(carIni("shut_doors_instantly=" + std::to_string(instantly) + "\r\n"));
        sim.clearTrace();
        lock();
        std::vector<int> shut;
        for (const sim::TraceEntry& e : scriptCalls(nat::SET_VEHICLE_DOOR_SHUT)) {
            shut.push_back(e.args[1].value);
            EXPECT_EQ(e.args[2].value, instantly ? 1 : 0);
        }
        EXPECT_EQ(shut, (std::vector<int>{0, 3, 5, 7}));
        EXPECT_EQ(car().doors, (std::array<float, 8>{}));
        sim.unload();
    }
}

TEST_F(DoorsTest, UnlockFromTheSeatOpensDoorsOnlyWhenAllowed) {
    for (const bool allowed : {false, true}) {
        SCOPED_TRACE(::testing::Message() << "allowed " << allowed);
        sim.resetWorld();
        addCar();
        sit(kCar);
        startWith(carIni("open_door_trunk=1\r\nopen_doors_at_unlock_while_inside=" + std::to_string(allowed) +
                         "\r\n"));
        unlock();
        EXPECT_EQ(car().doors[5], allowed ? 1.0f : 0.0f);
        sim.unload();
    }
}

}  // namespace
}  // namespace tavrel::testing
