// The natives the simulator knows: names, argument counts and parameter
// kinds from src/host/native_list.inc (generated from natives.tsv), each
// bound to the handler that models it.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel::sim {

struct NativeCall;
using NativeHandler = void (*)(NativeCall&);

inline constexpr int kMaxNativeArgs = 16;  // the longest parameter list in natives.tsv

// How an argument is shown in the trace.
enum class ParamKind : std::uint8_t { Int, Hash, Float, Text, Pointer };

struct NativeInfo {
    std::uint64_t hash = 0;
    const char* name = "";
    int argc = 0;  // the arguments every call pushes, no fewer and no more
    const char* returns = "";
    const char* params = "";  // as natives.tsv writes them: "Vehicle vehicle, int index"
    ParamKind kinds[kMaxNativeArgs] = {};
    NativeHandler handler = nullptr;
};

// The type name of parameter `index` ("Vehicle", "int*", "const char*"), or "".
std::string paramType(const NativeInfo& info, int index);
// Entity, Ped, Vehicle, Object and Blip: a game handle.
bool isHandleType(std::string_view type);

// Null for a hash the simulator does not know.
const NativeInfo* findNative(std::uint64_t hash);
std::span<const NativeInfo> allNatives();
// Names of listed natives that have no handler (empty when all are modelled).
std::vector<std::string> unmodelledNatives();

// Handler tables, one per file of natives_*.cpp.
struct HandlerBinding {
    std::uint64_t hash;
    NativeHandler handler;
};
std::span<const HandlerBinding> entityHandlers();
std::span<const HandlerBinding> vehicleHandlers();
std::span<const HandlerBinding> vehicleLookHandlers();
std::span<const HandlerBinding> audioHandlers();
std::span<const HandlerBinding> screenHandlers();

}  // namespace tavrel::sim
