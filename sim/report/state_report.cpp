#include <cstring>

#include "config/settings.h"
#include "sim/report/json_writer.h"
#include "sim/report/reports.h"

namespace tavrel::sim {

namespace {

void writeRgb(JsonWriter& j, const Rgb& c) { j.beginArray().value(c.r).value(c.g).value(c.b).endArray(); }

void writeIdOrNull(JsonWriter& j, World& w, int handle) {
    const auto id = w.exists(handle) ? w.idOf(handle) : std::nullopt;
    if (id) j.value(*id);
    else j.null();
}

void writeHashName(JsonWriter& j, const World& w, std::uint32_t hash) {
    if (const auto name = w.nameOf(hash)) j.value(*name);
    else j.value(hash);
}

void writeAnim(JsonWriter& j, const std::optional<std::string>& anim) {
    if (anim) j.value(*anim);
    else j.null();
}

void writeVehicle(JsonWriter& j, World& w, const SimVehicle& v) {
    j.beginObject();
    j.key("lock").value(v.lock);
    j.key("engine").value(v.engine);
    j.key("alarm").value(v.alarm);
    j.key("headlights").value(v.headlights);
    j.key("full_beam").value(v.full_beam);
    j.key("light_multiplier").value(v.light_multiplier);
    j.key("interior_light").value(v.interior_light);
    j.key("brake_lights").value(v.brake_lights);
    j.key("indicators").beginArray().value(v.indicators[1]).value(v.indicators[0]).endArray();
    j.key("neon").beginArray();
    for (bool side : v.neon) j.value(side);
    j.endArray();
    j.key("neon_rgb");
    writeRgb(j, v.neon_rgb);
    j.key("doors").beginArray();
    for (float d : v.doors) j.value(d);
    j.endArray();
    j.key("windows_down").beginArray();
    for (bool down : v.windows_down) j.value(down);
    j.endArray();
    j.key("roof");
    if (v.convertible) j.value(v.roof_down ? "down" : "up");
    else j.null();
    j.key("radio").value(v.radio);
    j.key("loud_radio").value(v.loud_radio);
    const auto horn = v.mods.find(kHornModSlot);
    j.key("horn").value(horn != v.mods.end() ? horn->second : -1);
    const SimBlip* blip = w.blipOf(v.handle);
    j.key("blip");
    if (blip != nullptr) j.value(blip->sprite);
    else j.null();
    j.key("mission").value(v.mission);
    j.key("owned").value(v.owned);
    j.key("plate").value(v.plate);
    j.key("primary");
    writeRgb(j, v.primary);
    j.key("secondary");
    writeRgb(j, v.secondary);
    j.key("tyre_smoke");
    writeRgb(j, v.tyre_smoke);
    // Beyond the contract:
    j.key("kind").value(vehicleKindName(v.kind));
    j.key("radio_enabled").value(v.radio_enabled);
    j.key("speed").value(v.speed);
    j.key("handbrake").value(v.handbrake);
    j.key("water").value(v.water_depth);
    j.key("blip_colour");
    if (blip != nullptr) j.value(blip->colour);
    else j.null();
    j.key("driver");
    writeIdOrNull(j, w, v.seat(kDriverSeat));  // a character; the player sits there through "vehicle"
    j.endObject();
}

void writeEntry(JsonWriter& j, World& w, int ped) {
    if (w.enteringOf(ped) != 0) j.value(entryStageName(w.entryStageOf(ped)));
    else j.null();
}

void writePlayer(JsonWriter& j, World& w) {
    const SimPlayer& p = w.player;
    const Vec3 pos = w.position(p.handle);
    j.beginObject();
    j.key("x").value(pos.x).key("y").value(pos.y).key("z").value(pos.z);
    j.key("vehicle");
    writeIdOrNull(j, w, p.vehicle);
    j.key("entering");
    writeIdOrNull(j, w, p.entering);
    j.key("control").value(p.control);
    j.key("weapon");
    writeHashName(j, w, p.weapon);
    j.key("ragdolls").value(p.ragdolls);
    j.key("anim");
    writeAnim(j, p.anim);
    j.key("dead").value(p.dead);
    j.key("entry");
    writeEntry(j, w, p.handle);
    j.endObject();
}

void writePed(JsonWriter& j, World& w, const SimPed& ped) {
    j.beginObject();
    j.key("ragdolls").value(ped.ragdolls);
    j.key("anim");
    writeAnim(j, ped.anim);
    const int vehicle = w.vehicleOf(ped.handle);
    j.key("vehicle");
    writeIdOrNull(j, w, vehicle);
    j.key("seat");
    const SimVehicle* v = w.vehicle(vehicle);
    int seat = kDriverSeat;
    while (v != nullptr && v->seat(seat) != ped.handle) ++seat;
    if (v != nullptr) j.value(seat);
    else j.null();
    j.key("entering");
    writeIdOrNull(j, w, ped.entering);
    j.key("entry");
    writeEntry(j, w, ped.handle);
    j.endObject();
}

void writeSoundSource(JsonWriter& j, const SoundEvent& s) {
    if (s.source == "id") j.value(s.source_id);
    else j.value(s.source);
}

}  // namespace

std::string stateJson(Simulator& sim) {
    World& w = sim.world();
    JsonWriter j;
    j.beginObject();
    j.key("t").value(sim.now());
    j.key("frame").value(sim.frame());

    j.key("player");
    writePlayer(j, w);

    j.key("vehicles").beginObject();
    for (const auto& [id, v] : w.vehicles) {
        j.key(std::to_string(id));
        writeVehicle(j, w, v);
    }
    j.endObject();

    j.key("peds").beginObject();
    for (const auto& [id, ped] : w.peds) {
        j.key(std::to_string(id));
        writePed(j, w, ped);
    }
    j.endObject();

    j.key("props").beginArray();
    for (const SimProp& prop : w.props) {
        j.beginObject();
        j.key("model");
        writeHashName(j, w, prop.model);
        j.key("visible").value(prop.visible);
        j.key("collision").value(prop.collision);
        j.key("attached").value(prop.attached_to != 0 && w.exists(prop.attached_to));
        j.endObject();
    }
    j.endArray();

    j.key("mp_audio").value(w.mp_audio);

    j.key("sounds").beginArray();
    const auto& sounds = sim.sounds();
    for (std::size_t i = sim.soundsReported(); i < sounds.size(); ++i) {
        const SoundEvent& s = sounds[i];
        j.beginArray().value(s.tick).value(s.name).value(s.set);
        writeSoundSource(j, s);
        j.endArray();
    }
    sim.soundsReported() = sounds.size();
    j.endArray();

    j.key("horns").beginArray();
    const auto& horns = sim.horns();
    for (std::size_t i = sim.hornsReported(); i < horns.size(); ++i) {
        j.beginArray().value(horns[i].tick).value(horns[i].vehicle_id).value(horns[i].ms).endArray();
    }
    sim.hornsReported() = horns.size();
    j.endArray();

    j.key("notifications").beginArray();
    for (const std::string& n : sim.notifications()) j.value(n);
    j.endArray();
    j.endObject();
    return j.str();
}

std::string playerStateJson(World& w) {
    JsonWriter j;
    writePlayer(j, w);
    return j.str();
}

std::string vehicleStateJson(World& w, const SimVehicle& v) {
    JsonWriter j;
    writeVehicle(j, w, v);
    return j.str();
}

std::string pedStateJson(World& w, const SimPed& p) {
    JsonWriter j;
    writePed(j, w, p);
    return j.str();
}

std::string settingsJson() { return settingsJson(pluginSettings()); }

std::string defaultSettingsJson() { return settingsJson(Settings{}); }

std::string settingsJson(const Settings& s) {
    JsonWriter j;
    j.beginObject();
#define TAVREL_SIM_SETTING_Bool(field) j.value(static_cast<bool>(s.field));
#define TAVREL_SIM_SETTING_Int(field) j.value(static_cast<std::int64_t>(s.field));
#define TAVREL_SIM_SETTING_Int8(field) j.value(static_cast<std::int64_t>(s.field));
#define TAVREL_SIM_SETTING_Float(field) j.value(static_cast<float>(s.field));
#define TAVREL_SIM_SETTING_Text(field) j.value(std::string_view(s.field, strnlen(s.field, sizeof s.field)));
#define TAVREL_SIM_SETTING(kind, section, field, ...) \
    j.key(#field);                               \
    TAVREL_SIM_SETTING_##kind(field)
    TAVREL_SETTINGS_FIELDS(TAVREL_SIM_SETTING)
#undef TAVREL_SIM_SETTING
#undef TAVREL_SIM_SETTING_Bool
#undef TAVREL_SIM_SETTING_Int
#undef TAVREL_SIM_SETTING_Int8
#undef TAVREL_SIM_SETTING_Float
#undef TAVREL_SIM_SETTING_Text
    j.endObject();
    return j.str();
}

}  // namespace tavrel::sim
