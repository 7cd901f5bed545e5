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

const JsonValue* JsonValue::member(std::string_view key) const {
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (keys[i] == key) return &items[i];
    }
    return nullptr;
}

void JsonWriter::keep(JsonValue v, std::size_t start, const std::string& key) {
    if (!keep_values_) return;
    v.written = out_.substr(start);
    if (open_.empty()) {
        kept_ = std::move(v);
        return;
    }
    JsonValue& container = open_.back().value;
    if (container.kind == JsonValue::Kind::Object) container.keys.push_back(key);
    container.items.push_back(std::move(v));
}

void JsonWriter::open(JsonValue::Kind kind, char bracket) {
    separate();
    if (keep_values_) {
        Open o;
        o.value.kind = kind;
        o.start = out_.size();
        o.key = key_;
        open_.push_back(std::move(o));
    }
    out_.push_back(bracket);
    has_item_.push_back(false);
}

void JsonWriter::close(char bracket) {
    out_.push_back(bracket);
    has_item_.pop_back();
    if (!keep_values_) return;
    Open o = std::move(open_.back());
    open_.pop_back();
    keep(std::move(o.value), o.start, o.key);
}

JsonWriter& JsonWriter::beginObject() {
    open(JsonValue::Kind::Object, '{');
    return *this;
}

JsonWriter& JsonWriter::endObject() {
    close('}');
    return *this;
}

JsonWriter& JsonWriter::beginArray() {
    open(JsonValue::Kind::Array, '[');
    return *this;
}

JsonWriter& JsonWriter::endArray() {
    close(']');
    return *this;
}

JsonWriter& JsonWriter::key(std::string_view name) {
    separate();
    appendJsonString(out_, name);
    out_.push_back(':');
    after_key_ = true;
    if (keep_values_) key_ = name;
    return *this;
}

namespace {
JsonValue number(double n) {
    JsonValue v;
    v.kind = JsonValue::Kind::Number;
    v.number = n;
    return v;
}
}  // namespace

JsonWriter& JsonWriter::value(std::int64_t v) {
    separate();
    const std::size_t start = out_.size();
    out_ += std::to_string(v);
    keep(number(static_cast<double>(v)), start, key_);
    return *this;
}

JsonWriter& JsonWriter::value(std::uint64_t v) {
    separate();
    const std::size_t start = out_.size();
    out_ += std::to_string(v);
    keep(number(static_cast<double>(v)), start, key_);
    return *this;
}

JsonWriter& JsonWriter::value(bool v) {
    separate();
    const std::size_t start = out_.size();
    out_ += v ? "true" : "false";
    JsonValue kept;
    kept.kind = JsonValue::Kind::Bool;
    kept.flag = v;
    keep(std::move(kept), start, key_);
    return *this;
}

JsonWriter& JsonWriter::value(float v) {
    if (!std::isfinite(v)) return null();
    separate();
    const std::size_t start = out_.size();
    out_ += formatFloat(v);
    keep(number(static_cast<double>(v)), start, key_);
    return *this;
}

JsonWriter& JsonWriter::value(std::string_view v) {
    separate();
    const std::size_t start = out_.size();
    appendJsonString(out_, v);
    JsonValue kept;
    kept.kind = JsonValue::Kind::String;
    kept.text = v;
    keep(std::move(kept), start, key_);
    return *this;
}

JsonWriter& JsonWriter::null() {
    separate();
    const std::size_t start = out_.size();
    out_ += "null";
    keep(JsonValue{}, start, key_);
    return *this;
}

}  // namespace tavrel::sim
