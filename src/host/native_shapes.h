// The shape of every native the plug-in calls: its hash, how many arguments
// it takes and of which kinds, and the kind of its result, as the flight
// recorder writes them (recording_format.h). Built at compile time from
// native_list.inc, in its order (by name); a native's index in this table
// is its number in a recording.
#pragma once
#include <cstdint>
#include <type_traits>

#include "host/natives.h"
#include "host/recording_format.h"

namespace tavrel::rec {

inline constexpr int kMaxArgs = 16;  // the longest parameter list in natives.tsv

struct NativeShape {
    std::uint64_t hash = 0;
    std::uint8_t argc = 0;
    Kind result = Kind::None;
    Kind args[kMaxArgs] = {};
};

template <typename T>
constexpr Kind kindOf() {
    if constexpr (std::is_void_v<T>) return Kind::None;
    else if constexpr (std::is_same_v<T, float>) return Kind::F32;
    else if constexpr (std::is_same_v<T, std::uint32_t>) return Kind::U32;
    else if constexpr (std::is_same_v<T, const char*>) return Kind::Text;
    else if constexpr (std::is_same_v<T, Vector3>) return Kind::Vec3;
    else if constexpr (std::is_pointer_v<T>) {
        static_assert(sizeof(std::remove_pointer_t<T>) == 4, "out-parameters are 4 bytes");
        return Kind::Ptr;
    } else {
        static_assert(std::is_same_v<T, int> || std::is_same_v<T, bool>, "an unknown native type");
        return Kind::I32;
    }
}

// A GET_ native only writes through its pointers: what they held before
// is not part of the call.
constexpr bool writesOnly(const char* name) {
    return name[0] == 'G' && name[1] == 'E' && name[2] == 'T' && name[3] == '_';
}

template <typename Signature>
struct ShapeOf;

template <typename Result, typename... Params>
struct ShapeOf<Result(Params...)> {
    static constexpr NativeShape make(std::uint64_t hash, const char* name) {
        NativeShape s{};
        s.hash = hash;
        s.argc = static_cast<std::uint8_t>(sizeof...(Params));
        s.result = kindOf<Result>();
        [[maybe_unused]] int i = 0;
        ((s.args[i++] = kindOf<Params>()), ...);
        for (int a = 0; a < s.argc; ++a) {
            if (s.args[a] == Kind::Ptr && writesOnly(name)) s.args[a] = Kind::Out;
        }
        return s;
    }
};

namespace shapes_detail {
using namespace tavrel::nat;
inline constexpr NativeShape kAll[] = {
#define TAVREL_NATIVE(name, hash, argc, ret, params, Result, ...) ShapeOf<Result(__VA_ARGS__)>::make(hash, #name),
#include "host/native_list.inc"
#undef TAVREL_NATIVE
};
}  // namespace shapes_detail

inline constexpr const NativeShape* kNativeShapes = shapes_detail::kAll;
inline constexpr int kNativeCount = static_cast<int>(sizeof shapes_detail::kAll / sizeof shapes_detail::kAll[0]);

}  // namespace tavrel::rec
