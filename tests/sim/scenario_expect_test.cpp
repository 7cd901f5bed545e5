// The expect family of scenario commands: each kind holds on what the world
// shows and fails with "FILE:LINE: expected ..., got ..." and exit status 3
// after the run's end; bad arguments are rejected before anything runs,
// naming the valid ones; the field lists are the report's own; the other
// mod-maker helpers: the shipped INI file and the changes-only timeline.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "sim/report/reports.h"
#include "sim/scenario/ini_file.h"
#include "sim/scenario/scenario.h"
#include "sim/scenario/scenario_expect.h"
#include "support/sandbox.h"
#include "support/scenario_run.h"

namespace tavrel::sim {
namespace {

using RunResult = tavrel::testing::ScenarioRun;

RunResult run(const std::string& text, const ScenarioOptions& options = {}) {
    return tavrel::testing::runScenarioText(text, options);
}

std::string fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

int lineCount(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

// Each case in a fresh directory: the INI file lives in the working directory.
class ExpectTest : public ::testing::Test {
protected:
    void freshDirectory() {
        sandbox_.removeIni();
    }
    tavrel::testing::Sandbox sandbox_;  // each case in a fresh working directory: the INI file lives there
};

// No gesture, no signals: a lock acts at once.
const std::string kQuiet =
    "ini Vehicle notification_sound_signal 0\nini Vehicle remote_control_fob_sound 0\n"
    "ini Vehicle light_notification 0\nini Animation animation 0\n";

// The menu's keys (there are no built-in ones) and the menu open on its main page.
const std::string kMenuOpen =
    "ini-text\n[Keys]\nmenu_toggle_switch=120\nmenu_up=104\nmenu_down=98\nmenu_select=101\nmenu_back=96\nend\n"
    "player 0 0 0\nstart\ntap F9\nwait 300\n";

struct KindCase {
    const char* name;
    std::string setup;    // runs first
    std::string holds;    // an expect line that holds after it
    std::string fails;    // an expect line that does not
    std::string message;  // what the failing line prints after "t.scn:N: "
};

TEST_F(ExpectTest, EachKindHoldsOrFailsWithItsMessageAndStatus3AfterTheRunsEnd) {
    const std::string locked = kQuiet + "player 0 0 0\nvehicle 1 car 3 0 0 neon=1100\nped 20 9 0 0\nweapon WEAPON_PISTOL\n"
                                        "ini Vehicle lock_flash_interval 333\nstart\ntap L\n";
    const std::string fob = "ini Vehicle remote_control_fob_sound 1\nini Animation animation 3\nplayer 0 0 0\n"
                            "vehicle 7 car 4 2 0 lock=2\nstart\ntap U\nwait 1200\n";
    const std::string horns = kQuiet + "ini Vehicle notification_sound_signal 2\nini Vehicle notification_sound_times_when_locking 2\n"
                                       "ini Vehicle notification_sound_interval 200\nplayer 0 0 0\nvehicle 9 car 5 0 0\nstart\n"
                                       "tap L\nwait 1000\n";
    // The menu's switch "Make Vehicle Belong To Player" on the MISC page, turned on: the plug-in saves the file.
    const std::string saves = "ini-text\n[Vehicle]\nmake_vehicle_belong_to_player=0\n[Keys]\nmenu_toggle_switch=120\n"
                              "menu_up=104\nmenu_select=101\nend\nplayer 0 0 0\nstart\ntap F9\nwait 300\n"
                              "hold NUMPAD8 60\nwait 200\nhold NUMPAD8 60\nwait 200\nhold NUMPAD5 60\nwait 300\n"
                              "hold NUMPAD5 60\nwait 300\n";
    const KindCase cases[] = {
        {"vehicle number", locked, "expect vehicle 1 lock 4", "expect vehicle 1 lock 2", "expected vehicle 1 lock 2, got 4"},
        {"vehicle list", locked, "expect vehicle 1 neon [1, 1, false, false]", "expect vehicle 1 neon 1,1,1,1",
         "expected vehicle 1 neon 1,1,1,1, got [true,true,false,false]"},
        {"vehicle null", locked, "expect vehicle 1 blip null", "expect vehicle 1 blip 225",
         "expected vehicle 1 blip 225, got null"},
        {"vehicle text", locked, "expect vehicle 1 plate SIM1", "expect vehicle 1 plate \"SIM1 \"",
         "expected vehicle 1 plate \"SIM1 \", got \"SIM1\""},
        {"vehicle gone", locked + "delete 1\n", "expect player vehicle null", "expect vehicle 1 lock 4",
         "expected vehicle 1 lock 4, got no vehicle 1"},
        {"player", locked, "expect player weapon WEAPON_PISTOL", "expect player weapon WEAPON_UNARMED",
         "expected player weapon WEAPON_UNARMED, got \"WEAPON_PISTOL\""},
        {"player flag", locked, "expect player control 1", "expect player control false",
         "expected player control false, got true"},
        {"ped", locked, "expect ped 20 anim null", "expect ped 20 ragdolls 1", "expected ped 20 ragdolls 1, got 0"},
        {"setting number", locked, "expect setting lock_flash_interval 333", "expect setting lock_flash_interval 334",
         "expected setting lock_flash_interval 334, got 333"},
        {"setting flag", locked, "expect setting light_notification false", "expect setting light_notification 1",
         "expected setting light_notification 1, got false"},
        {"ini text", locked, "expect ini vehicle LOCK_FLASH_INTERVAL 333", "expect ini Vehicle lock_flash_interval 33",
         "expected ini Vehicle lock_flash_interval 33, got \"333\""},
        {"ini absent", locked, "expect ini Vehicle no_such_key", "expect ini Vehicle lock_flash_interval",
         "expected ini Vehicle lock_flash_interval, got \"333\""},
        {"ini no file", "no-ini\nplayer 0 0 0\nstart\n", "expect ini Vehicle lock  # no file: no key", "expect ini Vehicle lock 76",
         "expected ini Vehicle lock 76, got no file"},
        {"ini-unchanged", saves, "expect ini Vehicle make_vehicle_belong_to_player 1", "expect ini-unchanged",
         "expected ini-unchanged, got a changed file (106 bytes before, 106 now, first difference at byte 41)"},
        {"screen", kMenuOpen, "expect screen   MENU UI SETTINGS  ", "expect screen LOCK SETTINGS",
         "expected screen LOCK SETTINGS, got \"Tavrel 2.2\", \"DOORS\", \"LIGHTS\", \"SOUNDS\", \"COLOR CHANGER\", "
         "\"ENGINE\", \"MISC\", \"MENU UI SETTINGS\", \"LOCKS\""},
        {"screen-empty", kMenuOpen + "tap F9\nwait 300\n", "expect screen-empty", "expect screen Tavrel 2.2",
         "expected screen Tavrel 2.2, got no text drawn"},
        {"row", kMenuOpen, "expect row LOCKS", "expect row DOORS", "expected row DOORS, got \"LOCKS\""},
        {"row closed", "player 0 0 0\nstart\n", "expect screen-empty", "expect row LOCKS",
         "expected row LOCKS, got no menu drawn (no text drawn)"},
        {"sound", fob, "expect sound Remote_Control_Fob", "expect sound Remote_Control_Fob 2",
         "expected sound Remote_Control_Fob 2, got 1 (since the previous check: Remote_Control_Fob x1)"},
        {"horns", horns, "expect horns 2", "expect horns 1", "expected horns 1, got 2"},
        {"log", locked + "expect log lock request by key L (0x4C)\n", "expect log lock vehicle", "expect log lock request",
         "expected log lock request, got no such line among the 1 after the previous match; the last: "
         "\"[3600016] lock vehicle 1026: the nearest, car, 3.0 m away\""},
        {"notification", "player 0 0 0\nstart\n", "expect notification Tavrel 2.2 by Kestrin",
         "expect notification Tavrel 2.2 by Kestrin 2", "expected notification Tavrel 2.2 by Kestrin 2, got 1"},
    };
    for (const KindCase& k : cases) {
        SCOPED_TRACE(k.name);
        freshDirectory();
        const RunResult good = run(k.setup + k.holds + "\necho done\n");
        EXPECT_EQ(good.status, 0) << good.err;
        EXPECT_EQ(good.err, "");
        EXPECT_TRUE(good.out.ends_with("done\n"));

        freshDirectory();
        const int line = lineCount(k.setup) + 1;
        const RunResult bad = run(k.setup + k.fails + "\necho after the failure\nstate\n");
        EXPECT_EQ(bad.status, 3);
        EXPECT_EQ(bad.err, "t.scn:" + std::to_string(line) + ": " + k.message + "\n");
        // The run went on to its end.
        EXPECT_NE(bad.out.find("after the failure\n{\"t\":"), std::string::npos);
    }
}

TEST_F(ExpectTest, EveryFailedLineIsReportedAndAStatePrintDoesNotMoveTheCursors) {
    const RunResult r = run("ini Vehicle remote_control_fob_sound 1\nini Animation animation 3\nplayer 0 0 0\n"
                      "vehicle 7 car 4 2 0 lock=2\nstart\ntap U\nwait 1200\n"
                      "state\n"                                   // 8: reports the sounds
                      "expect sound Remote_Control_Fob 1\n"       // 9: holds: its own cursor
                      "expect sound Remote_Control_Fob 1\n"       // 10: fails: nothing since line 9
                      "expect sound * 2\n"                        // 11: fails: "*" has a cursor of its own
                      "expect vehicle 7 lock 2   # a comment\n"   // 12: fails
                      "expect sound Remote_Control_Open 0\n");    // 13: holds
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err,
              "t.scn:10: expected sound Remote_Control_Fob 1, got 0 (since the previous check: no sound)\n"
              "t.scn:11: expected sound * 2, got 1 (since the previous check: Remote_Control_Fob x1)\n"
              "t.scn:12: expected vehicle 7 lock 2, got 0\n");
}

TEST_F(ExpectTest, AFaultAfterAFailedExpectationEndsTheRunWithStatus1) {
    {
        Simulator sim;
        sim.recordFault(0, "planted fault");
        std::istringstream in("expect no-fault\necho never\n");
        std::ostringstream out;
        std::ostringstream err;
        const int status = runScenarioOn(sim, in, "t.scn", ScenarioOptions{}, out, err);
        EXPECT_EQ(status, 1);
        EXPECT_EQ(err.str(),
                  "t.scn:1: expected no-fault, got 1 fault, the first at tick 3600000: planted fault\n"
                  "t.scn:1: tick 3600000, host: planted fault\n");
        EXPECT_EQ(out.str(), "");
    }

    freshDirectory();
    EXPECT_EQ(run("player 0 0 0\nstart\nexpect no-fault\n").status, 0);
}

TEST_F(ExpectTest, BadArgumentsAreRejectedBeforeAnythingRunsNamingTheValidOnes) {
    struct Case {
        const char* line;
        const char* says;
    };
    const Case cases[] = {
        {"expect", "expect: expected one of:\n  expect vehicle ID FIELD VALUE\n  expect player FIELD VALUE"},
        {"expect colour 1", "expect: unknown kind colour (kinds: vehicle, player, ped, setting, ini, ini-unchanged, "
                            "screen, screen-empty, row, sound, horns, notification, no-fault"},
        {"expect vehicle 1 colour red", "expect vehicle: unknown field colour (fields: lock, engine, alarm, headlights,"},
        {"expect vehicle 1 lock", "expect vehicle: expected ID FIELD VALUE"},
        {"expect vehicle x lock 4", "not a number for ID: x"},
        {"expect vehicle 1 lock four", "expect vehicle lock: wants a whole number, got four"},
        {"expect vehicle 1 engine yes", "expect vehicle engine: wants true/false or 1/0, got yes"},
        {"expect vehicle 1 neon 1,1", "expect vehicle neon: wants 4 items true/false or 1/0 (e.g. 1,0,1,0), got 1,1"},
        {"expect vehicle 1 primary 1,2,x", "expect vehicle primary: wants 3 whole numbers"},
        {"expect vehicle 1 blip none", "expect vehicle blip: wants a number or null, got none"},
        {"expect player speed 3", "expect player: unknown field speed (fields: x, y, z, vehicle, entering, control,"},
        {"expect ped 20 lock 1", "expect ped: unknown field lock (fields: ragdolls, anim, vehicle, seat, entering, entry)"},
        {"expect setting no_such_key 1", "expect setting: unknown key no_such_key (keys: current_player_vehicle_blip,"},
        {"expect setting animation three", "expect setting animation: wants a number, got three"},
        {"expect ini Vehicle", "expect ini: expected SECTION KEY [TEXT]"},
        {"expect ini-unchanged now", "expect: expected 1 argument, got 2"},
        {"expect screen", "expect screen: expected TEXT"},
        {"expect row", "expect row: expected TEXT"},
        {"expect sound", "expect: expected 2 to 3 arguments, got 1"},
        {"expect sound Beep -1", "COUNT out of range: -1"},
        {"expect horns", "expect: expected 2 arguments, got 1"},
        {"expect horns many", "not a number for COUNT: many"},
        {"expect notification", "expect notification: expected TEXT [COUNT]"},
        {"expect no-fault please", "expect: expected 1 argument, got 2"},
        // The other commands name their valid forms too.
        {"frobnicate", "unknown command: frobnicate (commands: player, vehicle, ped,"},
        {"vehicle 1 car 0 0 0 colour=red", "unknown vehicle option: colour (options: speed=, forward=, ground=,"},
        {"vehicle 1 tank 0 0 0", "unknown vehicle kind: tank (kinds: car, bike, quad,"},
        {"ped 1 0 0 0 armed=1", "ped: expected 4 arguments, got 5 (ped ID X Y Z)"},
        {"tap", "tap: expected 1 argument, got 0 (tap VK)"},
        {"start now", "start: expected 0 arguments, got 1 (start takes no arguments)"},
        {"tap NUMPAD10", "unknown key: NUMPAD10 (keys: a number, A-Z, 0-9, F1-F24,"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const RunResult r = run(std::string("echo first\nplayer 0 0 0\n") + c.line + "\n");
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");  // nothing ran
        EXPECT_TRUE(r.err.starts_with(std::string("t.scn:3: ") + c.says)) << r.err;
    }
}

// Keys of the object at `path` ("vehicles.1", "player", "peds.20") in a state line.
std::vector<std::string> stateKeys(const std::string& json, const std::string& objectStart) {
    const std::size_t start = json.find(objectStart);
    std::vector<std::string> keys;
    if (start == std::string::npos) return keys;
    int depth = 0;
    for (std::size_t i = start + objectStart.size() - 1; i < json.size(); ++i) {
        const char c = json[i];
        if (c == '{' || c == '[') ++depth;
        if (c == '}' || c == ']') {
            if (--depth == 0) break;
        }
        if (c == '"' && depth == 1 && (json[i - 1] == '{' || json[i - 1] == ',')) {
            const std::size_t end = json.find('"', i + 1);
            keys.push_back(json.substr(i + 1, end - i - 1));
            i = end;
        }
    }
    return keys;
}

TEST_F(ExpectTest, FieldsAreTheKeysStatePrints) {
    const RunResult r = run("player 0 0 0\nvehicle 1 car 3 0 0\nped 20 5 0 0\nstate\n");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto names = [](std::span<const std::string_view> fields) {
        return std::vector<std::string>(fields.begin(), fields.end());
    };
    EXPECT_EQ(names(expectVehicleFields()), stateKeys(r.out, "\"1\":{"));
    EXPECT_EQ(names(expectPlayerFields()), stateKeys(r.out, "\"player\":{"));
    EXPECT_EQ(names(expectPedFields()), stateKeys(r.out, "\"20\":{"));
    EXPECT_GE(expectVehicleFields().size(), 27u);
}

// One value as a report writes it.
JsonValue written(void (*write)(JsonWriter&)) {
    JsonWriter j(JsonWriter::Keep::TextAndValues);
    write(j);
    return j.kept();
}

TEST(ExpectValues, ValueFormsMatchWhatTheReportPrints) {
    const JsonValue twenty = written([](JsonWriter& j) { j.value(20); });
    const JsonValue tenth = written([](JsonWriter& j) { j.value(0.1f); });
    const JsonValue yes = written([](JsonWriter& j) { j.value(true); });
    const JsonValue no = written([](JsonWriter& j) { j.value(false); });
    const JsonValue null = written([](JsonWriter& j) { j.null(); });
    const JsonValue plate = written([](JsonWriter& j) { j.value("KESTRIN "); });
    const JsonValue sides = written([](JsonWriter& j) { j.beginArray().value(true).value(false).value(true).value(true).endArray(); });
    const JsonValue doors = written([](JsonWriter& j) {
        j.beginArray();
        for (float d : {0.0f, 0.5f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f}) j.value(d);
        j.endArray();
    });
    const JsonValue none = written([](JsonWriter& j) { j.beginArray().endArray(); });
    const JsonValue minusOne = written([](JsonWriter& j) { j.value(-1); });
    const JsonValue seven = written([](JsonWriter& j) { j.value(7); });
    const JsonValue ff = written([](JsonWriter& j) { j.value(255); });
    const JsonValue radio = written([](JsonWriter& j) { j.value("RADIO_02_POP"); });
    const JsonValue off = written([](JsonWriter& j) { j.value("off"); });
    const JsonValue quoted = written([](JsonWriter& j) { j.value("a \"b\""); });
    const JsonValue one = written([](JsonWriter& j) { j.beginArray().value(1).endArray(); });
    struct Case {
        const JsonValue& actual;
        const char* expected;
        bool matches;
    };
    const Case cases[] = {
        {twenty, "20", true},        {twenty, "20.0", true},
        {tenth, "0.1", true},        {tenth, "0.100000001", true},  // the same float
        {tenth, "0.11", false},      {minusOne, "-1", true},
        {ff, "0xFF", true},          {twenty, "21", false},
        {yes, "true", true},         {yes, "1", true},
        {no, "0", true},             {no, "true", false},
        {no, "no", false},           {null, "null", true},
        {null, "0", false},          {seven, "null", false},
        {radio, "RADIO_02_POP", true}, {plate, "\"KESTRIN \"", true},
        {plate, "KESTRIN", false},   {off, "OFF", false},
        {quoted, "a \"b\"", true},   {sides, "1,0,1,1", true},
        {sides, "[true, false, 1, 1]", true}, {sides, "1,0,1", false},
        {sides, "1,0,1,1,1", false}, {sides, "1,1,1,1", false},
        {doors, "0,0.5,1,0,0,0,0,0", true}, {none, "[]", true},
        {one, "[]", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(jsonValueMatches(c.actual, c.expected), c.matches) << c.actual.written << " vs " << c.expected;
    }
    // What a failed line prints is the value as the report wrote it.
    EXPECT_EQ(sides.written, "[true,false,true,true]");
    EXPECT_EQ(doors.items[1].written, "0.5");
}

TEST_F(ExpectTest, ShippedIniWritesTheShippedFileByteForByte) {
    const auto repo = std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();
    const std::string shipped = fileBytes(repo / "dist" / "TavrelConfig.ini");
    ASSERT_GT(shipped.size(), 1000u);
    // Over a file of its own, too: the whole file is replaced.
    const RunResult r = run("ini Vehicle stray 1\nshipped-ini\nexpect ini-unchanged\nexpect ini Keys menu_toggle_switch 120\n"
                      "player 0 0 0\nstart\nsettings\nexpect ini-unchanged\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(fileBytes("TavrelConfig.ini"), shipped);
    EXPECT_NE(r.out.find("\"animation\":2"), std::string::npos);  // the shipped file's gesture, read at start
    EXPECT_EQ(std::string(shippedIniBytes()), shipped);
}

TEST_F(ExpectTest, ChangesOnlyTimelineLeavesOutQueriesAndMenuDrawing) {
    const std::string scenario = kQuiet + "ini Keys menu_toggle_switch 120\nplayer 0 0 0\nvehicle 1 car 3 0 0\nstart\n"
                                          "tap L\ntap F9\nwait 300\n";
    ScenarioOptions full;
    full.timeline = true;
    ScenarioOptions changes = full;
    changes.timeline_changes = true;
    const RunResult all = run(scenario, full);
    freshDirectory();
    const RunResult some = run(scenario, changes);
    ASSERT_EQ(all.status, 0) << all.err;
    ASSERT_EQ(some.status, 0) << some.err;

    // Every line of the short one is in the full one, in the same order.
    std::istringstream lines(some.out);
    std::size_t at = 0;
    int shown = 0;
    for (std::string line; std::getline(lines, line); ++shown) {
        at = all.out.find(line + "\n", at);
        ASSERT_NE(at, std::string::npos) << line;
    }
    EXPECT_LT(shown * 5, lineCount(all.out));

    for (const char* query : {" PLAYER_PED_ID(", " IS_ENTITY_DEAD(", " GET_ENTITY_COORDS(", " DOES_ENTITY_EXIST(",
                              " IS_CONTROL_PRESSED(", " DRAW_RECT(", " SET_TEXT_SCALE(", " BEGIN_TEXT_COMMAND_DISPLAY_TEXT(",
                              "ADD_TEXT_COMPONENT_SUBSTRING_PLAYER_NAME(\"LOCKS\")"}) {
        EXPECT_NE(all.out.find(query), std::string::npos) << query;  // so that leaving it out means something
        EXPECT_EQ(some.out.find(query), std::string::npos) << query;
    }
    for (const char* change : {" SET_VEHICLE_DOORS_LOCKED(", " SET_VEHICLE_ALARM(", " PLAY_SOUND_FRONTEND(",
                               " SET_PLAYER_CONTROL(", "window key down 0x4C", "window key up 0x78",
                               " BEGIN_TEXT_COMMAND_THEFEED_POST(",
                               "ADD_TEXT_COMPONENT_SUBSTRING_PLAYER_NAME(\"Tavrel 2.2 by Kestrin\")"}) {
        EXPECT_NE(some.out.find(change), std::string::npos) << change;
    }
    EXPECT_TRUE(isQueryNative("GET_VEHICLE_DOOR_LOCK_STATUS"));
    EXPECT_TRUE(isQueryNative("PLAYER_ID"));
    EXPECT_FALSE(isQueryNative("SET_VEHICLE_DOORS_LOCKED"));
    EXPECT_FALSE(isQueryNative("REQUEST_ANIM_DICT"));
}

// A room with checks of its own adds a kind.
std::optional<std::string> plantedKind(const CommandContext& c, ExpectCursors&) {
    c.argCount(2, 2);
    if (c.arg(1) != "odd" && c.arg(1) != "even") c.fail("expect frame-parity: expected odd or even");
    if (!c.run) return std::nullopt;
    const bool odd = c.sim.frame() % 2 == 1;
    if (odd == (c.arg(1) == "odd")) return std::nullopt;
    return "frame " + std::to_string(c.sim.frame());
}

TEST_F(ExpectTest, AnAddedKindChecksAndEvaluatesLikeTheBuiltInOnes) {
    addExpectKind({"frame-parity", "odd|even", plantedKind});
    EXPECT_EQ(expectKinds().back().name, "frame-parity");
    EXPECT_EQ(run("player 0 0 0\nstart\nexpect frame-parity odd\n").status, 0);
    const RunResult bad = run("player 0 0 0\nstart\nframes 1\nexpect frame-parity odd\n");
    EXPECT_EQ(bad.status, 3);
    EXPECT_EQ(bad.err, "t.scn:4: expected frame-parity odd, got frame 2\n");
    const RunResult wrong = run("echo x\nexpect frame-parity sometimes\n");
    EXPECT_EQ(wrong.status, 2);
    EXPECT_EQ(wrong.err, "t.scn:2: expect frame-parity: expected odd or even\n");
}

}  // namespace
}  // namespace tavrel::sim
