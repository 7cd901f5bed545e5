// NativeCall: what a native handler sees: the pushed arguments (missing ones
// read as 0), the result slots, the world and the simulator.
#pragma once
#include <cstdint>
#include <cstring>

#include "sim/protocol/simulator.h"

namespace tavrel::sim {

struct NativeCall {
    Simulator& sim;
    World& world;
    const NativeInfo& info;
    const std::uint64_t* args;  // kMaxNativeArgs words
    std::uint64_t* slots;       // 4 words, zeroed

    int i(int k) const { return static_cast<int>(static_cast<std::uint32_t>(args[k])); }
    std::uint32_t u(int k) const { return static_cast<std::uint32_t>(args[k]); }
    bool b(int k) const { return static_cast<std::uint32_t>(args[k]) != 0; }
    float f(int k) const {
        const std::uint32_t bits = u(k);
        float value = 0.0f;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    const char* s(int k) const { return reinterpret_cast<const char*>(static_cast<std::uintptr_t>(args[k])); }
    // An out-parameter; null (and a fault recorded) when the plug-in passed none.
    template <typename T>
    T* out(int k) const {
        T* p = reinterpret_cast<T*>(static_cast<std::uintptr_t>(args[k]));
        if (p == nullptr) sim.recordFault(info.hash, "null out-parameter");
        return p;
    }

    void retInt(int v) const { slots[0] = static_cast<std::uint32_t>(v); }
    void retBool(bool v) const { slots[0] = v ? 1u : 0u; }
    void retFloat(float v) const { slots[0] = bits(v); }
    void retVec(float x, float y, float z) const {
        slots[0] = bits(x);
        slots[1] = bits(y);
        slots[2] = bits(z);
    }
    void retVec(const Vec3& v) const { retVec(v.x, v.y, v.z); }
    void retText(const char* text) const { slots[0] = reinterpret_cast<std::uintptr_t>(text); }

    std::uint32_t now() const { return sim.now(); }

private:
    static std::uint64_t bits(float v) {
        std::uint32_t b = 0;
        std::memcpy(&b, &v, sizeof b);
        return b;
    }
};

}  // namespace tavrel::sim
