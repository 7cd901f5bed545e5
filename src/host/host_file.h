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

// Replaces an existing file's contents. The bytes go to a temporary file of
// this writer's own beside it (named after the process and a counter, created
// exclusively: two writers, even two copies of the plug-in in one process,
// never share one), which then takes the file's place in one step (Windows:
// ReplaceFileW, keeping the file's attributes; POSIX: an exchange or a rename
// checked against the file's identity). A crash of the game at any point
// leaves the old bytes or the new, never a torn file. Nothing is flushed to
// disk: this runs on the game thread, at a menu step.
// Never creates the file, not even one deleted while the new bytes are being
// written. Returns true when the file holds the new bytes; false when the
// write failed and the file is as it was: missing, not a regular file,
// read-only, locked by another program, replaced meanwhile, or any step
// failed (disk full). No temporary file is left behind either way.
bool replaceFile(const char* path, const char* data, std::size_t size);

namespace testing {

// Called by replaceFile with the temporary file's path when it is written
// and closed, right before it takes the file's place. Null outside tests.
extern void (*before_replace)(const char* temp_path);

}  // namespace testing

}  // namespace tavrel::host
