// Reading the values of scenario commands: numbers, coordinates, key names.
// Each returns nullopt for text that is not a valid value.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavrel::sim {

// Decimal or 0x hexadecimal, with an optional minus sign, within int64.
std::optional<std::int64_t> parseInteger(std::string_view text);
// A decimal number such as -12.5 or 3.
std::optional<float> parseDecimal(std::string_view text);
// A virtual-key code: a number, or one of the names A-Z, 0-9 (one digit is
// the digit key: "5" is 0x35), F1-F24, NUMPAD0-NUMPAD9, BACK, RETURN, SHIFT,
// CONTROL, MENU, ESCAPE, SPACE, LEFT, UP, RIGHT, DOWN (any letter case).
std::optional<std::uint32_t> parseKey(std::string_view text);
// 0 or 1.
std::optional<bool> parseFlag(std::string_view text);
// Standard base64 (with its '=' padding), and back.
std::optional<std::string> decodeBase64(std::string_view text);
std::string encodeBase64(std::string_view bytes);

}  // namespace tavrel::sim
