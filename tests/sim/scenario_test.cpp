// Scenario files: every command's syntax, errors reported as FILE:LINE with
// exit status 2 before anything runs, the world commands, the INI commands,
// and the shape of the JSON reports.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>

#include "config/settings.h"
#include "host/host_abi.h"
#include "host/native_invoker.h"
#include "sim/report/reports.h"
#include "sim/play/play.h"
#include "sim/scenario/scenario.h"
#include "sim/scenario/scenario_context.h"
#include "sim/scenario/scenario_values.h"
#include "support/sandbox.h"
#include "support/scenario_run.h"

namespace tavrel::sim {
namespace {

using RunResult = tavrel::testing::ScenarioRun;

RunResult run(const std::string& text) { return tavrel::testing::runScenarioText(text); }

// Runs each case in a fresh directory: the INI file lives in the cwd.
class ScenarioTest : public ::testing::Test {
protected:
    static std::string iniBytes() {
        std::ifstream in("TavrelConfig.ini", std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    tavrel::testing::Sandbox sandbox_;  // each case in a fresh working directory: the INI file lives there
};

// Every command of the table is in the scenario reference and the README,
// and a wrong number of arguments prints that command's own form.
TEST_F(ScenarioTest, EveryCommandIsDocumentedAndPrintsItsUsage) {
    registerPlayCommands();  // plant
    const std::string root = TAVREL_SOURCE_DIR;
    for (const char* file : {"/docs/scenario-language.md", "/README.md"}) {
        std::ifstream in(root + file);
        ASSERT_TRUE(in) << file;
        const std::string doc((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        for (const ScenarioCommand& row : scenarioCommands()) {
            std::string word = "`";
            word += row.word;
            EXPECT_TRUE(doc.find(word + " ") != std::string::npos || doc.find(word + "`") != std::string::npos)
                << file << " does not name " << row.word;
        }
    }
    for (const ScenarioCommand& row : scenarioCommands()) {
        if (row.most == ScenarioCommand::kNoLimit && row.least == 0) continue;  // any number is right
        const std::size_t wrong = row.most != ScenarioCommand::kNoLimit ? row.most + 1 : row.least - 1;
        std::string line(row.word);
        for (std::size_t i = 0; i < wrong; ++i) line += " 1";
        const RunResult r = run(line + (row.word == "ini-text" ? "\nend\n" : "\n"));
        const std::string usage = std::string(row.word) + (row.usage.empty() ? " takes no arguments" : " " + std::string(row.usage));
        EXPECT_EQ(r.status, 2) << line;
        EXPECT_NE(r.err.find("(" + usage + ")"), std::string::npos) << line << ": " << r.err;
    }
}

TEST_F(ScenarioTest, ErrorsNameFileAndLineAndStopBeforeAnythingRuns) {
    struct Case {
        const char* text;
        int line;  // within `text`
        const char* says;
    };
    const Case cases[] = {
        {"frobnicate\n", 1, "unknown command: frobnicate"},
        {"# comment\n\nwait abc\n", 3, "not a number"},
        {"tap NUMPAD10\n", 1, "unknown key"},
        {"hold A\n", 1, "expected 2 arguments"},
        {"vehicle 1 tank 0 0 0\n", 1, "unknown vehicle kind"},
        {"vehicle 1 car 0 0\n", 1, "vehicle: expected"},
        {"vehicle 1 car 0 0 0 colour=red\n", 1, "unknown vehicle option"},
        {"vehicle 1 car 0 0 0 neon=12\n", 1, "neon="},
        {"vehicle 1 car 0 0 0 door=8,1\n", 1, "door="},
        {"vehicle 1 car 0 0 0 passenger=9\n", 1, "passenger= wants SEAT,PED"},
        {"vehicle 1 boat 0 0 0 water=-3\n", 1, "water= wants a depth"},
        {"enter 1 halfway\n", 1, "expected the stage door or climb"},
        {"player 1 2 x\n", 1, "not a decimal"},
        {"dead 2\n", 1, "expected 0 or 1"},
        {"key sideways A\n", 1, "expected down or up"},
        {"echo a\nini-text\n[Keys]\n", 2, "without its end"},
        {"end\n", 1, "end without ini-text"},
        {"ped 0 1 1 1\n", 1, "ID out of range"},
    };
    for (const Case& c : cases) {
        const RunResult r = run(std::string("echo ran\n") + c.text);
        EXPECT_EQ(r.status, 2) << c.text;
        EXPECT_EQ(r.out, "") << c.text;  // checked before the first command ran
        const std::string where = "t.scn:" + std::to_string(c.line + 1) + ": ";  // after the echo line
        EXPECT_EQ(r.err.rfind(where, 0), 0u) << c.text << " -> " << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.text << " -> " << r.err;
    }
}

TEST_F(ScenarioTest, WorldErrorsStopWhenTheCommandRuns) {
    const RunResult missing = run("echo one\nsit 4\necho two\n");
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.out, "one\n");
    EXPECT_EQ(missing.err, "t.scn:2: no vehicle 4\n");
    EXPECT_NE(run("ped 2 0 0 0\nvehicle 2 car 0 0 0\n").err.find("t.scn:2: ID 2 is already in use"), std::string::npos);
    EXPECT_NE(run("vehicle 3 car 0 0 0 driver=9\n").err.find("no character 9"), std::string::npos);
    EXPECT_NE(run("ped 9 0 0 0\nvehicle 3 bicycle 0 0 0 passenger=0,9\n").err.find("bicycle has no seat 0 (seats -1 ... -1)"),
              std::string::npos);
    EXPECT_NE(run("unload\n").err.find("not loaded"), std::string::npos);
    EXPECT_NE(run("delete 5\n").err.find("no vehicle or character 5"), std::string::npos);
}

void callsAnUnknownNative() {
    for (int frame = 0;; ++frame) {
        if (frame == 2) {
            host::nativeInit(0x0123456789ABCDEFULL);
            host::nativeCall();
        }
        host::scriptWait(0);
    }
}

TEST_F(ScenarioTest, ProtocolFaultStopsTheRunWithStatus1) {
    static char module;
    Simulator sim;
    host::scriptRegister(&module, &callsAnUnknownNative);
    std::istringstream in("echo before\nframes 5\necho after\n");
    std::ostringstream out;
    std::ostringstream err;
    ScenarioOptions options;
    options.start_tick = 1000;
    options.frame_ms = 10;
    EXPECT_EQ(runScenarioOn(sim, in, "f.scn", options, out, err), 1);
    EXPECT_EQ(out.str(), "before\n");
    EXPECT_EQ(err.str(), "f.scn:2: tick 1020, main: unknown native [0x0123456789ABCDEF]\n");
}

TEST(ScenarioValues, NumbersAndKeyNames) {
    EXPECT_EQ(parseInteger("0x10"), 16);
    EXPECT_EQ(parseInteger("-7"), -7);
    EXPECT_EQ(parseInteger("1.5"), std::nullopt);
    EXPECT_EQ(parseInteger(""), std::nullopt);
    EXPECT_EQ(parseInteger("0x"), std::nullopt);
    EXPECT_EQ(parseDecimal("-12.5"), -12.5f);
    EXPECT_EQ(parseDecimal("3"), 3.0f);
    EXPECT_EQ(parseDecimal("1e5"), std::nullopt);
    const std::pair<const char*, std::uint32_t> keys[] = {
        {"A", 0x41},     {"z", 0x5A},        {"5", 0x35},     {"F1", 0x70},    {"F24", 0x87},
        {"NUMPAD0", 0x60}, {"NUMPAD9", 0x69}, {"BACK", 0x08},  {"RETURN", 0x0D}, {"SHIFT", 0x10},
        {"CONTROL", 0x11}, {"MENU", 0x12},    {"ESCAPE", 0x1B}, {"SPACE", 0x20},  {"LEFT", 0x25},
        {"UP", 0x26},    {"RIGHT", 0x27},    {"DOWN", 0x28},  {"0x55", 0x55},  {"85", 85},
    };
    for (const auto& [name, code] : keys) EXPECT_EQ(parseKey(name), code) << name;
    for (const char* bad : {"F0", "F25", "NUMPAD", "-1", "SUPER", ""}) EXPECT_EQ(parseKey(bad), std::nullopt) << bad;
}

TEST_F(ScenarioTest, StateShowsTheWorldInAFixedShape) {
    const RunResult r = run(
        "ped 30 0 0 0\n"
        "vehicle 12 car 5 6 7 neon=1010 door=2,0.5 primary=1,2,3 lock=2 convertible=1 driver=30\n"
        "vehicle 13 bike 50 0 0 radio=RADIO_02_POP forward=-2 speed=3\n"
        "weapon WEAPON_PISTOL\n"
        "sit 12\n"
        "state\n"
        "exit\n"
        "delete 13\n"
        "state\n");
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream lines(r.out);
    std::string first, second;
    std::getline(lines, first);
    std::getline(lines, second);
    EXPECT_EQ(first.rfind("{\"t\":3600000,\"frame\":0,\"player\":{\"x\":5,\"y\":6,\"z\":7,\"vehicle\":12,"
                          "\"entering\":null,\"control\":true,\"weapon\":\"WEAPON_PISTOL\",\"ragdolls\":0,\"anim\":null",
                          0),
              0u)
        << first;
    std::size_t at = 0;
    for (const char* key : {"\"vehicles\":{\"12\":{\"lock\":2,", "\"neon\":[true,false,true,false]",
                            "\"neon_rgb\":[255,0,255]", "\"doors\":[0,0,0.5,0,0,0,0,0]", "\"roof\":\"up\"",
                            "\"primary\":[1,2,3]", "\"13\":{", "\"radio\":\"RADIO_02_POP\"", "\"peds\":{\"30\":{\"ragdolls\":0,\"anim\":null,\"vehicle\":12,\"seat\":-1,\"entering\":null,\"entry\":null}}",
                            "\"props\":[]", "\"mp_audio\":false", "\"sounds\":[]", "\"horns\":[]", "\"notifications\":[]}"}) {
        const std::size_t found = first.find(key, at);
        ASSERT_NE(found, std::string::npos) << key << " in order in " << first;
        at = found;
    }
    EXPECT_NE(second.find("\"x\":7,\"y\":6,\"z\":7,\"vehicle\":null"), std::string::npos) << second;  // beside the car
    EXPECT_EQ(second.find("\"13\":"), std::string::npos);
    Simulator sim;
    std::istringstream in("vehicle 13 bike 50 0 0 forward=-2 speed=3\n");
    std::ostringstream out;
    ASSERT_EQ(runScenarioOn(sim, in, "v.scn", ScenarioOptions{}, out, out), 0);
    EXPECT_EQ(sim.world().vehicleById(13)->speed, 3.0f);
    EXPECT_EQ(sim.world().vehicleById(13)->forward, -2.0f);
}

TEST(ScenarioReports, SoundsAndHornsSinceThePreviousState) {
    Simulator sim;
    SimVehicle& v = sim.world().addVehicle(4, VehicleKind::Car, {});
    sim.recordSound("Remote_Control_Open", "PI_Menu_Sounds", "id", v.id);
    sim.recordSound("NAV_UP_DOWN", "HUD_FRONTEND_DEFAULT_SOUNDSET", "frontend");
    sim.recordHorn(4, 10);
    sim.postNotification("hi");
    const std::string first = stateJson(sim);
    EXPECT_NE(first.find("\"sounds\":[[3600000,\"Remote_Control_Open\",\"PI_Menu_Sounds\",4],"
                         "[3600000,\"NAV_UP_DOWN\",\"HUD_FRONTEND_DEFAULT_SOUNDSET\",\"frontend\"]],"
                         "\"horns\":[[3600000,4,10]],\"notifications\":[\"hi\"]}"),
              std::string::npos)
        << first;
    sim.runFrame();
    sim.recordSound("Remote_Control_Fob", "PI_Menu_Sounds", "player");
    const std::string second = stateJson(sim);
    EXPECT_NE(second.find("\"sounds\":[[3600016,\"Remote_Control_Fob\",\"PI_Menu_Sounds\",\"player\"]],"
                          "\"horns\":[],\"notifications\":[\"hi\"]}"),
              std::string::npos)
        << second;
}

TEST(ScenarioReports, SettingsListEveryFieldUnderItsIniKey) {
    resetSettings();
    std::strcpy(settings.set_vehicle_license_plate_text, "A\"B");
    const std::string json = settingsJson();
    resetSettings();
    std::size_t at = 0;
    int fields = 0;
#define TAVREL_TEST_FIELD(kind, section, field, ...)                                    \
    {                                                                                   \
        const std::size_t found = json.find("\"" #field "\":", at);                     \
        EXPECT_NE(found, std::string::npos) << #field;                                  \
        if (found != std::string::npos) at = found;                                     \
        ++fields;                                                                       \
    }
    TAVREL_SETTINGS_FIELDS(TAVREL_TEST_FIELD)
#undef TAVREL_TEST_FIELD
    int keys = 0;  // nothing but the fields
    for (std::size_t k = json.find("\":"); k != std::string::npos; k = json.find("\":", k + 1)) ++keys;
    EXPECT_EQ(keys, fields);
    EXPECT_EQ(json.front(), '{');
    EXPECT_EQ(json.back(), '}');
    EXPECT_NE(json.find("\"set_vehicle_license_plate_text\":\"A\\\"B\""), std::string::npos);
    EXPECT_NE(json.find("\"menu_size\":5,\"menu_width\":350,"), std::string::npos);
    EXPECT_NE(json.find("\"current_player_vehicle_blip\":false,"), std::string::npos);
    EXPECT_NE(json.find("\"menu_toggle_switch\":120,"), std::string::npos);
}

TEST_F(ScenarioTest, IniCommandsEditTheFileInTheWorkingDirectory) {
    ASSERT_EQ(run("ini Vehicle lock_flash_interval 250\n").status, 0);
    EXPECT_EQ(iniBytes(), "[Vehicle]\r\nlock_flash_interval=250\r\n");
    run("ini Vehicle LOCK_FLASH_INTERVAL 300\nini Keys lock 0x4C\nini vehicle set_vehicle_license_plate_text AB #1  \n");
    EXPECT_EQ(iniBytes(),
              "[Vehicle]\r\nLOCK_FLASH_INTERVAL=300\r\nset_vehicle_license_plate_text=AB #1\r\n[Keys]\r\nlock=0x4C\r\n");
    ASSERT_EQ(run("ini-text\n[Menu]\r\nmenu_size = 12 \n\nend\n").status, 0);
    EXPECT_EQ(iniBytes(), "[Menu]\r\nmenu_size = 12 \r\n\r\n");
    run("no-ini\n");
    EXPECT_FALSE(std::filesystem::exists("TavrelConfig.ini"));
}

TEST_F(ScenarioTest, PluginLoadsUnloadsAndLoadsAgainCleanly) {
    const RunResult r = run("player 0 0 0\nstart\necho loaded\nwait 100\nunload\nstart\nframes 3\nunload\nstate\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.rfind("loaded\n", 0), 0u);
    EXPECT_NE(r.out.find("\"frame\":12,"), std::string::npos) << r.out;  // 1 + 7 + 1 + 3 frames
}

TEST(ScenarioReports, ScreenshotDrawsBoxesInTheirColoursAndTextOnTop) {
    Drawing d;
    d.rects.push_back(RectItem{0.5f, 0.5f, 0.5f, 0.5f, Rgba{60, 104, 166, 51}});
    d.texts.push_back(TextItem{"A<B", 0.25f, 0.25f, 0.5f, 4, Rgba{255, 255, 255, 255}, false});
    const std::string svg = screenSvg(d, 200, 100);
    const std::size_t rect = svg.find("<rect x=\"50.0\" y=\"25.0\" width=\"100.0\" height=\"50.0\" "
                                      "fill=\"rgb(60,104,166)\" fill-opacity=\"0.200\"/>");
    const std::size_t text = svg.find(">A&lt;B</text>");
    EXPECT_NE(rect, std::string::npos) << svg;
    EXPECT_NE(text, std::string::npos) << svg;
    EXPECT_LT(rect, text);
    EXPECT_EQ(screenJson(d), "{\"texts\":[{\"text\":\"A<B\",\"x\":0.25,\"y\":0.25,\"scale\":0.5,\"font\":4,"
                             "\"rgba\":[255,255,255,255],\"centre\":false}],\"rects\":[{\"x\":0.5,\"y\":0.5,"
                             "\"w\":0.5,\"h\":0.5,\"rgba\":[60,104,166,51]}]}");
}

// The <text ...>...</text> element of the picture that holds `content`.
std::string textElement(const std::string& svg, const std::string& content) {
    const std::size_t end = svg.find(">" + content + "</text>");
    if (end == std::string::npos) return {};
    const std::size_t begin = svg.rfind("<text ", end);
    return svg.substr(begin, end - begin + content.size() + 8);
}

TEST(ScenarioReports, ScreenshotKeepsSpacesAndDrawsFont4Condensed) {
    Drawing d;
    d.texts.push_back(TextItem{"Neon  Lights      [ON]", 0.1f, 0.1f, 0.5f, 4, Rgba{255, 255, 255, 255}, false});
    d.texts.push_back(TextItem{"Menu Size:\t<< 5.0 >>", 0.1f, 0.2f, 0.5f, 4, Rgba{255, 255, 255, 255}, false});
    d.texts.push_back(TextItem{"  plain   face", 0.1f, 0.3f, 0.5f, 0, Rgba{255, 255, 255, 255}, false});
    const std::string svg = screenSvg(d, 1280, 720);

    const std::string neon = textElement(svg, "Neon  Lights      [ON]");
    ASSERT_FALSE(neon.empty()) << "the runs of spaces are written as they stand: " << svg;
    EXPECT_NE(neon.find("xml:space=\"preserve\""), std::string::npos) << neon;
    EXPECT_NE(neon.find("white-space:pre"), std::string::npos) << neon;
    EXPECT_NE(neon.find("font-family=\"'DejaVu Sans Condensed', "), std::string::npos) << neon;
    EXPECT_NE(neon.find("font-stretch=\"condensed\""), std::string::npos) << neon;

    // The game's HUD text has no tab stops: a tab is one space wide.
    EXPECT_NE(textElement(svg, "Menu Size: &lt;&lt; 5.0 &gt;&gt;"), "") << svg;
    EXPECT_EQ(svg.find('\t'), std::string::npos);

    const std::string plain = textElement(svg, "  plain   face");
    ASSERT_FALSE(plain.empty()) << svg;
    EXPECT_NE(plain.find("xml:space=\"preserve\""), std::string::npos) << plain;
    EXPECT_NE(plain.find("font-family=\"sans-serif\""), std::string::npos) << plain;
    EXPECT_EQ(plain.find("condensed"), std::string::npos) << "only font 4 is condensed: " << plain;
}

int resolution_seen[2] = {};

void asksTheScreenResolution() {
    for (;;) {
        invoke(nat::GET_SCREEN_RESOLUTION, &resolution_seen[0], &resolution_seen[1]);
        host::scriptWait(0);
    }
}

TEST_F(ScenarioTest, ScreenSizeSetsThePictureOnlyTheGameAnswers1280x720) {
    static char module;
    struct Case {
        const char* command;
        const char* picture;  // the screenshot's size
    };
    for (const Case& c : {Case{"", "width=\"1920\" height=\"1080\""},
                          Case{"screen-size 3440 1440\n", "width=\"3440\" height=\"1440\""},
                          Case{"screen-size 640 1080\n", "width=\"640\" height=\"1080\""}}) {
        Simulator sim;
        host::scriptRegister(&module, &asksTheScreenResolution);
        resolution_seen[0] = resolution_seen[1] = 0;
        std::istringstream in(std::string(c.command) + "frames 2\nscreenshot p.svg\n");
        std::ostringstream out;
        ASSERT_EQ(runScenarioOn(sim, in, "r.scn", ScenarioOptions{}, out, out), 0) << out.str();
        host::scriptUnregister(&module);
        EXPECT_EQ(resolution_seen[0], 1280) << c.command;
        EXPECT_EQ(resolution_seen[1], 720) << c.command;
        std::ifstream picture("p.svg");
        std::string header;
        std::getline(picture, header);
        EXPECT_NE(header.find(c.picture), std::string::npos) << header;
    }
}

void callsOneNativeAFrame() {
    for (;;) {
        invoke(nat::PLAYER_ID);
        host::scriptWait(0);
    }
}

// What a trace line stands for, in the timeline's words: "1020 key down 0x55",
// "1020 native PLAYER_ID".
std::string traceLineSummary(const std::string& json) {
    const std::regex key(R"re(^\{"t":(\d+),"key":(\d+),"down":(true|false),"repeat":(true|false)\}$)re");
    const std::regex native(R"re(^\{"t":(\d+),"fiber":"main","hash":"0x[0-9A-F]{16}","name":"([A-Z_0-9]+)","args":\[.*\]\}$)re");
    std::smatch m;
    if (std::regex_match(json, m, key)) {
        char vk[8];
        std::snprintf(vk, sizeof vk, "0x%02X", std::stoi(m[2]));
        return m[1].str() + " key " + (m[3] == "true" ? "down " : "up ") + vk + (m[4] == "true" ? " repeat" : "");
    }
    if (std::regex_match(json, m, native)) return m[1].str() + " native " + m[2].str();
    return "unreadable: " + json;
}

std::string timelineLineSummary(const std::string& line) {
    const std::regex key(R"re(^(\d+) window key (.*)$)re");
    const std::regex native(R"re(^(\d+) main ([A-Z_0-9]+)\(.*\)$)re");
    std::smatch m;
    if (std::regex_match(line, m, key)) return m[1].str() + " key " + m[2].str();
    if (std::regex_match(line, m, native)) return m[1].str() + " native " + m[2].str();
    return "unreadable: " + line;
}

TEST_F(ScenarioTest, TraceHoldsKeyboardMessagesInOrderWithTheCalls) {
    static char module;
    Simulator sim;
    host::scriptRegister(&module, &callsOneNativeAFrame);
    std::istringstream in("frames 2\nkey down U\nframes 1\nkey up U\nhold A 50\n");
    std::ostringstream out;
    std::ostringstream trace;
    ScenarioOptions options;
    options.start_tick = 1000;
    options.frame_ms = 10;
    options.timeline = true;
    options.trace = &trace;
    ASSERT_EQ(runScenarioOn(sim, in, "k.scn", options, out, out), 0) << out.str();
    host::scriptUnregister(&module);

    std::vector<std::string> fromTrace;
    std::istringstream traceLines(trace.str());
    for (std::string line; std::getline(traceLines, line);) fromTrace.push_back(traceLineSummary(line));
    std::vector<std::string> fromTimeline;
    std::istringstream timelineLines(out.str());
    for (std::string line; std::getline(timelineLines, line);) fromTimeline.push_back(timelineLineSummary(line));

    // A frame every 10 ms; "hold" repeats the key after 33 ms and releases it after 50.
    const std::vector<std::string> expected = {
        "1000 native PLAYER_ID", "1010 native PLAYER_ID",  "1020 key down 0x55",   "1020 native PLAYER_ID",
        "1030 key up 0x55",      "1030 key down 0x41",     "1030 native PLAYER_ID", "1040 native PLAYER_ID",
        "1050 native PLAYER_ID", "1060 native PLAYER_ID",  "1070 key down 0x41 repeat", "1070 native PLAYER_ID",
        "1080 key up 0x41",      "1080 native PLAYER_ID"};
    EXPECT_EQ(fromTrace, expected) << trace.str();
    EXPECT_EQ(fromTimeline, expected) << out.str();
    EXPECT_NE(trace.str().find("{\"t\":1020,\"key\":85,\"down\":true,\"repeat\":false}\n"), std::string::npos);
    EXPECT_NE(trace.str().find("{\"t\":1020,\"fiber\":\"main\",\"hash\":\"0x4F8644AF03D0E0D6\",\"name\":\"PLAYER_ID\",\"args\":[]}\n"),
              std::string::npos)
        << "native lines keep their shape: " << trace.str();
}

}  // namespace
}  // namespace tavrel::sim
