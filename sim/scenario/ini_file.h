// Scenario access to the plug-in's INI file. Lines are written with CRLF.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel::sim {

inline constexpr const char* kIniPath = "./TavrelConfig.ini";
inline constexpr const char* kPluginLogPath = "./Tavrel.log";  // the plug-in's log, beside the INI file

// Sets `key` in `section` to `value`, as the profile API writes it: replaces
// the first matching key line of the first matching section (names compare
// without letter case), else adds the line after the section's last line,
// else adds the section at the end. Creates the file if needed.
bool setIniKey(const std::string& path, const std::string& section, const std::string& key, const std::string& value);
// Replaces the file with these lines, each ended by CRLF.
bool writeIniLines(const std::string& path, const std::vector<std::string>& lines);
// Removes the file, or the empty folder ini-folder put in its place.
bool removeIni(const std::string& path);
// Puts an empty folder in the file's place (the file removed first).
bool makeIniFolder(const std::string& path);
// Replaces the file with these bytes.
bool writeIniBytes(const std::string& path, std::string_view bytes);
// The INI file shipped to players (dist/TavrelConfig.ini), embedded when the
// simulator is built.
std::string_view shippedIniBytes();
// The file's bytes; nullopt when it cannot be read (missing, or a folder).
std::optional<std::string> readIniBytes(const std::string& path);
// The file's lines without their CR / LF / CRLF; none when it is missing.
std::vector<std::string> readLines(const std::string& path);
// The text of `key` in `section` of those bytes, as the file has it after
// the '=' with the spaces around it removed: the first matching key line
// of the first matching section, names compared without letter case (the
// line setIniKey would replace). Nullopt when there is no such key.
std::optional<std::string> iniKeyText(std::string_view bytes, std::string_view section, std::string_view key);
// Makes the file read-only (no write permission; on Windows the read-only
// attribute) or writable again. False when the file is missing.
bool setIniReadOnly(const std::string& path, bool read_only);

}  // namespace tavrel::sim
