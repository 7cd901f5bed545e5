#include "sim/scenario/scenario_values.h"

#include <cctype>
#include <charconv>
#include <string>

namespace tavrel::sim {

namespace {

std::string upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

struct NamedKey {
    const char* name;
    std::uint32_t code;
};

constexpr NamedKey kNamedKeys[] = {
    {"BACK", 0x08},  {"RETURN", 0x0D}, {"SHIFT", 0x10}, {"CONTROL", 0x11}, {"MENU", 0x12},
    {"ESCAPE", 0x1B}, {"SPACE", 0x20}, {"LEFT", 0x25},  {"UP", 0x26},      {"RIGHT", 0x27},
    {"DOWN", 0x28},
};

}  // namespace

std::optional<std::int64_t> parseInteger(std::string_view text) {
    bool negative = false;
    if (!text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    const auto res = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (res.ec != std::errc{} || res.ptr != text.data() + text.size()) return std::nullopt;
    if (value > static_cast<std::uint64_t>(INT64_MAX)) return std::nullopt;
    const auto v = static_cast<std::int64_t>(value);
    return negative ? -v : v;
}

std::optional<float> parseDecimal(std::string_view text) {
    if (text.empty()) return std::nullopt;
    const char* begin = text.data();
    if (text.front() == '+') ++begin;
    float value = 0.0f;
    const auto res = std::from_chars(begin, text.data() + text.size(), value, std::chars_format::fixed);
    if (res.ec != std::errc{} || res.ptr != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<std::uint32_t> parseKey(std::string_view text) {
    if (text.size() == 1 && std::isalnum(static_cast<unsigned char>(text[0]))) {
        return static_cast<std::uint32_t>(std::toupper(static_cast<unsigned char>(text[0])));
    }
    const std::string name = upper(text);
    for (const NamedKey& k : kNamedKeys) {
        if (name == k.name) return k.code;
    }
    if (name.starts_with("NUMPAD") && name.size() == 7 && std::isdigit(static_cast<unsigned char>(name[6]))) {
        return 0x60u + static_cast<std::uint32_t>(name[6] - '0');
    }
    if (name.size() >= 2 && name[0] == 'F' && std::isdigit(static_cast<unsigned char>(name[1]))) {
        const auto n = parseInteger(std::string_view(name).substr(1));
        if (n && *n >= 1 && *n <= 24 && name[1] != '0') return 0x70u + static_cast<std::uint32_t>(*n - 1);
        return std::nullopt;
    }
    const auto n = parseInteger(text);
    if (n && *n >= 0 && *n <= 0xFFFFFFFF) return static_cast<std::uint32_t>(*n);
    return std::nullopt;
}

std::optional<bool> parseFlag(std::string_view text) {
    if (text == "0") return false;
    if (text == "1") return true;
    return std::nullopt;
}

}  // namespace tavrel::sim
