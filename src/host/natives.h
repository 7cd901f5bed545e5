// Named hashes of every game native the plug-in calls (the list is in
// native_list.inc, generated from natives.tsv).
#pragma once
#include <cstdint>

namespace tavrel::nat {

#define TAVREL_NATIVE(name, hash, argc, ret, params) inline constexpr std::uint64_t name = hash;
#include "host/native_list.inc"
#undef TAVREL_NATIVE

}  // namespace tavrel::nat
