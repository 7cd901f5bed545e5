// Number texts of the INI file, independent of the C locale and free of heap
// allocation: the menu formats into its own buffers.
#pragma once
#include <cstddef>
#include <cstdint>

namespace tavrel {

inline constexpr std::size_t kIntTextSize = 12;    // "-2147483648" and the NUL
inline constexpr std::size_t kFixedTextSize = 64;  // any float with up to 9 decimals

// Decimal digits of `value`, "-" before a negative one, "0" for zero. Writes
// at most size-1 characters and a NUL into `out`; returns `out`.
char* formatInt(std::int32_t value, char* out, std::size_t size);

// `value` in fixed-point notation with exactly `decimals` digits after a '.'
// (the nearest such value; 0 decimals: no point; decimals limited to 0 ... 40).
// 4.8f with 1 gives "4.8", 5 with 1 "5.0". Returns `out`; a text that does
// not fit is cut at size-1 characters.
char* formatFixed(float value, std::int32_t decimals, char* out, std::size_t size);

// The C library's text-to-double conversion (strtod) with a '.' decimal point
// whatever the locale: leading white space skipped, one sign, the longest
// valid decimal, hexadecimal ("0x"), "inf" or "nan" prefix; 0 when there is
// none. Out-of-range values give +-HUGE_VAL or 0, as strtod does.
double textToDouble(const char* text);

}  // namespace tavrel
