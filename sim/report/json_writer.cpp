#include "sim/report/json_writer.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace tavrel::sim {

void appendJsonString(std::string& out, std::string_view text) {
    out.push_back('"');
    for (char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (u < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", u);
                    out += buf;
                } else {
                    out.push_back(c);
                }
        }
    }
    out.push_back('"');
}

std::string formatFloat(float v) {
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, res.ptr);
}

void JsonWriter::separate() {
    if (after_key_) {
        after_key_ = false;
        return;
    }
    if (!has_item_.empty()) {
        if (has_item_.back()) out_.push_back(',');
        has_item_.back() = true;
    }
}

JsonWriter& JsonWriter::beginObject() {
    separate();
    out_.push_back('{');
    has_item_.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::endObject() {
    out_.push_back('}');
    has_item_.pop_back();
    return *this;
}

JsonWriter& JsonWriter::beginArray() {
    separate();
    out_.push_back('[');
    has_item_.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::endArray() {
    out_.push_back(']');
    has_item_.pop_back();
    return *this;
}

JsonWriter& JsonWriter::key(std::string_view name) {
    separate();
    appendJsonString(out_, name);
    out_.push_back(':');
    after_key_ = true;
    return *this;
}

JsonWriter& JsonWriter::value(std::int64_t v) {
    separate();
    out_ += std::to_string(v);
    return *this;
}

JsonWriter& JsonWriter::value(std::uint64_t v) {
    separate();
    out_ += std::to_string(v);
    return *this;
}

JsonWriter& JsonWriter::value(bool v) {
    separate();
    out_ += v ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::value(float v) {
    if (!std::isfinite(v)) return null();
    separate();
    out_ += formatFloat(v);
    return *this;
}

JsonWriter& JsonWriter::value(std::string_view v) {
    separate();
    appendJsonString(out_, v);
    return *this;
}

JsonWriter& JsonWriter::null() {
    separate();
    out_ += "null";
    return *this;
}

}  // namespace tavrel::sim
