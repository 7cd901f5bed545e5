// The game's name hash (GET_HASH_KEY): Jenkins' one-at-a-time hash of the
// lower-cased name.
#pragma once
#include <cstdint>
#include <string_view>

namespace tavrel::sim {

constexpr std::uint32_t joaat(std::string_view name) {
    std::uint32_t h = 0;
    for (char c : name) {
        const unsigned char u = static_cast<unsigned char>(c);
        h += (u >= 'A' && u <= 'Z') ? u + ('a' - 'A') : u;
        h += h << 10;
        h ^= h >> 6;
    }
    h += h << 3;
    h ^= h >> 11;
    h += h << 15;
    return h;
}

}  // namespace tavrel::sim
