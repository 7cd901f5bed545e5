#include "sim/world/world.h"

#include <algorithm>

#include "sim/world/joaat.h"

namespace tavrel::sim {

namespace {

struct KindRow {
    VehicleKind kind;
    const char* name;
    const char* model;
};

// One stock model per kind; "other" is a trailer, which no model-kind test
// of the game accepts.
constexpr KindRow kKinds[] = {
    {VehicleKind::Car, "car", "sultan"},       {VehicleKind::Bike, "bike", "bati"},
    {VehicleKind::Quad, "quad", "blazer"},     {VehicleKind::Heli, "heli", "buzzard"},
    {VehicleKind::Plane, "plane", "duster"},   {VehicleKind::Boat, "boat", "dinghy"},
    {VehicleKind::Bicycle, "bicycle", "bmx"},  {VehicleKind::Jetski, "jetski", "seashark"},
    {VehicleKind::Train, "train", "freight"},  {VehicleKind::Other, "other", "tanker"},
};

const KindRow& rowOf(VehicleKind kind) {
    return *std::find_if(std::begin(kKinds), std::end(kKinds), [kind](const KindRow& r) { return r.kind == kind; });
}

}  // namespace

const char* vehicleKindName(VehicleKind kind) { return rowOf(kind).name; }
const char* vehicleKindModel(VehicleKind kind) { return rowOf(kind).model; }

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
            if (v.driver_ped == handle) v.driver_ped = 0;
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
        for (const auto& [id, v] : vehicles) {
            if (v.driver_ped == handle) return v.pos;
        }
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
    for (const auto& [id, v] : vehicles) {
        if (ped != 0 && v.driver_ped == ped) return v.handle;
    }
    return 0;
}

int World::enteringOf(int pedHandle) {
    if (isPlayer(pedHandle)) return exists(player.entering) ? player.entering : 0;
    if (SimPed* p = ped(pedHandle)) return exists(p->entering) ? p->entering : 0;
    return 0;
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
