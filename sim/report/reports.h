// What the simulator prints: the `state`, `settings` and `screen` JSON
// lines, the SVG screenshot, and the trace as JSON lines or timeline text.
// Every JSON report is one compact line with a fixed key order.
#pragma once
#include <string>
#include <string_view>

#include "sim/protocol/simulator.h"
#include "sim/report/json_writer.h"

namespace tavrel::sim {

// The world as the scenario contract describes it. Sounds and horns are
// those since the previous stateJson (marks them reported).
std::string stateJson(Simulator& sim);
// Parts of `state` as values (JsonValue::written: as `state` prints them),
// marking nothing reported: the "player" object, one vehicle's object, one
// character's object.
JsonValue playerStateValue(World& world);
JsonValue vehicleStateValue(World& world, const SimVehicle& vehicle);
JsonValue pedStateValue(World& world, const SimPed& ped);
// Every Settings field under its INI key, in the record's order: of the
// plug-in (pluginSettings()) or of the given record; as a value too.
std::string settingsJson();
std::string settingsJson(const Settings& settings);
JsonValue settingsValue(const Settings& settings);
// Every RuntimeState field under its name: of the plug-in (pluginRuntime())
// or of the given record.
std::string runtimeJson();
std::string runtimeJson(const RuntimeState& runtime);
// The last frame's texts and rectangles in drawing order, normalised units.
std::string screenJson(const Drawing& drawing);
// The drawing as an SVG picture of `width` x `height` pixels; with a world,
// its map blips in the map's corner too (in their colours; none: no map).
std::string screenSvg(const Drawing& drawing, int width, int height, World* world = nullptr);

// "0x0055" for (0x55, 4): upper-case hex digits, at least `digits`.
std::string hexText(std::uint64_t value, int digits);

// {"t":..,"fiber":..,"hash":"0x..","name":..,"args":[..]}
std::string traceJson(const TraceEntry& entry);
// A keyboard message sent to the plug-in's handlers:
// {"t":3601016,"key":85,"down":true,"repeat":false} (key: the virtual-key
// code; down: false for a release; repeat: a key-repeat down).
std::string traceJson(const KeyMessage& message);
// "3601016 main SET_VEHICLE_DOORS_LOCKED(1027, 2)"
std::string timelineLine(const TraceEntry& entry);
// "3601016 window key down 0x55"
std::string timelineLine(const KeyMessage& message);

// The changes-only timeline: which native calls it shows. Left out are pure
// queries (GET_, IS_, HAS_, DOES_, PLAYER_ID, PLAYER_PED_ID), the HUD drawing
// the menu repeats every frame (SET_TEXT_*, DRAW_RECT, the display-text and
// line-count text commands with their ADD_TEXT_COMPONENT_* calls); shown is
// every other call (setters, requests, sounds, notifications, ...). It
// follows each fibre's open text command, so it sees the calls in order.
class ChangeFilter {
public:
    bool shows(const TraceEntry& entry);

private:
    // Per fibre (main, menu, host): inside a hidden text command.
    bool in_hidden_text_[3] = {};
};
// True for a native that only asks (see ChangeFilter).
bool isQueryNative(std::string_view name);

}  // namespace tavrel::sim
