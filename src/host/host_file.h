// File access of the INI store. Paths are as the plug-in names them
// (".\\TavrelConfig.ini"); a binding maps the separators for its platform.
// Not called in a steady frame: only at a full load, a menu read or a write.
#pragma once
#include <cstddef>
#include <string>

namespace tavrel::host {

// File-status query: true when the file exists.
bool fileExists(const char* path);

// Reads the whole file into `out` (replacing its contents). At most
// `max_bytes` are read; a longer file is cut there. False when the file
// cannot be opened.
bool readFile(const char* path, std::string& out, std::size_t max_bytes);

// Replaces an existing file's contents crash-safely: writes a temporary file
// beside it, flushes it to disk and renames it over the original, so a crash
// leaves the old bytes or the new, never a torn file. Never creates a missing
// file; returns false (and changes nothing) when the file is missing,
// read-only, or any step fails.
bool replaceFile(const char* path, const char* data, std::size_t size);

}  // namespace tavrel::host
