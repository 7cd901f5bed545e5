// Typed declarations of every game native the plug-in calls, generated from
// natives.tsv (native_list.inc): each is a Native<Result(Params...)> holding
// its hash, with the host database's own type names.
//
//   nat::IS_ENTITY_DEAD  is  Native<BOOL(Entity, BOOL)>{0x5F9532F3B5CC2551}
//
// invoke() (native_invoker.h) accepts exactly the declared arguments, so a
// call that leaves one out or passes the wrong type does not compile. A
// Native converts to its 64-bit hash wherever a plain hash is wanted.
#pragma once
#include <cstdint>

namespace tavrel {

struct Vector3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

template <typename Signature>
struct Native;

template <typename Result, typename... Params>
struct Native<Result(Params...)> {
    std::uint64_t hash;
    int index = -1;  // its place in native_list.inc: its number in a flight recording
    constexpr operator std::uint64_t() const { return hash; }  // NOLINT(google-explicit-constructor)
};

namespace native_detail {
inline constexpr std::uint64_t kListedHashes[] = {
#define TAVREL_NATIVE(name, hash, ...) hash,
#include "host/native_list.inc"
#undef TAVREL_NATIVE
};
// The place of `hash` in native_list.inc (evaluated where each native is declared).
constexpr int listIndexOf(std::uint64_t hash) {
    for (int i = 0; i < static_cast<int>(sizeof kListedHashes / sizeof kListedHashes[0]); ++i) {
        if (kListedHashes[i] == hash) return i;
    }
    return -1;
}
}  // namespace native_detail

namespace nat {

// The host database's type names. Handles are 32-bit integers (0: none),
// hashes unsigned 32-bit, BOOL a C++ bool here (it travels as 0 or 1).
using BOOL = bool;
using Hash = std::uint32_t;
using Any = int;
using Entity = int;
using Ped = int;
using Vehicle = int;
using Object = int;
using Blip = int;
using Player = int;

#define TAVREL_NATIVE(name, hash, argc, ret, params, Result, ...) \
    inline constexpr Native<Result(__VA_ARGS__)> name{hash, native_detail::listIndexOf(hash)};
#include "host/native_list.inc"
#undef TAVREL_NATIVE

}  // namespace nat
}  // namespace tavrel
