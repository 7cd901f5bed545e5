#include "sim/world/world.h"

#include <algorithm>

#include "sim/world/joaat.h"

namespace tavrel::sim {

namespace {

struct KindRow {
    VehicleKind kind;
    const char* name;
    const char* model;
    int seats;  // the driver's included
};

// One stock model per kind, with its seats; "other" is a trailer, which no
// model-kind test of the game accepts and nobody sits in.
constexpr KindRow kKinds[] = {
    {VehicleKind::Car, "car", "sultan", 4},       {VehicleKind::Bike, "bike", "bati", 2},
    {VehicleKind::Quad, "quad", "blazer", 2},     {VehicleKind::Heli, "heli", "buzzard", 4},
    {VehicleKind::Plane, "plane", "duster", 1},   {VehicleKind::Boat, "boat", "dinghy", 4},
    {VehicleKind::Bicycle, "bicycle", "bmx", 1},  {VehicleKind::Jetski, "jetski", "seashark", 2},
    {VehicleKind::Train, "train", "freight", 1},  {VehicleKind::Other, "other", "tanker", 0},
};

const KindRow& rowOf(VehicleKind kind) {
    return *std::find_if(std::begin(kKinds), std::end(kKinds), [kind](const KindRow& r) { return r.kind == kind; });
}

}  // namespace

const char* vehicleKindName(VehicleKind kind) { return rowOf(kind).name; }
const char* vehicleKindModel(VehicleKind kind) { return rowOf(kind).model; }
int seatCount(VehicleKind kind) { return rowOf(kind).seats; }

const char* entryStageName(EntryStage stage) { return stage == EntryStage::Climb ? "climb" : "door"; }

std::optional<VehicleKind> vehicleKindFromName(const std::string& name) {
    for (const KindRow& r : kKinds) {
        if (name == r.name) return r.kind;
    }
    return std::nullopt;
}

World::World() {
    player.handle = newHandle();
    player.weapon = hashName("WEAPON_UNARMED");
    for (const KindRow& r : kKinds) hashName(r.model);
}

int World::newHandle(int avoid) {
    int h = next_handle_++;
    if (h == avoid) h = next_handle_++;
    return h;
}

SimVehicle& World::addVehicle(int id, VehicleKind kind, Vec3 pos) {
    SimVehicle v;
    v.id = id;
    v.handle = newHandle(id);
    v.kind = kind;
    v.model = hashName(vehicleKindModel(kind));
    v.pos = pos;
    v.plate = "SIM" + std::to_string(id % 100000);
    v.order = v.handle;
    index_[v.handle] = Ref{Kind::Vehicle, id};
    return vehicles[id] = v;
}

SimPed& World::addPed(int id, Vec3 pos) {
    SimPed p;
    p.id = id;
    p.handle = newHandle(id);
    p.pos = pos;
    p.order = p.handle;
    index_[p.handle] = Ref{Kind::Ped, id};
    return peds[id] = p;
}

void World::placePlayer(Vec3 pos) {
    player.pos = pos;
    player.vehicle = 0;
    player.entering = 0;
    player.entry = EntryStage::ByLock;
    player.door_open = false;
}

SimProp& World::addProp(std::uint32_t model, Vec3 pos) {
    SimProp p;
    p.handle = newHandle();
    p.model = model;
    p.pos = pos;
    index_[p.handle] = Ref{Kind::Prop, p.handle};
    props.push_back(p);
    return props.back();
}

bool World::removeProp(int handle) {
    if (std::erase_if(props, [handle](const SimProp& p) { return p.handle == handle; }) == 0) return false;
    index_.erase(handle);
    std::erase_if(blips, [handle](const SimBlip& b) { return b.entity == handle; });
    return true;
}

SimBlip& World::addBlip(int entity) {
    SimBlip b;
    b.handle = newHandle();
    b.entity = entity;
    blips.push_back(b);
    return blips.back();
}

void World::removeBlip(int handle) {
    std::erase_if(blips, [handle](const SimBlip& b) { return b.handle == handle; });
}

bool World::removeById(int id) {
    int handle = 0;
    if (auto it = vehicles.find(id); it != vehicles.end()) {
        handle = it->second.handle;
        vehicles.erase(it);
        if (player.vehicle == handle) player.vehicle = 0;  // the player stays where it was
        if (player.entering == handle) player.entering = 0;
        for (auto& [pid, p] : peds) {
            if (p.entering == handle) p.entering = 0;
        }
    } else if (auto pit = peds.find(id); pit != peds.end()) {
        handle = pit->second.handle;
        peds.erase(pit);
        for (auto& [vid, v] : vehicles) {
            for (int& seated : v.seats) {
                if (seated == handle) seated = 0;
            }
        }
    } else {
        return false;
    }
    index_.erase(handle);
    std::erase_if(blips, [handle](const SimBlip& b) { return b.entity == handle; });
    return true;
}

SimVehicle* World::vehicleById(int id) {
    const auto it = vehicles.find(id);
    return it == vehicles.end() ? nullptr : &it->second;
}

SimPed* World::pedById(int id) {
    const auto it = peds.find(id);
    return it == peds.end() ? nullptr : &it->second;
}

SimVehicle* World::vehicle(int handle) {
    const auto it = index_.find(handle);
    if (it == index_.end() || it->second.kind != Kind::Vehicle) return nullptr;
    return vehicleById(it->second.key);
}

SimPed* World::ped(int handle) {
    const auto it = index_.find(handle);
    if (it == index_.end() || it->second.kind != Kind::Ped) return nullptr;
    return pedById(it->second.key);
}

SimProp* World::prop(int handle) {
    const auto it = std::find_if(props.begin(), props.end(), [handle](const SimProp& p) { return p.handle == handle; });
    return it == props.end() ? nullptr : &*it;
}

SimBlip* World::blip(int handle) {
    if (handle == 0) return nullptr;
    const auto it = std::find_if(blips.begin(), blips.end(), [handle](const SimBlip& b) { return b.handle == handle; });
    return it == blips.end() ? nullptr : &*it;
}

SimBlip* World::blipOf(int entity) {
    if (entity == 0) return nullptr;
    const auto it = std::find_if(blips.begin(), blips.end(), [entity](const SimBlip& b) { return b.entity == entity; });
    return it == blips.end() ? nullptr : &*it;
}

bool World::exists(int handle) const { return handle != 0 && (handle == player.handle || index_.count(handle) != 0); }

std::optional<int> World::idOf(int handle) const {
    const auto it = index_.find(handle);
    if (it == index_.end() || it->second.kind == Kind::Prop) return std::nullopt;
    return it->second.key;
}

Vec3 World::position(int handle) {
    if (isPlayer(handle)) {
        if (SimVehicle* v = vehicle(player.vehicle)) return v->pos;
        return player.pos;
    }
    if (SimVehicle* v = vehicle(handle)) return v->pos;
    if (SimPed* p = ped(handle)) {
        if (SimVehicle* v = vehicle(vehicleOf(handle))) return v->pos;
        return p->pos;
    }
    if (SimProp* p = prop(handle)) {
        if (p->attached_to != 0 && p->attached_to != handle && exists(p->attached_to)) return position(p->attached_to);
        return p->pos;
    }
    return {};
}

int World::vehicleOf(int ped) {
    if (isPlayer(ped)) return exists(player.vehicle) ? player.vehicle : 0;
    if (ped == 0) return 0;
    for (const auto& [id, v] : vehicles) {
        if (std::find(v.seats.begin(), v.seats.end(), ped) != v.seats.end()) return v.handle;
    }
    return 0;
}

int World::enteringOf(int pedHandle) {
    if (isPlayer(pedHandle)) return exists(player.entering) ? player.entering : 0;
    if (SimPed* p = ped(pedHandle)) return exists(p->entering) ? p->entering : 0;
    return 0;
}

bool lockKeepsOut(int lock, bool player) { return lock >= 2 && (lock != 3 || player); }

namespace {
bool locksOut(const SimVehicle& v, bool player) { return lockKeepsOut(v.lock, player); }
}  // namespace

EntryStage World::entryStageOf(int pedHandle) {
    if (enteringOf(pedHandle) == 0) return EntryStage::Door;
    const bool is_player = isPlayer(pedHandle);
    const EntryStage stage = is_player ? player.entry : ped(pedHandle)->entry;
    if (stage != EntryStage::ByLock) return stage;
    return (is_player ? player.door_open : ped(pedHandle)->door_open) ? EntryStage::Climb : EntryStage::Door;
}

void World::openUnlockedDoors() {
    const auto open = [this](int pedHandle, bool& door_open) {
        const SimVehicle* v = vehicle(enteringOf(pedHandle));
        if (v != nullptr && !locksOut(*v, isPlayer(pedHandle))) door_open = true;
    };
    open(player.handle, player.door_open);
    for (auto& [id, p] : peds) open(p.handle, p.door_open);
}

int World::climbingInto(int pedHandle) {
    return entryStageOf(pedHandle) == EntryStage::Climb ? enteringOf(pedHandle) : 0;
}

bool World::atLockedDoor(int pedHandle) {
    const SimVehicle* v = vehicle(enteringOf(pedHandle));
    return v != nullptr && entryStageOf(pedHandle) == EntryStage::Door && locksOut(*v, isPlayer(pedHandle));
}

bool World::someoneClimbingInto(int vehicleHandle) {
    if (vehicleHandle == 0) return false;
    if (climbingInto(player.handle) == vehicleHandle) return true;
    for (const auto& [id, p] : peds) {
        if (climbingInto(p.handle) == vehicleHandle) return true;
    }
    return false;
}

int World::occupant(const SimVehicle& v, int seat) const {
    if (!hasSeat(v.kind, seat)) return 0;
    if (seat == kDriverSeat && player.vehicle == v.handle) return player.handle;
    const int seated = v.seat(seat);
    return exists(seated) ? seated : 0;
}

SimPed& World::createOccupant(SimVehicle& v, int seat) {
    int id = kFirstCreatedId;
    while (idInUse(id)) ++id;
    SimPed& p = addPed(id, v.pos);
    p.created = true;
    v.seat(seat) = p.handle;
    return p;
}

std::uint32_t World::hashName(const std::string& name) {
    const std::uint32_t h = joaat(name);
    names_.try_emplace(h, name);
    return h;
}

std::optional<std::string> World::nameOf(std::uint32_t hash) const {
    const auto it = names_.find(hash);
    if (it == names_.end()) return std::nullopt;
    return it->second;
}

}  // namespace tavrel::sim
