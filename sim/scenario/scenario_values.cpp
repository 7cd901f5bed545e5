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

namespace {
constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
}  // namespace

std::string encodeBase64(std::string_view bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = bytes.size() - i < 3 ? bytes.size() - i : 3;
        std::uint32_t v = 0;
        for (std::size_t k = 0; k < 3; ++k) v = (v << 8) | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
        for (std::size_t k = 0; k < 4; ++k) out += k <= n ? kBase64[(v >> (18 - 6 * k)) & 63u] : '=';
    }
    return out;
}

std::optional<std::string> decodeBase64(std::string_view text) {
    if (text.size() % 4 != 0) return std::nullopt;
    std::string out;
    out.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        std::uint32_t v = 0;
        int pad = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            const char c = text[i + k];
            int d = 0;
            if (c == '=' && i + 4 == text.size() && k >= 2) {
                ++pad;
            } else if (pad > 0) {
                return std::nullopt;
            } else {
                const char* at = std::char_traits<char>::find(kBase64, 64, c);
                if (at == nullptr) return std::nullopt;
                d = static_cast<int>(at - kBase64);
            }
            v = (v << 6) | static_cast<std::uint32_t>(d);
        }
        out += static_cast<char>((v >> 16) & 0xFF);
        if (pad < 2) out += static_cast<char>((v >> 8) & 0xFF);
        if (pad < 1) out += static_cast<char>(v & 0xFF);
    }
    return out;
}

}  // namespace tavrel::sim
