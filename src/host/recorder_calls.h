// The flight recorder's record of a native call, written by invoke()
// (native_invoker.h) where every argument's type is known: the arguments
// before the call (what in/out parameters hold then), the result and the
// out-parameters after it. A call that throws into the plug-in is marked so
// by host::nativeCall.
#pragma once
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "host/native_shapes.h"
#include "host/recorder_core.h"

namespace tavrel::host::rec_core {

// Text results longer than this are cut there (a radio station's name is short).
inline constexpr std::size_t kLongestTextResult = 255;

template <typename T>
constexpr std::size_t argBound() {
    if constexpr (std::is_pointer_v<T> && !std::is_same_v<std::remove_cv_t<std::remove_pointer_t<T>>, char>) {
        return 1 + 4 + 4;  // given, the bytes passed in, the bytes after
    } else {
        return 4;
    }
}

inline std::size_t textBound(const char* text) { return 5 + (text != nullptr ? std::strlen(text) : 0); }

template <typename T>
std::size_t argSize(T value) {
    if constexpr (std::is_same_v<T, const char*> || std::is_same_v<T, char*>) {
        return textBound(value);
    } else {
        (void)value;
        return argBound<T>();
    }
}

inline std::uint8_t* putText(std::uint8_t* p, const char* text, std::size_t most = ~std::size_t{0}) {
    if (text == nullptr) {
        *p++ = 0;
        return p;
    }
    std::size_t n = std::strlen(text);
    if (n > most) {
        n = most;
        g.flags |= rec::kFlagIncomplete;
    }
    p = putVarint(p, static_cast<std::uint32_t>(n + 1));
    return putBytes(p, text, n);
}

template <typename T>
std::uint8_t* putArg(std::uint8_t* p, int index, int i, T value) {
    if constexpr (std::is_same_v<T, const char*> || std::is_same_v<T, char*>) {
        return putText(p, value);
    } else if constexpr (std::is_pointer_v<T>) {
        if (value == nullptr) {
            *p++ = 0;
            return p;
        }
        *p++ = 1;
        if (rec::kNativeShapes[index].args[i] == rec::Kind::Out) return p;  // only written by the native
        return putBytes(p, value, 4);
    } else if constexpr (std::is_same_v<T, bool>) {
        return put32(p, value ? 1u : 0u);
    } else {
        static_assert(sizeof(T) == 4, "a 32-bit argument");
        return putBytes(p, &value, 4);
    }
}

template <typename T>
std::uint8_t* putOut(std::uint8_t* p, T value) {
    if constexpr (std::is_pointer_v<T> && !std::is_same_v<std::remove_cv_t<std::remove_pointer_t<T>>, char>) {
        if (value != nullptr) p = putBytes(p, value, 4);
    } else {
        (void)value;
    }
    return p;
}

template <typename Result>
constexpr std::size_t resultBound() {
    if constexpr (std::is_void_v<Result>) return 0;
    else if constexpr (std::is_same_v<Result, const char*>) return 5 + kLongestTextResult;
    else if constexpr (sizeof(Result) > 4) return 12;  // a vector
    else return 4;
}

// Before the call: the record's start and its arguments. Sets g.open.
template <typename Result, typename... Args>
void beginNative(int index, Args... args) {
    g.open = nullptr;
    const std::size_t bound = 2 + 6 + (argSize(args) + ... + 0) + resultBound<Result>();
    if (!beginRecord(bound)) return;
    std::uint8_t* p = g.w;
    g.open = p;
    if (index < 0xFF - rec::kNativeBase) {
        *p++ = static_cast<std::uint8_t>(rec::kNativeBase + index);
    } else {
        *p++ = rec::kNativeWide;
        p = putVarint(p, static_cast<std::uint32_t>(index));
    }
    int i = 0;
    ((p = putArg(p, index, i++, args)), ...);
    g.w = p;
}

// After the call: its result and what it wrote through out-parameters.
template <typename Result, typename... Args>
void endNative(const std::uint64_t* slots, Args... args) {
    if (g.open == nullptr) return;
    g.open = nullptr;
    std::uint8_t* p = g.w;
    if constexpr (std::is_same_v<Result, const char*>) {
        p = putText(p, reinterpret_cast<const char*>(static_cast<std::uintptr_t>(slots[0])), kLongestTextResult);
    } else if constexpr (!std::is_void_v<Result>) {
        p = put32(p, static_cast<std::uint32_t>(slots[0]));
        if constexpr (sizeof(Result) > 4) {
            p = put32(p, static_cast<std::uint32_t>(slots[1]));
            p = put32(p, static_cast<std::uint32_t>(slots[2]));
        }
    }
    ((p = putOut(p, args)), ...);
    g.w = p;
}

// The open call threw into the plug-in: its record says so (and has no result).
void markThrew();

}  // namespace tavrel::host::rec_core
