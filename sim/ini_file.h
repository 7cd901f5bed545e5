// Scenario access to the plug-in's INI file. Lines are written with CRLF.
#pragma once
#include <string>
#include <vector>

namespace tavrel::sim {

inline constexpr const char* kIniPath = "./TavrelConfig.ini";

// Sets `key` in `section` to `value`, as the profile API writes it: replaces
// the first matching key line of the first matching section (names compare
// without letter case), else adds the line after the section's last line,
// else adds the section at the end. Creates the file if needed.
bool setIniKey(const std::string& path, const std::string& section, const std::string& key, const std::string& value);
// Replaces the file with these lines, each ended by CRLF.
bool writeIniLines(const std::string& path, const std::vector<std::string>& lines);
bool removeIni(const std::string& path);
// Makes the file read-only (no write permission; on Windows the read-only
// attribute) or writable again. False when the file is missing.
bool setIniReadOnly(const std::string& path, bool read_only);

}  // namespace tavrel::sim
