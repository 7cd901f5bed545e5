// NativeInvoker: the one typed layer over the host's native protocol.
//
//   int ped = invoke<int>(nat::PLAYER_PED_ID);
//   invoke(nat::SET_VEHICLE_DOORS_LOCKED, vehicle, 2);
//
// Each argument becomes one zeroed 64-bit word with the value in its low
// bytes: 32-bit integers, handles, hashes and booleans in the low half (-1 goes
// as 0x00000000FFFFFFFF); floats as their 32-bit IEEE pattern; text and
// out-parameters as addresses that stay valid until the call returns.
// Results: a 32-bit value is the low half of slot 0; a vector is x, y, z in
// the low halves of slots 0, 1, 2; text is the address in slot 0 and may be
// null. Only the script fibres may call natives.
#pragma once
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "host/host_abi.h"
#include "host/natives.h"

namespace tavrel {

struct Vector3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

namespace native_detail {

inline std::uint64_t packArg(int value) { return static_cast<std::uint32_t>(value); }
inline std::uint64_t packArg(std::uint32_t value) { return value; }
inline std::uint64_t packArg(bool value) { return value ? 1u : 0u; }
inline std::uint64_t packArg(float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}
inline std::uint64_t packArg(const char* text) { return reinterpret_cast<std::uintptr_t>(text); }
template <typename T>
inline std::uint64_t packArg(T* out) {
    static_assert(!std::is_pointer_v<T>, "one level of out-parameter only");
    return reinterpret_cast<std::uintptr_t>(out);
}
// Natives take 32-bit floats: pass 1.0f, not 1.0.
std::uint64_t packArg(double) = delete;
std::uint64_t packArg(long) = delete;
std::uint64_t packArg(long long) = delete;

inline std::uint32_t low32(std::uint64_t slot) { return static_cast<std::uint32_t>(slot); }
inline float slotFloat(std::uint64_t slot) {
    const std::uint32_t bits = low32(slot);
    float value = 0.0f;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

}  // namespace native_detail

// Calls native `hash` with `args`; R is void, int, std::uint32_t (hashes),
// bool, float, Vector3 or const char* (text; may be null: check before use).
template <typename R = void, typename... Args>
R invoke(std::uint64_t hash, Args... args) {
    host::nativeInit(hash);
    (host::nativePush64(native_detail::packArg(args)), ...);
    const std::uint64_t* slots = host::nativeCall();
    if constexpr (std::is_void_v<R>) {
        (void)slots;
    } else if constexpr (std::is_same_v<R, bool>) {
        return native_detail::low32(slots[0]) != 0;
    } else if constexpr (std::is_same_v<R, int>) {
        return static_cast<int>(native_detail::low32(slots[0]));
    } else if constexpr (std::is_same_v<R, std::uint32_t>) {
        return native_detail::low32(slots[0]);
    } else if constexpr (std::is_same_v<R, float>) {
        return native_detail::slotFloat(slots[0]);
    } else if constexpr (std::is_same_v<R, Vector3>) {
        return Vector3{native_detail::slotFloat(slots[0]), native_detail::slotFloat(slots[1]),
                       native_detail::slotFloat(slots[2])};
    } else if constexpr (std::is_same_v<R, const char*>) {
        return reinterpret_cast<const char*>(static_cast<std::uintptr_t>(slots[0]));
    } else {
        static_assert(sizeof(R) == 0, "unsupported native result type");
    }
}

}  // namespace tavrel
