// World: the simulated game world that the natives read and change.
//
// Entities the scenario creates carry the scenario's ID (small positive
// integers, unique across vehicles and characters) and a game handle of the
// simulator's own: handles count up from kFirstHandle, are never 0, never
// equal to the entity's ID and never reused. Objects and blips the plug-in
// creates get handles from the same counter.
//
// Thread safety: used by the host thread and by the script fibres, which
// never run at the same time (see FibreScheduler).
#pragma once
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace tavrel::sim {

struct Vec3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

struct Rgb {
    int r = 0;
    int g = 0;
    int b = 0;
    bool operator==(const Rgb&) const = default;
};

enum class VehicleKind { Car, Bike, Quad, Heli, Plane, Boat, Bicycle, Jetski, Train, Other };

// The scenario's word for a kind ("car", "bike", ...), and back.
const char* vehicleKindName(VehicleKind kind);
std::optional<VehicleKind> vehicleKindFromName(const std::string& name);
// The model name the simulator gives each kind (hashed with joaat).
const char* vehicleKindModel(VehicleKind kind);

inline constexpr int kDoorCount = 8;
inline constexpr int kWindowCount = 4;
inline constexpr int kHornModSlot = 14;
// Seats are numbered as the game numbers them: -1 the driver's, 0 the front
// passenger's, 1 and 2 the back seats, 3 and up further rows.
inline constexpr int kDriverSeat = -1;
inline constexpr int kMaxSeats = 10;  // seats -1 ... 8
// The seats (the driver's included) of the simulator's stock model of a kind.
int seatCount(VehicleKind kind);
inline bool hasSeat(VehicleKind kind, int seat) { return seat >= kDriverSeat && seat + 1 < seatCount(kind); }

// Blip colours as the game numbers them: a new blip is red (1) until recoloured.
inline constexpr int kBlipRed = 1;

// Getting in is two stages: at the door (the door shut; a locked door does
// not open) and climbing in (the door open, onto the seat). Seated follows,
// and is no longer "getting in". ByLock goes through them as the game does:
// at the door while the lock keeps the character out; a door it does not
// keep shut opens between frames (openUnlockedDoors) and the character climbs
// in from then on. Door and Climb hold a stage.
enum class EntryStage { ByLock, Door, Climb };
const char* entryStageName(EntryStage stage);  // "door", "climb" (ByLock: "door")

// Whether lock status `lock` keeps the player (or a character) out of a
// car: 2 and up, but 3 locks out players only.
bool lockKeepsOut(int lock, bool player);

struct SimVehicle {
    int id = 0;
    int handle = 0;
    VehicleKind kind = VehicleKind::Car;
    std::uint32_t model = 0;
    Vec3 pos;
    float speed = 0.0f;             // m/s
    float forward = 0.0f;           // m/s, forward part of the vehicle-relative velocity
    float ground = 0.0f;            // ground height below it (over water: the water's surface)
    bool ground_known = true;       // false: the game finds no ground below it (ground=none)
    float water_depth = 0.0f;       // m of water below it; the seabed is that far below `ground`
    bool handbrake = false;
    bool driveable = true;
    bool convertible = false;
    bool roof_down = false;
    int lock = 1;
    bool engine = false;
    bool alarm = false;
    int headlights = 0;             // 0 normal, 1 forced off, 2 forced on
    bool full_beam = false;
    float light_multiplier = 1.0f;
    bool interior_light = false;
    bool brake_lights = false;
    std::array<bool, 2> indicators{};  // [0] right, [1] left, as the game numbers them
    std::array<bool, 4> neon{};        // left, right, front, back
    Rgb neon_rgb{255, 0, 255};
    std::array<float, kDoorCount> doors{};
    std::array<bool, kWindowCount> windows_down{};
    std::string radio = "RADIO_01_CLASS_ROCK";
    bool radio_enabled = true;
    bool loud_radio = false;
    int forced_radio_frames = 0;
    int mod_kit = -1;
    std::map<int, int> mods;        // mod type -> index; the horn is type 14
    bool mission = false;
    bool owned = false;
    std::string plate;
    Rgb primary;
    Rgb secondary;
    Rgb tyre_smoke{255, 255, 255};
    std::int64_t order = 0;         // its place in the game's list of vehicles (default: its handle)
    // Characters in the seats: handle by seat + 1 (seats[0] the driver's),
    // 0 for an empty seat. The player sits in the driver's seat through
    // SimPlayer::vehicle, not here.
    std::array<int, kMaxSeats> seats{};
    int& seat(int index) { return seats[static_cast<std::size_t>(index + 1)]; }
    int seat(int index) const { return seats[static_cast<std::size_t>(index + 1)]; }
};

struct SimPed {
    int id = 0;
    int handle = 0;
    Vec3 pos;
    int entering = 0;   // vehicle handle being entered
    EntryStage entry = EntryStage::ByLock;
    bool door_open = false;  // ByLock: the door has opened, climbing in
    bool created = false;  // made by the game (an occupant of an empty seat), not by the scenario
    int ragdolls = 0;
    std::optional<std::string> anim;
    std::int64_t order = 0;  // its place in the game's list of characters (default: its handle)
};

struct SimPlayer {
    int handle = 0;
    Vec3 pos;
    float speed = 0.0f;
    int vehicle = 0;       // handle of the vehicle it sits in
    int entering = 0;      // handle of the vehicle it is getting into
    EntryStage entry = EntryStage::ByLock;
    bool door_open = false;  // ByLock: the door has opened, climbing in
    int last_vehicle = 0;
    bool dead = false;
    bool arrested = false;
    bool control = true;
    int control_flags = 0;
    std::uint32_t weapon = 0;
    int ragdolls = 0;
    std::optional<std::string> anim;
};

struct SimProp {
    int handle = 0;
    std::uint32_t model = 0;
    Vec3 pos;
    bool visible = true;
    bool collision = true;
    int attached_to = 0;
    int bone = 0;
};

struct SimBlip {
    int handle = 0;
    int entity = 0;
    int sprite = 1;
    int colour = kBlipRed;
};

class World {
public:
    static constexpr int kFirstHandle = 1025;
    World();

    // [SECTION] Scenario-side changes. IDs must be new (checked by callers).
    SimVehicle& addVehicle(int id, VehicleKind kind, Vec3 pos);
    SimPed& addPed(int id, Vec3 pos);
    void placePlayer(Vec3 pos);
    SimProp& addProp(std::uint32_t model, Vec3 pos);
    // The game removes an object (false when there is none of that handle).
    bool removeProp(int handle);
    SimBlip& addBlip(int entity);
    void removeBlip(int handle);
    // False when no vehicle or character has that ID.
    bool removeById(int id);

    // [SECTION] Lookups; null when absent.
    SimVehicle* vehicleById(int id);
    SimVehicle* vehicle(int handle);
    SimPed* pedById(int id);
    SimPed* ped(int handle);
    SimProp* prop(int handle);
    SimBlip* blip(int handle);
    SimBlip* blipOf(int entity);
    bool isPlayer(int handle) const { return handle != 0 && handle == player.handle; }
    bool exists(int handle) const;
    bool idInUse(int id) const { return vehicles.count(id) != 0 || peds.count(id) != 0; }
    // The scenario ID of a vehicle or character handle, if it has one.
    std::optional<int> idOf(int handle) const;
    Vec3 position(int handle);
    int newHandle(int avoid = 0);

    // [SECTION] Character rules shared by several natives.
    // The vehicle the character sits in (0 when none); the player or a
    // character in any seat.
    int vehicleOf(int ped);
    // The vehicle the character is getting into, at either stage (0 when none).
    int enteringOf(int ped);
    // The stage the character getting in is at now: Door or Climb.
    EntryStage entryStageOf(int ped);
    // The game's step between frames: every door a character getting in by
    // the lock pulls and is not kept out by opens. (A frame's scripts see the
    // stage as it stood when the frame began: an unlock does not open the
    // door under the plug-in's feet.)
    void openUnlockedDoors();
    // The vehicle the character is climbing into (the second stage), or 0.
    int climbingInto(int ped);
    // At the door of a vehicle whose lock keeps this character out: 2 and
    // up, except 3 (locked for players only) for a character not the player.
    bool atLockedDoor(int ped);
    // Somebody (the player or a character) climbs into that vehicle.
    bool someoneClimbingInto(int vehicle);
    // Who sits in that seat of the vehicle (the player, a character), or 0.
    int occupant(const SimVehicle& v, int seat) const;
    // A character the game creates in an empty seat: it gets the first free
    // ID from kFirstCreatedId on and sits there.
    SimPed& createOccupant(SimVehicle& v, int seat);
    static constexpr int kFirstCreatedId = 1000001;

    // [SECTION] Name registry: every name hashed through GET_HASH_KEY or the
    // scenario, for readable output.
    std::uint32_t hashName(const std::string& name);
    std::optional<std::string> nameOf(std::uint32_t hash) const;

    SimPlayer player;
    std::map<int, SimVehicle> vehicles;  // by ID
    std::map<int, SimPed> peds;          // by ID
    std::vector<SimProp> props;
    std::vector<SimBlip> blips;

    // Controls of group 2.
    struct Control {
        bool pressed = false;
        bool just_pressed = false;
        bool just_released = false;
    };
    std::map<int, Control> controls;

    // Animation dictionaries: frame of the first request; the never-loading ones.
    std::map<std::string, std::uint64_t> dict_requests;
    std::set<std::string> dicts_never;
    std::set<std::string> dicts_loaded;  // in memory before the plug-in asks (an earlier load's)
    // Models, by hash, the same way: frame of the request (forgotten when the
    // model is released); the never-loading ones. An object is created only
    // from a loaded model; a refused CREATE_OBJECT answers 0 and is counted.
    std::map<std::uint32_t, std::uint64_t> model_requests;
    std::set<std::uint32_t> models_never;
    std::set<std::uint32_t> models_loaded;
    int refused_objects = 0;

    bool loading_screen = false;
    // Feed items the game posted before the ones this run counts: a post
    // answers its item's number, this plus the run's notifications
    // (scenario `feed-posted`).
    int feed_before = 0;
    bool mp_audio = false;
    std::map<std::string, bool> audio_flags;
    // Size in pixels of the pictures `screenshot` draws (scenario
    // `screen-size`). The plug-in never sees it: the game's resolution query
    // answers kGameScreenWidth x kGameScreenHeight (screen.h) whatever
    // the display.
    int picture_w = 1920;
    int picture_h = 1080;

private:
    enum class Kind { Vehicle, Ped, Prop };
    struct Ref {
        Kind kind;
        int key;  // ID for vehicles and characters, handle for props
    };
    std::unordered_map<int, Ref> index_;
    std::unordered_map<std::uint32_t, std::string> names_;
    int next_handle_ = kFirstHandle;
};

}  // namespace tavrel::sim
