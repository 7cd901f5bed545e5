// Keyboard and controller input: the keyboard handler's table and the tests
// the rest of the plug-in asks. Key codes are Windows virtual-key codes; a
// code is usable only when, taken as unsigned, it is below 255 (-1 = unbound).
// Controller ids are controls of group 2, passed to the host unchecked.
//
// All tests run on the script fibres; only onKeyboardMessage runs on
// the window thread.
#pragma once
#include <cstdint>

namespace tavrel {

inline constexpr int kDefaultLockKey = 0x4C;        // L
inline constexpr int kDefaultUnlockKey = 0x55;      // U
inline constexpr int kDefaultMenuToggleKey = 0x78;  // F9

inline constexpr std::uint32_t kKeyHeldWindowMs = 5000;     // since the last key-down
inline constexpr std::uint32_t kKeyReleaseWindowMs = 100;   // a release counts this long
inline constexpr std::uint32_t kHotkeyGuardMs = 1000;       // one hotkey action per second
inline constexpr std::uint32_t kComboGuardMs = 500;

// Down since its last key-down message, at most 5000 ms ago. Never consumes.
bool isKeyHeld(int key);
// Released less than 100 ms ago; on true the entry is zeroed (reported once).
bool isKeyJustReleased(int key);

// The menu toggle (single key, two keys, F9 default, controller pair).
// May zero entries and stamp RuntimeState.last_input_action_time.
bool isMenuToggleRequested();

// Each output that is not null becomes true while one of its keys is held or,
// with the controller active and no key held, its control is pressed.
void readMenuNavigation(bool* select, bool* back, bool* up, bool* down, bool* left, bool* right);

// The keyboard handler the host calls on the window thread for every key
// message: stores the message in the key-state table, calls no native, lets
// no exception out.
void onKeyboardMessage(std::uint32_t key, std::uint16_t repeats, std::uint8_t scan_code, int is_extended,
                       int is_with_alt, int was_down_before, int is_up_now);

// The keys of the lock (or unlock) hotkey: the primary key, or L (U) when it
// is -1; `second` is the optional key held with it, -1 when there is none.
struct HotkeyKeys {
    int first;
    int second;
};
HotkeyKeys hotkeyKeys(bool lock);

// A press of the lock (or unlock) hotkey, told apart from others for the
// log: the tick of the key-down message that completed it, when its keys are
// held and that message is no key repeat; 0 otherwise. Ignores the input
// guard; calls no native.
std::uint32_t hotkeyPressTick(bool lock);

bool isLockHotkeyDown();
bool isUnlockHotkeyDown();
bool isLockComboPressed();
bool isUnlockComboPressed();

}  // namespace tavrel
