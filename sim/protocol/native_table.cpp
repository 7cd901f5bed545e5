#include "sim/protocol/native_table.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

namespace tavrel::sim {

namespace {

struct RawNative {
    std::uint64_t hash;
    const char* name;
    int argc;
    const char* returns;
    const char* params;
};

constexpr RawNative kRawNatives[] = {
#define TAVREL_NATIVE(name, hash, argc, ret, params, ...) {hash, #name, argc, ret, params},
#include "host/native_list.inc"
#undef TAVREL_NATIVE
};

// "const char* text" -> Text, "int* x" -> Pointer, "float scale" -> Float,
// "Hash model" -> Hash, everything else (int, BOOL, handles, Any) -> Int.
ParamKind kindOf(std::string_view param) {
    while (!param.empty() && param.front() == ' ') param.remove_prefix(1);
    if (param.starts_with("const char*")) return ParamKind::Text;
    if (param.find('*') != std::string_view::npos) return ParamKind::Pointer;
    if (param.starts_with("float ")) return ParamKind::Float;
    if (param.starts_with("Hash ")) return ParamKind::Hash;
    return ParamKind::Int;
}

struct Table {
    std::vector<NativeInfo> natives;
    std::unordered_map<std::uint64_t, std::size_t> byHash;

    Table() {
        for (const RawNative& raw : kRawNatives) {
            NativeInfo info;
            info.hash = raw.hash;
            info.name = raw.name;
            info.argc = raw.argc;
            info.returns = raw.returns;
            info.params = raw.params;
            std::string_view rest = raw.params;
            for (int i = 0; i < raw.argc && i < kMaxNativeArgs; ++i) {
                const auto comma = rest.find(',');
                info.kinds[i] = kindOf(rest.substr(0, comma));
                rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
            }
            byHash.emplace(info.hash, natives.size());
            natives.push_back(info);
        }
        for (auto handlers : {entityHandlers(), vehicleHandlers(), vehicleLookHandlers(), audioHandlers(),
                              screenHandlers()}) {
            for (const HandlerBinding& b : handlers) {
                const auto it = byHash.find(b.hash);
                if (it != byHash.end()) natives[it->second].handler = b.handler;
            }
        }
    }
};

const Table& table() {
    static const Table t;
    return t;
}

}  // namespace

std::string paramType(const NativeInfo& info, int index) {
    std::string_view rest = info.params;
    for (int i = 0; i < index; ++i) {
        const auto comma = rest.find(',');
        if (comma == std::string_view::npos) return {};
        rest.remove_prefix(comma + 1);
    }
    rest = rest.substr(0, rest.find(','));
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    const auto last_space = rest.rfind(' ');
    return last_space == std::string_view::npos ? std::string() : std::string(rest.substr(0, last_space));
}

bool isHandleType(std::string_view type) {
    return type == "Entity" || type == "Ped" || type == "Vehicle" || type == "Object" || type == "Blip";
}

const NativeInfo* findNative(std::uint64_t hash) {
    const Table& t = table();
    const auto it = t.byHash.find(hash);
    return it == t.byHash.end() ? nullptr : &t.natives[it->second];
}

std::span<const NativeInfo> allNatives() { return table().natives; }

std::vector<std::string> unmodelledNatives() {
    std::vector<std::string> names;
    for (const NativeInfo& n : table().natives) {
        if (n.handler == nullptr) names.emplace_back(n.name);
    }
    return names;
}

}  // namespace tavrel::sim
