// JsonWriter: compact one-line JSON in the order the caller writes it; asked
// to, it also keeps what it wrote as values (JsonValue), which the scenario's
// expect lines compare without reading the text back.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel::sim {

// One value as a JsonWriter wrote it.
struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object } kind = Kind::Null;
    bool flag = false;
    double number = 0.0;             // a float written is this double exactly
    std::string text;                // String
    std::vector<JsonValue> items;    // Array; an Object's member values
    std::vector<std::string> keys;   // Object: its member names, in the order of items
    std::string written;             // its JSON text, as written

    // An Object's member, or null.
    const JsonValue* member(std::string_view key) const;
};

class JsonWriter {
public:
    enum class Keep { Text, TextAndValues };
    explicit JsonWriter(Keep keep = Keep::Text) : keep_values_(keep == Keep::TextAndValues) {}

    JsonWriter& beginObject();
    JsonWriter& endObject();
    JsonWriter& beginArray();
    JsonWriter& endArray();
    JsonWriter& key(std::string_view name);
    JsonWriter& value(std::int64_t v);
    JsonWriter& value(int v) { return value(static_cast<std::int64_t>(v)); }
    JsonWriter& value(std::uint32_t v) { return value(static_cast<std::int64_t>(v)); }
    JsonWriter& value(std::uint64_t v);
    JsonWriter& value(bool v);
    JsonWriter& value(float v);  // shortest form that reads back; null when not finite
    JsonWriter& value(std::string_view v);
    JsonWriter& value(const char* v) { return v != nullptr ? value(std::string_view(v)) : null(); }
    JsonWriter& null();
    const std::string& str() const { return out_; }
    // With Keep::TextAndValues: the first value written, once it is complete.
    const JsonValue& kept() const { return kept_; }

private:
    void separate();
    void open(JsonValue::Kind kind, char bracket);
    void close(char bracket);
    // Keeps `v`, written from out_[start] on, in its container (under `key`
    // in an object) or as the value.
    void keep(JsonValue v, std::size_t start, const std::string& key);
    struct Open {
        JsonValue value;
        std::size_t start = 0;  // where it began in out_
        std::string key;        // its key in the container around it
    };
    std::string out_;
    std::vector<bool> has_item_;  // per open container
    bool after_key_ = false;
    bool keep_values_ = false;
    std::vector<Open> open_;  // kept: the containers being written
    std::string key_;         // kept: the key of the value being written
    JsonValue kept_;
};

// Appends `text` as a JSON string literal.
void appendJsonString(std::string& out, std::string_view text);
// The shortest decimal form of a float that reads back to the same value.
std::string formatFloat(float v);

}  // namespace tavrel::sim
