#include <cstring>

#include "config/settings.h"
#include "state/runtime_state.h"
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

JsonValue playerStateValue(World& w) {
    JsonWriter j(JsonWriter::Keep::TextAndValues);
    writePlayer(j, w);
    return j.kept();
}

JsonValue vehicleStateValue(World& w, const SimVehicle& v) {
    JsonWriter j(JsonWriter::Keep::TextAndValues);
    writeVehicle(j, w, v);
    return j.kept();
}

JsonValue pedStateValue(World& w, const SimPed& p) {
    JsonWriter j(JsonWriter::Keep::TextAndValues);
    writePed(j, w, p);
    return j.kept();
}

namespace {
void writeSettings(JsonWriter& j, const Settings& s) {
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
}

}  // namespace


std::string settingsJson() { return settingsJson(pluginSettings()); }

std::string settingsJson(const Settings& s) {
    JsonWriter j;
    writeSettings(j, s);
    return j.str();
}

JsonValue settingsValue(const Settings& s) {
    JsonWriter j(JsonWriter::Keep::TextAndValues);
    writeSettings(j, s);
    return j.kept();
}

std::string runtimeJson() { return runtimeJson(pluginRuntime()); }

std::string runtimeJson(const RuntimeState& r) {
    JsonWriter j;
    j.beginObject();
    j.key("player_ped").value(r.player_ped);
    j.key("tracked_vehicle").value(r.tracked_vehicle);
    j.key("last_input_action_time").value(r.last_input_action_time);
    j.key("last_world_scan_time").value(r.last_world_scan_time);
    j.key("startup_notice_shown").value(r.startup_notice_shown);
    j.key("mp_audio_loaded").value(r.mp_audio_loaded);
    j.key("mp_audio_loaded_time").value(r.mp_audio_loaded_time);
    j.key("mp_audio_window_ms").value(r.mp_audio_window_ms);
    j.key("lock_pending").value(r.lock_pending);
    j.key("unlock_pending").value(r.unlock_pending);
    j.key("lock_request_time").value(r.lock_request_time);
    j.key("unlock_request_time").value(r.unlock_request_time);
    j.key("locked_from_inside").value(r.locked_from_inside);
    j.key("unlocked_from_inside").value(r.unlocked_from_inside);
    j.key("lock_flashes_left").value(r.lock_flashes_left);
    j.key("unlock_flashes_left").value(r.unlock_flashes_left);
    j.key("last_flash_time").value(r.last_flash_time);
    j.key("lock_flash_active").value(r.lock_flash_active);
    j.key("unlock_flash_active").value(r.unlock_flash_active);
    j.key("flash_in_progress").value(r.flash_in_progress);
    j.key("notification_sounds_left").value(r.notification_sounds_left);
    j.key("last_notification_sound_time").value(r.last_notification_sound_time);
    j.key("notification_is_lock").value(r.notification_is_lock);
    j.key("saved_neon_left").value(r.saved_neon_left);
    j.key("saved_neon_right").value(r.saved_neon_right);
    j.key("saved_neon_front").value(r.saved_neon_front);
    j.key("saved_neon_back").value(r.saved_neon_back);
    j.key("vehicle_has_moved").value(r.vehicle_has_moved);
    j.key("neon_move_latch").value(r.neon_move_latch);
    j.key("neon_step_interval_ms").value(r.neon_step_interval_ms);
    j.key("neon_step_time").value(r.neon_step_time);
    j.key("neon_position").value(r.neon_position);
    j.key("color_changer_running").value(r.color_changer_running);
    j.key("fob_prop").value(r.fob_prop);
    j.key("fob_prop_visible").value(r.fob_prop_visible);
    j.key("anim_start_time").value(r.anim_start_time);
    j.key("anim_duration_ms").value(r.anim_duration_ms);
    j.key("saved_weapon").value(r.saved_weapon);
    j.key("weapon_restore_pending").value(r.weapon_restore_pending);
    j.key("fob_sound_pending").value(r.fob_sound_pending);
    j.key("fob_sound_request_time").value(r.fob_sound_request_time);
    j.key("vehicle_blip_applied").value(r.vehicle_blip_applied);
    j.key("vehicle_persistent_applied").value(r.vehicle_persistent_applied);
    j.endObject();
    return j.str();
}

}  // namespace tavrel::sim
