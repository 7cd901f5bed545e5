// The converter's inside (to_scenario.cpp): what the recording tells about
// the world (a first pass over it), the recording as frames, and the world
// rebuilt beside a running simulator.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "sim/protocol/simulator.h"
#include "sim/replay/recording.h"

namespace tavrel::sim {

// What the recording shows of one game handle, as first seen.
struct EntityFacts {
    bool vehicle = false;
    bool ped = false;
    std::optional<Vec3> pos;
    std::optional<std::uint32_t> model;
    std::optional<int> lock;
    std::optional<bool> neon[4];
    std::optional<Rgb> neon_rgb, primary, secondary;
    std::optional<bool> driveable, convertible, engine;
    std::optional<float> speed, forward;
    std::optional<std::optional<float>> ground;  // nullopt inside: no ground found
    std::optional<float> doors[kDoorCount];
};

struct Facts {
    int player = 0;  // the recording's player handle
    std::map<int, EntityFacts> entities;
    std::set<int> made_by_plugin;  // objects and blips the plug-in created
    std::map<std::uint32_t, std::string> names;  // GET_HASH_KEY: hash -> name
    std::set<std::string> dicts_asked, dicts_loaded;
    std::set<std::uint32_t> models_asked, models_loaded;
    std::map<std::uint32_t, std::string> model_kinds;  // model -> scenario kind word
    std::optional<std::uint32_t> first_tick;           // the first frame's clock
    int player_vehicle = 0;                            // the first vehicle the player is seen in or at
    std::uint64_t frames = 0;
};

// The first pass: every event once.
Facts gatherFacts(const RecordingFile& file);

// One frame of the recording: the key messages that came before it, and the
// events of the fibres that ran in it.
struct RecFrame {
    std::uint64_t index = 0;
    std::vector<RecEvent> keys_before;
    std::vector<RecEvent> events;
    std::optional<std::uint32_t> tick;  // its first clock read
};

class FrameSource {
public:
    explicit FrameSource(const RecordingFile& file) : reader_(file) {}
    // The next frame; false at the end.
    bool next(RecFrame& frame);
    // The recording ended with the plug-in's unload.
    bool unloaded() const { return unloaded_; }

private:
    RecordingReader reader_;
    bool started_ = false;
    bool unloaded_ = false;
    std::vector<RecEvent> keys_;
};

// An answer of the world: a query about an entity (the door or neon side
// it names, -1 for none).
struct AnswerKey {
    int entity = 0;
    std::string query;
    int index = -1;
    auto operator<=>(const AnswerKey&) const = default;
};
// The answer a recorded query gives, and those a recorded call of the
// plug-in changes (a lock changes the lock status, ...): a query after
// such a call in its frame shows the plug-in's doing, not the world's.
AnswerKey answerKeyOf(const NativeInfo& native, const RecEvent& query);
std::vector<AnswerKey> answersChangedBy(const NativeInfo& native, const RecEvent& call);
// The scenario's word for the kind of a vehicle model, from its answers.
std::string kindWordOf(const Facts& facts, std::optional<std::uint32_t> model);

// A float as the scenario reads it back exactly ("12.5", "-0.25").
std::string decimalText(float value);

}  // namespace tavrel::sim
