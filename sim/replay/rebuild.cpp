#include "sim/replay/rebuild.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "sim/protocol/native_table.h"
#include "sim/replay/replay_text.h"
#include "sim/report/reports.h"

namespace tavrel::sim {

namespace {

struct KindNative {
    const char* native;
    const char* word;
};

constexpr KindNative kKindNatives[] = {
    {"IS_THIS_MODEL_A_CAR", "car"},         {"IS_THIS_MODEL_A_BIKE", "bike"},
    {"IS_THIS_MODEL_A_QUADBIKE", "quad"},   {"IS_THIS_MODEL_A_HELI", "heli"},
    {"IS_THIS_MODEL_A_PLANE", "plane"},     {"IS_THIS_MODEL_A_BOAT", "boat"},
    {"IS_THIS_MODEL_A_BICYCLE", "bicycle"}, {"IS_THIS_MODEL_A_JETSKI", "jetski"},
    {"IS_THIS_MODEL_A_TRAIN", "train"},
};

const NativeInfo* infoOf(const RecordingFile& file, const RecEvent& e) {
    return findNative(file.natives[static_cast<std::size_t>(e.native)].hash);
}

int handleArg(const RecEvent& e, std::size_t i) { return static_cast<std::int32_t>(e.args[i].bits); }

Rgb rgbOuts(const RecEvent& e) {
    return Rgb{static_cast<int>(e.args[1].after), static_cast<int>(e.args[2].after), static_cast<int>(e.args[3].after)};
}

}  // namespace

namespace {

// Queries that name a door or a neon side in their second argument.
bool indexed(std::string_view query) {
    return query == "GET_VEHICLE_DOOR_ANGLE_RATIO" || query == "GET_VEHICLE_NEON_ENABLED";
}

}  // namespace

AnswerKey answerKeyOf(const NativeInfo& native, const RecEvent& e) {
    AnswerKey k;
    k.entity = e.args.empty() ? 0 : static_cast<std::int32_t>(e.args[0].bits);
    k.query = native.name;
    if (indexed(k.query) && e.args.size() > 1) k.index = static_cast<std::int32_t>(e.args[1].bits);
    return k;
}

std::vector<AnswerKey> answersChangedBy(const NativeInfo& native, const RecEvent& e) {
    struct Pair {
        const char* setter;
        const char* query;
    };
    static constexpr Pair kPairs[] = {
        {"SET_VEHICLE_DOORS_LOCKED", "GET_VEHICLE_DOOR_LOCK_STATUS"},
        {"SET_VEHICLE_NEON_ENABLED", "GET_VEHICLE_NEON_ENABLED"},
        {"SET_VEHICLE_NEON_COLOUR", "GET_VEHICLE_NEON_COLOUR"},
        {"SET_VEHICLE_CUSTOM_PRIMARY_COLOUR", "GET_VEHICLE_CUSTOM_PRIMARY_COLOUR"},
        {"SET_VEHICLE_CUSTOM_SECONDARY_COLOUR", "GET_VEHICLE_CUSTOM_SECONDARY_COLOUR"},
        {"SET_VEHICLE_ENGINE_ON", "GET_IS_VEHICLE_ENGINE_RUNNING"},
        {"SET_VEHICLE_DOOR_OPEN", "GET_VEHICLE_DOOR_ANGLE_RATIO"},
        {"SET_VEHICLE_DOOR_SHUT", "GET_VEHICLE_DOOR_ANGLE_RATIO"},
        {"SET_ENTITY_AS_MISSION_ENTITY", "IS_ENTITY_A_MISSION_ENTITY"},
        {"SET_ENTITY_AS_NO_LONGER_NEEDED", "IS_ENTITY_A_MISSION_ENTITY"},
        {"SET_CURRENT_PED_WEAPON", "GET_SELECTED_PED_WEAPON"},
        {"ADD_BLIP_FOR_ENTITY", "GET_BLIP_FROM_ENTITY"},
        {"REMOVE_BLIP", "GET_BLIP_FROM_ENTITY"},
        {"SET_VEH_RADIO_STATION", "GET_PLAYER_RADIO_STATION_NAME"},
        {"SET_VEHICLE_RADIO_ENABLED", "IS_PLAYER_VEH_RADIO_ENABLE"},
    };
    std::vector<AnswerKey> keys;
    const std::string_view setter = native.name;
    for (const Pair& p : kPairs) {
        if (setter != p.setter) continue;
        AnswerKey k;
        k.entity = e.args.empty() ? 0 : static_cast<std::int32_t>(e.args[0].bits);
        k.query = p.query;
        if (indexed(k.query) && e.args.size() > 1) k.index = static_cast<std::int32_t>(e.args[1].bits);
        keys.push_back(std::move(k));
    }
    return keys;
}

std::string decimalText(float value) {
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    return std::string(buf, res.ptr);
}

std::string kindWordOf(const Facts& facts, std::optional<std::uint32_t> model) {
    if (!model) return "car";
    const auto it = facts.model_kinds.find(*model);
    return it != facts.model_kinds.end() ? it->second : "car";
}

Facts gatherFacts(const RecordingFile& file) {
    Facts f;
    RecordingReader reader(file);
    std::map<std::uint32_t, std::map<std::string, bool>> kind_answers;  // model -> native -> answer
    // Answers the plug-in has changed: what later reads show is its doing.
    std::set<AnswerKey> changed;
    bool first_frame_seen = false;
    while (const RecEvent* e = reader.next()) {
        f.frames = e->frame + 1;
        if (e->kind == RecEventKind::Tick && e->context >= 0 && !first_frame_seen) {
            f.first_tick = e->number;
            first_frame_seen = true;
        }
        if (e->kind == RecEventKind::World) {
            for (const int h : e->handles) {
                EntityFacts& x = f.entities[h];
                (e->number == 1 ? x.vehicle : x.ped) = true;
            }
            continue;
        }
        if (e->kind != RecEventKind::Native || e->threw) continue;
        const NativeInfo* info = infoOf(file, *e);
        if (info == nullptr) continue;
        const std::string name = info->name;
        // Handles: their roles.
        for (std::size_t i = 0; i < e->args.size(); ++i) {
            const std::string type = paramType(*info, static_cast<int>(i));
            const int h = handleArg(*e, i);
            if (h == 0) continue;
            if (type == "Vehicle") f.entities[h].vehicle = true;
            if (type == "Ped") f.entities[h].ped = true;
        }
        const int result = static_cast<std::int32_t>(e->result.bits);
        if (name == "PLAYER_PED_ID") {
            f.player = result;
            f.entities[result].ped = true;
        } else if ((name == "CREATE_OBJECT" || name == "ADD_BLIP_FOR_ENTITY") && result != 0) {
            f.made_by_plugin.insert(result);
        } else if ((name == "GET_VEHICLE_PED_IS_IN" || name == "GET_PLAYERS_LAST_VEHICLE") && result != 0) {
            f.entities[result].vehicle = true;
            if (f.player_vehicle == 0) f.player_vehicle = result;
        } else if (name == "GET_PED_IN_VEHICLE_SEAT" && result != 0) {
            f.entities[result].ped = true;
        } else if (name == "GET_HASH_KEY" && !e->args[0].null) {
            f.names[e->result.bits] = e->args[0].text;
        } else if (name == "HAS_ANIM_DICT_LOADED" && !e->args[0].null) {
            f.dicts_asked.insert(e->args[0].text);
            if (e->result.bits != 0) f.dicts_loaded.insert(e->args[0].text);
        } else if (name == "HAS_MODEL_LOADED") {
            f.models_asked.insert(e->args[0].bits);
            if (e->result.bits != 0) f.models_loaded.insert(e->args[0].bits);
        }
        for (const KindNative& k : kKindNatives) {
            if (name == k.native) kind_answers[e->args[0].bits][k.word] = e->result.bits != 0;
        }
        if (!isQueryNative(info->name)) {
            for (const AnswerKey& k : answersChangedBy(*info, *e)) changed.insert(k);
            continue;
        }
        // A first read, before the plug-in changed that answer.
        if (e->args.empty()) continue;
        const int h = handleArg(*e, 0);
        if (h == 0 || changed.count(answerKeyOf(*info, *e)) != 0 || !isHandleType(paramType(*info, 0))) {
            if (name == "GET_GROUND_Z_FOR_3D_COORD") {
                // Below which vehicle: the one at those coordinates.
                for (auto& [handle, x] : f.entities) {
                    if (x.pos && std::fabs(x.pos->x - floatOfBits(e->args[0].bits)) <= 0.5f &&
                        std::fabs(x.pos->y - floatOfBits(e->args[1].bits)) <= 0.5f && !x.ground) {
                        x.ground = e->result.bits != 0 ? std::optional<float>(floatOfBits(e->args[3].after)) : std::nullopt;
                    }
                }
            }
            continue;
        }
        EntityFacts& x = f.entities[h];
        if (name == "GET_ENTITY_COORDS" && !x.pos) {
            x.pos = Vec3{floatOfBits(e->result.bits), floatOfBits(e->result.more[0]), floatOfBits(e->result.more[1])};
        } else if (name == "GET_ENTITY_MODEL" && !x.model) {
            x.model = e->result.bits;
        } else if (name == "GET_VEHICLE_DOOR_LOCK_STATUS" && !x.lock) {
            x.lock = result;
        } else if (name == "GET_VEHICLE_NEON_ENABLED") {
            const auto side = static_cast<int>(e->args[1].bits);
            if (side >= 0 && side < 4 && !x.neon[side]) x.neon[side] = e->result.bits != 0;
        } else if (name == "GET_VEHICLE_NEON_COLOUR" && !x.neon_rgb) {
            x.neon_rgb = rgbOuts(*e);
        } else if (name == "GET_VEHICLE_CUSTOM_PRIMARY_COLOUR" && !x.primary) {
            x.primary = rgbOuts(*e);
        } else if (name == "GET_VEHICLE_CUSTOM_SECONDARY_COLOUR" && !x.secondary) {
            x.secondary = rgbOuts(*e);
        } else if (name == "IS_VEHICLE_DRIVEABLE" && !x.driveable) {
            x.driveable = e->result.bits != 0;
        } else if (name == "IS_VEHICLE_A_CONVERTIBLE" && !x.convertible) {
            x.convertible = e->result.bits != 0;
        } else if (name == "GET_IS_VEHICLE_ENGINE_RUNNING" && !x.engine) {
            x.engine = e->result.bits != 0;
        } else if (name == "GET_ENTITY_SPEED" && !x.speed) {
            x.speed = floatOfBits(e->result.bits);
        } else if (name == "GET_ENTITY_SPEED_VECTOR" && !x.forward) {
            x.forward = floatOfBits(e->result.more[0]);
        } else if (name == "GET_VEHICLE_DOOR_ANGLE_RATIO") {
            const auto door = static_cast<int>(e->args[1].bits);
            if (door >= 0 && door < kDoorCount && !x.doors[door]) x.doors[door] = floatOfBits(e->result.bits);
        }
    }
    for (const auto& [model, answers] : kind_answers) {
        std::string word = "other";
        for (const KindNative& k : kKindNatives) {
            const auto it = answers.find(k.word);
            if (it != answers.end() && it->second) {
                word = k.word;
                break;
            }
        }
        f.model_kinds[model] = word;
    }
    return f;
}

bool FrameSource::next(RecFrame& frame) {
    frame = RecFrame{};
    bool have = false;
    for (;;) {
        const RecEvent* e = reader_.peek();
        if (e == nullptr) return have;
        if (!started_) {
            // The load: the host's own calls before the first frame.
            if (e->kind != RecEventKind::Start && e->kind != RecEventKind::Resume) {
                reader_.next();
                continue;
            }
            started_ = true;
        }
        if (e->context < 0) {
            const RecEvent event = *reader_.next();
            if (event.kind == RecEventKind::Key) keys_.push_back(event);
            if (event.kind == RecEventKind::Register &&
                (event.number == rec::kUnregisterScripts || event.number == rec::kUnregisterKeyboard)) {
                unloaded_ = true;
            }
            continue;
        }
        if (have && e->frame != frame.index) return true;
        if (!have) {
            have = true;
            frame.index = e->frame;
            frame.keys_before.swap(keys_);
        }
        frame.events.push_back(*reader_.next());
        const RecEvent& added = frame.events.back();
        if (added.kind == RecEventKind::Tick && !frame.tick) frame.tick = added.number;
    }
}

}  // namespace tavrel::sim
