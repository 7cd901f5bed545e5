// Scenario commands that set up and change the world.
#include <sstream>

#include "sim/scenario/scenario_context.h"

namespace tavrel::sim {

namespace {

Rgb colour(const CommandContext& c, const std::string& key, const std::string& text) {
    std::istringstream parts(text);
    int values[3] = {};
    std::string part;
    for (int& v : values) {
        if (!std::getline(parts, part, ',')) c.fail(key + "= wants R,G,B: " + text);
        const auto n = parseInteger(part);
        if (!n || *n < 0 || *n > 255) c.fail(key + "= component out of 0...255: " + text);
        v = static_cast<int>(*n);
    }
    if (std::getline(parts, part)) c.fail(key + "= wants R,G,B: " + text);
    return Rgb{values[0], values[1], values[2]};
}

constexpr const char* kVehicleOptions =
    "speed=, forward=, ground=, driveable=, convertible=, engine=, neon=, neon_rgb=, primary=, secondary=, radio=, "
    "plate=, lock=, door=, driver=, passenger=, handbrake=, water=, order=, blip=, pos= (set only)";

Vec3 positionOption(const CommandContext& c, const std::string& value) {
    std::istringstream parts(value);
    float xyz[3] = {};
    std::string part;
    for (float& v : xyz) {
        const auto d = std::getline(parts, part, ',') ? parseDecimal(part) : std::nullopt;
        if (!d) c.fail("pos= wants X,Y,Z: " + value);
        v = *d;
    }
    if (std::getline(parts, part)) c.fail("pos= wants X,Y,Z: " + value);
    return Vec3{xyz[0], xyz[1], xyz[2]};
}

// A character sits in a seat of the vehicle being made (`v` null: only checks).
void seatCharacter(const CommandContext& c, SimVehicle* v, int seat, const std::string& pedText, const std::string& key) {
    const auto pid = parseInteger(pedText);
    if (!pid || *pid < 1) c.fail(key + "= wants a character ID: " + pedText);
    if (v == nullptr) return;
    if (!hasSeat(v->kind, seat)) {
        const int last = seatCount(v->kind) - 2;
        c.fail(std::string("vehicle kind ") + vehicleKindName(v->kind) + " has no seat " + std::to_string(seat) +
               (last < -1 ? " (it has no seats)" : " (seats -1 ... " + std::to_string(last) + ")"));
    }
    const SimPed* p = c.sim.world().pedById(static_cast<int>(*pid));
    if (p == nullptr) c.fail("no character " + pedText);
    v->seat(seat) = p->handle;
}

// Applies (or only checks) one key=value of the vehicle command, or of set
// for a vehicle.
void vehicleOption(const CommandContext& c, SimVehicle* v, const std::string& option) {
    const auto eq = option.find('=');
    if (eq == std::string::npos) c.fail("vehicle option without '=': " + option + " (options: " + kVehicleOptions + ")");
    const std::string key = option.substr(0, eq);
    const std::string value = option.substr(eq + 1);
    const auto decimal = [&]() {
        const auto d = parseDecimal(value);
        if (!d) c.fail(key + "= wants a decimal number: " + value);
        return *d;
    };
    const auto flag = [&]() {
        const auto f = parseFlag(value);
        if (!f) c.fail(key + "= wants 0 or 1: " + value);
        return *f;
    };
    if (key == "speed") {
        const float s = decimal();
        if (v) v->speed = s, v->forward = s;
    } else if (key == "forward") {
        const float f = decimal();
        if (v) v->forward = f;
    } else if (key == "ground") {
        // "none": no ground is found below it (the answer is false, height 0).
        const bool known = value != "none";
        const float g = known ? decimal() : 0.0f;
        if (v) v->ground = g, v->ground_known = known;
    } else if (key == "driveable") {
        const bool f = flag();
        if (v) v->driveable = f;
    } else if (key == "convertible") {
        const bool f = flag();
        if (v) v->convertible = f;
    } else if (key == "engine") {
        const bool f = flag();
        if (v) v->engine = f;
    } else if (key == "neon") {
        if (value.size() != 4 || value.find_first_not_of("01") != std::string::npos) c.fail("neon= wants four 0/1 digits: " + value);
        for (std::size_t i = 0; v && i < 4; ++i) v->neon[i] = value[i] == '1';
    } else if (key == "neon_rgb" || key == "primary" || key == "secondary") {
        const Rgb rgb = colour(c, key, value);
        if (v) (key == "neon_rgb" ? v->neon_rgb : key == "primary" ? v->primary : v->secondary) = rgb;
    } else if (key == "radio") {
        if (value.empty()) c.fail("radio= wants a station name");
        if (v) v->radio = value;
    } else if (key == "plate") {
        if (v) v->plate = value;
    } else if (key == "lock") {
        const auto n = parseInteger(value);
        if (!n || *n < 0 || *n > 10) c.fail("lock= wants a lock status 0...10: " + value);
        if (v) v->lock = static_cast<int>(*n);
    } else if (key == "door") {
        const auto comma = value.find(',');
        const auto door = parseInteger(value.substr(0, comma));
        const auto ratio = comma == std::string::npos ? std::nullopt : parseDecimal(value.substr(comma + 1));
        if (!door || *door < 0 || *door >= kDoorCount || !ratio) c.fail("door= wants N,RATIO with N 0...7: " + value);
        if (v) v->doors[static_cast<std::size_t>(*door)] = *ratio;
    } else if (key == "blip") {
        // A map blip on it already (an earlier load's), of that sprite; none: no blip.
        const auto sprite = value == "none" ? std::optional<std::int64_t>(-1) : parseInteger(value);
        if (!sprite || *sprite < -1 || *sprite > 10000) c.fail("blip= wants a sprite number or none: " + value);
        if (v) {
            World& w = c.sim.world();
            std::erase_if(w.blips, [v](const SimBlip& b) { return b.entity == v->handle; });
            if (*sprite >= 0) w.addBlip(v->handle).sprite = static_cast<int>(*sprite);
        }
    } else if (key == "order") {
        // Its place in the game's list of vehicles (worldGetAllVehicles answers in this order).
        const auto n = parseInteger(value);
        if (!n) c.fail("order= wants a number: " + value);
        if (v) v->order = *n;
    } else if (key == "driver") {
        seatCharacter(c, v, kDriverSeat, value, key);
    } else if (key == "passenger") {
        // SEAT,PED: 0 the front passenger's seat, 1 and up the ones behind.
        const auto comma = value.find(',');
        const auto seat = parseInteger(value.substr(0, comma));
        if (!seat || *seat < 0 || *seat >= kMaxSeats - 1 || comma == std::string::npos) {
            c.fail("passenger= wants SEAT,PED with SEAT 0..." + std::to_string(kMaxSeats - 2) + ": " + value);
        }
        seatCharacter(c, v, static_cast<int>(*seat), value.substr(comma + 1), key);
    } else if (key == "handbrake") {
        const bool f = flag();
        if (v) v->handbrake = f;
    } else if (key == "water") {
        // DEPTH: it floats on water that deep; the seabed lies DEPTH below its ground height.
        const float depth = decimal();
        if (depth < 0.0f) c.fail("water= wants a depth of 0 or more: " + value);
        if (v) v->water_depth = depth;
    } else {
        c.fail("unknown vehicle option: " + key + " (options: " + kVehicleOptions + ")");
    }
}

void addVehicle(const CommandContext& c) {
    const int vid = c.id(0);
    const auto kind = vehicleKindFromName(c.arg(1));
    if (!kind) c.fail("unknown vehicle kind: " + c.arg(1) + " (kinds: car, bike, quad, heli, plane, boat, bicycle, jetski, train, other)");
    const Vec3 pos = c.position(2);
    World& w = c.sim.world();
    SimVehicle* v = nullptr;
    if (c.run) {
        if (w.idInUse(vid)) c.fail("ID " + std::to_string(vid) + " is already in use");
        v = &w.addVehicle(vid, *kind, pos);
    }
    // forward= wins over the forward part that speed= implies, wherever it stands.
    for (std::size_t i = 5; i < c.cmd.args.size(); ++i) {
        if (!c.arg(i).starts_with("forward=")) vehicleOption(c, v, c.arg(i));
    }
    for (std::size_t i = 5; i < c.cmd.args.size(); ++i) {
        if (c.arg(i).starts_with("forward=")) vehicleOption(c, v, c.arg(i));
    }
}

// The optional STAGE word of enter and ped-enter at argument `at`: none (by
// the lock: at the door while it keeps the character out, else climbing in),
// "door" (held at the door) or "climb" (the door open, climbing onto the seat).
EntryStage entryStage(const CommandContext& c, std::size_t at) {
    if (c.cmd.args.size() <= at) return EntryStage::ByLock;
    if (c.arg(at) == "door") return EntryStage::Door;
    if (c.arg(at) == "climb") return EntryStage::Climb;
    c.fail(c.cmd.word + ": expected the stage door or climb, got " + c.arg(at));
}

void movePlayerBeside(World& w, const SimVehicle& v) {
    w.player.pos = Vec3{v.pos.x + 2.0f, v.pos.y, v.pos.z};
}

// `set ID key=value ...`: changes what an existing vehicle or character is:
// the vehicle command's options and pos=X,Y,Z (a character: pos= and order=).
void setCommand(const CommandContext& c) {
    World& w = c.sim.world();
    const int id = c.id(0);
    SimVehicle* v = c.run ? w.vehicleById(id) : nullptr;
    SimPed* p = c.run && v == nullptr ? w.pedById(id) : nullptr;
    if (c.run && v == nullptr && p == nullptr) c.fail("no vehicle or character " + std::to_string(id));
    for (std::size_t i = 1; i < c.cmd.args.size(); ++i) {
        const std::string& option = c.arg(i);
        if (option.starts_with("pos=")) {
            const Vec3 pos = positionOption(c, option.substr(4));
            if (v != nullptr) v->pos = pos;
            if (p != nullptr) p->pos = pos;
        } else if (p == nullptr) {
            vehicleOption(c, v, option);  // the check pass (no entity yet) checks order= there too
        } else if (option.starts_with("order=")) {
            const auto n = parseInteger(option.substr(6));
            if (!n) c.fail("order= wants a number: " + option.substr(6));
            p->order = *n;
        } else {
            c.fail("set: a character takes pos= and order= only, not " + option);
        }
    }
}

void playerCommand(const CommandContext& c) {
    const Vec3 pos = c.position(0);
    if (c.run) c.sim.world().placePlayer(pos);
}

void pedCommand(const CommandContext& c) {
    const int pid = c.id(0);
    const Vec3 pos = c.position(1);
    if (!c.run) return;
    World& w = c.sim.world();
    if (w.idInUse(pid)) c.fail("ID " + std::to_string(pid) + " is already in use");
    w.addPed(pid, pos);
}

void sitCommand(const CommandContext& c) {
    const int vid = c.id(0);
    if (!c.run) return;
    World& w = c.sim.world();
    const SimVehicle& v = c.vehicle(vid);
    w.player.vehicle = v.handle;
    w.player.entering = 0;
    w.player.entry = EntryStage::ByLock;
    w.player.door_open = false;
    w.player.last_vehicle = v.handle;
}

void enterCommand(const CommandContext& c) {
    const int vid = c.id(0);
    const EntryStage stage = entryStage(c, 1);
    if (!c.run) return;
    World& w = c.sim.world();
    const SimVehicle& v = c.vehicle(vid);
    w.player.vehicle = 0;
    w.player.entering = v.handle;
    w.player.entry = stage;
    w.player.door_open = false;
    w.openUnlockedDoors();
}

void pedEnterCommand(const CommandContext& c) {
    const int pid = c.id(0);
    const int vid = c.id(1);
    const EntryStage stage = entryStage(c, 2);
    if (!c.run) return;
    World& w = c.sim.world();
    SimPed* p = w.pedById(pid);
    if (p == nullptr) c.fail("no character " + std::to_string(pid));
    p->entering = c.vehicle(vid).handle;
    p->entry = stage;
    p->door_open = false;
    w.openUnlockedDoors();
}

void exitCommand(const CommandContext& c) {
    if (!c.run) return;
    World& w = c.sim.world();
    if (const SimVehicle* v = w.vehicle(w.player.vehicle)) movePlayerBeside(w, *v);
    w.player.vehicle = 0;
    w.player.entering = 0;
    w.player.entry = EntryStage::ByLock;
}

void moveCommand(const CommandContext& c) {
    const bool player = c.arg(0) == "player";
    const int vid = player ? 0 : c.id(0);
    const float speed = c.decimal(1, "SPEED");
    const float forward = c.cmd.args.size() == 3 ? c.decimal(2, "FORWARD") : speed;
    if (!c.run) return;
    if (player) {
        c.sim.world().player.speed = speed;
    } else {
        SimVehicle& v = c.vehicle(vid);
        v.speed = speed;
        v.forward = forward;
    }
}

void deleteCommand(const CommandContext& c) {
    const int vid = c.id(0);
    if (c.run && !c.sim.world().removeById(vid)) c.fail("no vehicle or character " + std::to_string(vid));
}

// dead, arrested, loading: a switch of the player's or the game's.
void switchCommand(const CommandContext& c) {
    const bool on = c.flag(0);
    if (!c.run) return;
    World& w = c.sim.world();
    const std::string& word = c.cmd.word;
    (word == "dead" ? w.player.dead : word == "arrested" ? w.player.arrested : w.loading_screen) = on;
}

// A name, or the weapon's hash as a 0x number (a weapon whose name is not known).
void weaponCommand(const CommandContext& c) {
    World& w = c.sim.world();
    const std::string& name = c.arg(0);
    const bool hash = name.size() > 2 && name[0] == '0' && (name[1] == 'x' || name[1] == 'X');
    if (hash) {
        const auto n = parseInteger(name);
        if (!n || *n < 0 || *n > 0xFFFFFFFF) c.fail("weapon: not a hash: " + name);
        if (c.run) w.player.weapon = static_cast<std::uint32_t>(*n);
    } else if (c.run) {
        w.player.weapon = w.hashName(name);
    }
}

void dictNeverCommand(const CommandContext& c) {
    if (c.run) c.sim.world().dicts_never.insert(c.arg(0));
}

void modelNeverCommand(const CommandContext& c) {
    World& w = c.sim.world();
    if (c.run) w.models_never.insert(w.hashName(c.arg(0)));
}

// In memory already, before the plug-in asks (as after an earlier load).
void dictLoadedCommand(const CommandContext& c) {
    if (c.run) c.sim.world().dicts_loaded.insert(c.arg(0));
}

void modelLoadedCommand(const CommandContext& c) {
    World& w = c.sim.world();
    if (c.run) w.models_loaded.insert(w.hashName(c.arg(0)));
}

void feedPostedCommand(const CommandContext& c) {
    const auto posted = static_cast<int>(c.integer(0, 0, 1000000000, "N"));
    if (!c.run) return;
    c.sim.world().feed_before = posted - static_cast<int>(c.sim.notifications().size());
}

void screenSizeCommand(const CommandContext& c) {
    const auto width = static_cast<int>(c.integer(0, 1, 100000, "W"));
    const auto height = static_cast<int>(c.integer(1, 1, 100000, "H"));
    if (!c.run) return;
    c.sim.world().picture_w = width;
    c.sim.world().picture_h = height;
}

constexpr std::size_t kAny = ScenarioCommand::kNoLimit;

constexpr ScenarioCommand kWorldCommands[] = {
    {"player", 3, 3, "X Y Z", playerCommand},
    {"vehicle", 5, kAny, "ID KIND X Y Z [key=value ...]", addVehicle},
    {"ped", 4, 4, "ID X Y Z", pedCommand},
    {"set", 2, kAny, "ID key=value ...", setCommand},
    {"sit", 1, 1, "ID", sitCommand},
    {"enter", 1, 2, "ID [door|climb]", enterCommand},
    {"ped-enter", 2, 3, "PED VEH [door|climb]", pedEnterCommand},
    {"exit", 0, 0, "", exitCommand},
    {"move", 2, 3, "ID|player SPEED [FORWARD]", moveCommand},
    {"delete", 1, 1, "ID", deleteCommand},
    {"dead", 1, 1, "0/1", switchCommand},
    {"arrested", 1, 1, "0/1", switchCommand},
    {"loading", 1, 1, "0/1", switchCommand},
    {"weapon", 1, 1, "NAME", weaponCommand},
    {"dict-never", 1, 1, "NAME", dictNeverCommand},
    {"model-never", 1, 1, "NAME", modelNeverCommand},
    {"dict-loaded", 1, 1, "NAME", dictLoadedCommand},
    {"model-loaded", 1, 1, "NAME", modelLoadedCommand},
    {"feed-posted", 1, 1, "N", feedPostedCommand},
    {"screen-size", 2, 2, "W H", screenSizeCommand},
};

}  // namespace

std::span<const ScenarioCommand> worldCommands() { return kWorldCommands; }

}  // namespace tavrel::sim
