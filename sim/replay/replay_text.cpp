#include "sim/replay/replay_text.h"

#include <cstdio>
#include <cstring>

#include "sim/protocol/native_table.h"
#include "sim/report/json_writer.h"
#include "sim/report/reports.h"

namespace tavrel::sim {

namespace {

ParamKind kindOf(rec::Kind kind) {
    switch (kind) {
        case rec::Kind::F32: return ParamKind::Float;
        case rec::Kind::U32: return ParamKind::Hash;
        case rec::Kind::Text: return ParamKind::Text;
        case rec::Kind::Ptr:
        case rec::Kind::Out: return ParamKind::Pointer;
        default: return ParamKind::Int;
    }
}

std::string registrationText(std::uint32_t what) {
    switch (what) {
        case rec::kRegisterMain: return "scriptRegister (the main script)";
        case rec::kRegisterThread: return "scriptRegisterAdditionalThread";
        case rec::kRegisterKeyboard: return "keyboardHandlerRegister";
        case rec::kUnregisterScripts: return "scriptUnregister";
        default: return "keyboardHandlerUnregister";
    }
}

}  // namespace

float floatOfBits(std::uint32_t bits) {
    float f = 0;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

std::string fibreLabel(int context) {
    if (context < 0) return "host";
    if (context == 0) return "main";
    if (context == 1) return "menu";
    return "menu" + std::to_string(context);
}

std::string callText(const TraceEntry& entry) {
    const std::string line = timelineLine(entry);
    const std::size_t name = line.find(entry.name);
    return name == std::string::npos ? line : line.substr(name);
}

std::string valueText(const RecValue& v, ParamKind kind) {
    switch (v.kind) {
        case rec::Kind::Text: {
            if (v.null) return "null";
            std::string out;
            appendJsonString(out, v.text);
            return out;
        }
        case rec::Kind::Ptr:
        case rec::Kind::Out:
            return v.null ? "null" : "ptr";
        case rec::Kind::Vec3: {
            std::string out = "[";
            out += formatFloat(floatOfBits(v.bits));
            out += ", ";
            out += formatFloat(floatOfBits(v.more[0]));
            out += ", ";
            out += formatFloat(floatOfBits(v.more[1]));
            out += "]";
            return out;
        }
        case rec::Kind::None:
            return "";
        default:
            break;
    }
    if (kind == ParamKind::Float || v.kind == rec::Kind::F32) return formatFloat(floatOfBits(v.bits));
    if (kind == ParamKind::Hash || v.kind == rec::Kind::U32) return hexText(v.bits, 8);
    return std::to_string(static_cast<std::int32_t>(v.bits));
}

std::string eventText(const RecordingFile& file, const RecEvent& e) {
    switch (e.kind) {
        case RecEventKind::Tick: return "a clock read -> " + std::to_string(e.number);
        case RecEventKind::Wait: return "scriptWait(" + std::to_string(e.number) + ")";
        case RecEventKind::Start: return "the script of fibre " + fibreLabel(e.fibre) + " begins";
        case RecEventKind::Resume: return "fibre " + fibreLabel(e.fibre) + " resumes";
        case RecEventKind::Register: return registrationText(e.number);
        case RecEventKind::Seed: return "srand(" + std::to_string(e.number) + ")";
        case RecEventKind::Random: return "rand() -> " + std::to_string(e.number);
        case RecEventKind::World: {
            std::string text = std::string(e.number == 0 ? "worldGetAllPeds" : "worldGetAllVehicles") + "(" +
                               std::to_string(e.capacity) + ") -> " + std::to_string(e.count) + " [";
            for (std::size_t i = 0; i < e.handles.size() && i < 8; ++i) text += (i > 0 ? ", " : "") + std::to_string(e.handles[i]);
            return text + (e.handles.size() > 8 ? ", ...]" : "]");
        }
        case RecEventKind::FileExists: return "file " + e.path + (e.ok ? " exists" : " is missing");
        case RecEventKind::FileRead:
            if (!e.ok) return "read of " + e.path + " failed";
            return "read of " + e.path + ": " + std::to_string(e.size) + " bytes";
        case RecEventKind::FileReplace:
            return "write of " + e.path + ": " + std::to_string(e.size) + " bytes, checksum " + hexText(e.sum, 16) +
                   (e.ok ? "" : e.changed ? " (changed since the read: not written)" : " (failed)");
        case RecEventKind::FileRecover:
            return "recovery of " + e.path + (e.ok ? ": put back" : "") + ", " + std::to_string(e.number) +
                   " leftovers removed";
        case RecEventKind::FileAppend:
            return "append to " + e.path + ": " + std::to_string(e.size) + " bytes" + (e.ok ? "" : " (failed)");
        case RecEventKind::LogStart:
            return "log " + e.path + " begun afresh" + (e.ok ? "" : " (failed)");
        case RecEventKind::Key: {
            std::string text = std::string("key ") + ((e.flags & rec::kKeyUp) != 0 ? "up " : "down ") + hexText(e.key, 2);
            if ((e.flags & rec::kKeyUp) == 0 && (e.flags & rec::kKeyWasDown) != 0) text += " repeat";
            if ((e.flags & rec::kKeyTick) != 0) text += " (clock " + std::to_string(e.number) + ")";
            return text;
        }
        case RecEventKind::UnknownNative: return "the unknown native " + hexText(e.hash, 16);
        case RecEventKind::Native: break;
    }
    const RecNative& n = file.natives[static_cast<std::size_t>(e.native)];
    const NativeInfo* info = findNative(n.hash);
    std::string text = nativeName(file, e.native) + "(";
    for (std::size_t i = 0; i < e.args.size(); ++i) {
        if (i > 0) text += ", ";
        const ParamKind kind = info != nullptr && i < static_cast<std::size_t>(kMaxNativeArgs) ? info->kinds[i] : kindOf(e.args[i].kind);
        text += valueText(e.args[i], kind);
    }
    text += ")";
    if (e.threw) return text + " threw into the plug-in";
    if (n.result != rec::Kind::None) {
        const bool boolean = info != nullptr && std::strcmp(info->returns, "BOOL") == 0;
        text += " -> " + (boolean ? std::string(e.result.bits != 0 ? "true" : "false") : valueText(e.result, kindOf(n.result)));
    }
    for (const RecValue& a : e.args) {
        if ((a.kind == rec::Kind::Ptr || a.kind == rec::Kind::Out) && !a.null) {
            float f = floatOfBits(a.after);
            text += " out " + std::to_string(static_cast<std::int32_t>(a.after));
            if (f == f && f != 0.0f && (a.after & 0x7F800000u) != 0) text += " (" + formatFloat(f) + " as float)";
        }
    }
    return text;
}

std::string localFileName(const std::string& path) {
    std::string name = path;
    if (name.rfind(".\\", 0) == 0 || name.rfind("./", 0) == 0) name = name.substr(2);
    if (name.empty() || name == "." || name == ".." || name.find_first_of("\\/:") != std::string::npos) return {};
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' || c == '|') {
            return {};
        }
    }
    return name;
}

}  // namespace tavrel::sim
