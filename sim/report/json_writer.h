// JsonWriter: compact one-line JSON in the order the caller writes it.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel::sim {

class JsonWriter {
public:
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

private:
    void separate();
    std::string out_;
    std::vector<bool> has_item_;  // per open container
    bool after_key_ = false;
};

// Appends `text` as a JSON string literal.
void appendJsonString(std::string& out, std::string_view text);
// The shortest decimal form of a float that reads back to the same value.
std::string formatFloat(float v);

}  // namespace tavrel::sim
