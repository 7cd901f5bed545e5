// NativeInvoker: the one typed layer over the host's native protocol.
//
//   int ped = invoke(nat::PLAYER_PED_ID);
//   bool dead = invoke<bool>(nat::IS_ENTITY_DEAD, ped, false);
//   invoke(nat::SET_VEHICLE_DOORS_LOCKED, vehicle, 2);
//
// Every native is declared with its parameter and result types (natives.h,
// generated from natives.tsv). A call passes every declared argument with
// exactly its declared type (bool for BOOL, float for float: 1.0f, not 1 or
// 1.0; std::uint32_t for Hash; int for handles and int; a pointer to the
// declared type for out-parameters), or it does not compile: the host does
// not clear its argument slots, so a missing argument would be whatever the
// previous call left there. An explicit result type, invoke<R>, must be the
// declared one; without it the call returns the declared type.
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
#include "host/recorder_calls.h"

namespace tavrel {

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

struct DeclaredResult;  // invoke<> without an explicit result type

// Whether an argument of type Arg may fill a parameter declared as Param:
// the same type, or mutable text for const text.
template <typename Param, typename Arg>
inline constexpr bool kAccepts =
    std::is_same_v<Param, Arg> || (std::is_same_v<Param, const char*> && std::is_same_v<Arg, char*>);

template <typename... Params, typename... Args>
constexpr bool argumentsMatch(void (*)(Params...), void (*)(Args...)) {
    return (kAccepts<Params, Args> && ...);
}

}  // namespace native_detail

// Calls `native` with `args`, which must be exactly its declared parameters;
// returns its declared result (text may be null: check before use).
template <typename R = native_detail::DeclaredResult, typename Result, typename... Params, typename... Args>
auto invoke(Native<Result(Params...)> native, Args... args)
    -> std::conditional_t<std::is_same_v<R, native_detail::DeclaredResult>, Result, R> {
    static_assert(sizeof...(Args) == sizeof...(Params),
                  "a native call passes every argument the native declares, and no more");
    if constexpr (sizeof...(Args) == sizeof...(Params)) {
        static_assert(native_detail::argumentsMatch(static_cast<void (*)(Params...)>(nullptr),
                                                    static_cast<void (*)(Args...)>(nullptr)),
                      "each argument of a native call has exactly its declared type");
    }
    static_assert(std::is_same_v<R, native_detail::DeclaredResult> || std::is_same_v<R, Result>,
                  "a native's result is read as its declared type");
    host::nativeInit(native.hash);
    (host::nativePush64(native_detail::packArg(args)), ...);
    // The flight recorder: the arguments before the call, the answer after.
    const bool recording = host::rec_core::recording();
    if (recording) host::rec_core::beginNative<Result>(native.index, args...);
    const std::uint64_t* slots = host::nativeCall();
    if (recording) host::rec_core::endNative<Result>(slots, args...);
    if constexpr (std::is_void_v<Result>) {
        (void)slots;
    } else if constexpr (std::is_same_v<Result, bool>) {
        return native_detail::low32(slots[0]) != 0;
    } else if constexpr (std::is_same_v<Result, int>) {
        return static_cast<int>(native_detail::low32(slots[0]));
    } else if constexpr (std::is_same_v<Result, std::uint32_t>) {
        return native_detail::low32(slots[0]);
    } else if constexpr (std::is_same_v<Result, float>) {
        return native_detail::slotFloat(slots[0]);
    } else if constexpr (std::is_same_v<Result, Vector3>) {
        return Vector3{native_detail::slotFloat(slots[0]), native_detail::slotFloat(slots[1]),
                       native_detail::slotFloat(slots[2])};
    } else if constexpr (std::is_same_v<Result, const char*>) {
        return reinterpret_cast<const char*>(static_cast<std::uintptr_t>(slots[0]));
    } else {
        static_assert(sizeof(Result) == 0, "unsupported native result type");
    }
}

}  // namespace tavrel
