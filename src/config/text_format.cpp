#include "config/text_format.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <system_error>

namespace tavrel {

namespace {

char* copyCut(const char* text, std::size_t len, char* out, std::size_t size) {
    if (!out || size == 0) return out;
    const std::size_t count = len < size - 1 ? len : size - 1;
    std::memcpy(out, text, count);
    out[count] = '\0';
    return out;
}

bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

char* formatInt(std::int32_t value, char* out, std::size_t size) {
    char text[kIntTextSize];
    const std::to_chars_result r = std::to_chars(text, text + sizeof text, value);
    return copyCut(text, static_cast<std::size_t>(r.ptr - text), out, size);
}

char* formatFixed(float value, std::int32_t decimals, char* out, std::size_t size) {
    if (decimals < 0) decimals = 0;
    if (decimals > 40) decimals = 40;
    // FLT_MAX has 39 integer digits: sign + 39 + point + 40 decimals fit.
    char text[96];
    const std::to_chars_result r =
        std::to_chars(text, text + sizeof text, static_cast<double>(value), std::chars_format::fixed, decimals);
    const std::size_t len = r.ec == std::errc() ? static_cast<std::size_t>(r.ptr - text) : 0;
    return copyCut(text, len, out, size);
}

double textToDouble(const char* text) {
    if (!text) return 0.0;
    const char* p = text;
    while (isSpace(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (*p == '+' || *p == '-') return 0.0;  // one sign only (from_chars would take a second '-')

    const char* end = p + std::strlen(p);
    std::chars_format format = std::chars_format::general;
    const char* digits = p;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        format = std::chars_format::hex;
        digits = p + 2;
    }
    double value = 0.0;
    std::from_chars_result r = std::from_chars(digits, end, value, format);
    if (r.ec == std::errc::invalid_argument) {
        // "0x" without hex digits is the number 0 followed by junk.
        return negative ? -0.0 : 0.0;
    }
    if (r.ec == std::errc::result_out_of_range) {
        // Only a large exponent gets out of range within a 32-char buffer:
        // a negative one underflows to 0, a positive one overflows.
        const char exponent = format == std::chars_format::hex ? 'p' : 'e';
        bool tiny = false;
        for (const char* q = digits; q + 1 < r.ptr; ++q) {
            if ((*q == exponent || *q == exponent - 32) && q[1] == '-') tiny = true;
        }
        value = tiny ? 0.0 : HUGE_VAL;
    }
    return negative ? -value : value;
}

}  // namespace tavrel
