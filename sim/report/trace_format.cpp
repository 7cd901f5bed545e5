#include <cstdio>

#include "sim/report/json_writer.h"
#include "sim/report/reports.h"

namespace tavrel::sim {

namespace {

bool startsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

bool isDrawingNative(std::string_view name) {
    return startsWith(name, "SET_TEXT_") || name == "DRAW_RECT";
}

bool opensHiddenText(std::string_view name) {
    return name == "BEGIN_TEXT_COMMAND_DISPLAY_TEXT" || name == "BEGIN_TEXT_COMMAND_GET_NUMBER_OF_LINES_FOR_STRING";
}

bool closesHiddenText(std::string_view name) {
    return name == "END_TEXT_COMMAND_DISPLAY_TEXT" || name == "END_TEXT_COMMAND_GET_NUMBER_OF_LINES_FOR_STRING";
}

}  // namespace

std::string hexText(std::uint64_t v, int digits) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "0x%0*llX", digits, static_cast<unsigned long long>(v));
    return buf;
}

bool isQueryNative(std::string_view name) {
    return startsWith(name, "GET_") || startsWith(name, "IS_") || startsWith(name, "HAS_") ||
           startsWith(name, "DOES_") || name == "PLAYER_ID" || name == "PLAYER_PED_ID";
}

bool ChangeFilter::shows(const TraceEntry& e) {
    const std::size_t fibre = e.fibre == "main" ? 0 : e.fibre == "menu" ? 1 : 2;
    bool& hidden = in_hidden_text_[fibre];
    if (opensHiddenText(e.name)) {
        hidden = true;
        return false;
    }
    if (closesHiddenText(e.name)) {
        hidden = false;
        return false;
    }
    if (startsWith(e.name, "BEGIN_TEXT_COMMAND_")) hidden = false;
    if (hidden && startsWith(e.name, "ADD_TEXT_COMPONENT_")) return false;
    return !isQueryNative(e.name) && !isDrawingNative(e.name);
}

std::string traceJson(const TraceEntry& e) {
    JsonWriter j;
    j.beginObject();
    j.key("t").value(e.tick);
    j.key("fiber").value(e.fibre);
    j.key("hash").value(hexText(e.hash, 16));
    j.key("name").value(e.name);
    j.key("args").beginArray();
    for (const TraceArg& a : e.args) {
        switch (a.kind) {
            case ParamKind::Float: j.value(a.number); break;
            case ParamKind::Text:
                if (a.text) j.value(*a.text);
                else j.null();
                break;
            case ParamKind::Pointer: j.value(a.value != 0 ? "ptr" : "null"); break;
            default: j.value(a.value);
        }
    }
    j.endArray();
    j.endObject();
    return j.str();
}

std::string traceJson(const KeyMessage& m) {
    JsonWriter j;
    j.beginObject();
    j.key("t").value(m.tick);
    j.key("key").value(m.key);
    j.key("down").value(!m.is_up_now);
    j.key("repeat").value(!m.is_up_now && m.was_down_before);
    j.endObject();
    return j.str();
}

std::string timelineLine(const TraceEntry& e) {
    std::string line = std::to_string(e.tick) + " " + e.fibre + " " + std::string(e.name) + "(";
    for (std::size_t i = 0; i < e.args.size(); ++i) {
        const TraceArg& a = e.args[i];
        if (i > 0) line += ", ";
        switch (a.kind) {
            case ParamKind::Float: line += formatFloat(a.number); break;
            case ParamKind::Text:
                if (a.text) appendJsonString(line, *a.text);
                else line += "null";
                break;
            case ParamKind::Pointer: line += a.value != 0 ? "ptr" : "null"; break;
            case ParamKind::Hash: line += hexText(static_cast<std::uint32_t>(a.value), 8); break;
            default: line += std::to_string(a.value);
        }
    }
    line += ")";
    return line;
}

std::string timelineLine(const KeyMessage& m) {
    std::string line = std::to_string(m.tick) + " window key " + (m.is_up_now ? "up " : "down ") + hexText(m.key, 2);
    if (!m.is_up_now && m.was_down_before) line += " repeat";
    return line;
}

}  // namespace tavrel::sim
