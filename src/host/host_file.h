// File access of the INI store and of the log. Paths are as the plug-in
// names them (".\\TavrelConfig.ini"); a binding maps the separators for its
// platform. Not called in a steady frame: only at a full load, a menu read or
// a write, and at the end of an event the log tells (load, request, failed
// save, halt, unload).
#pragma once
#include <atomic>
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

// Starts a new log at `path`. A regular file already there is first renamed
// to `old_path`, replacing that one (should the rename fail, the file is
// overwritten instead); then `path` is created empty, or cut to 0 bytes. A
// link or a folder at `path` is never followed nor moved. False when `path`
// cannot be created or opened for writing (a read-only folder).
bool startLogFile(const char* path, const char* old_path);

// Appends `size` bytes at the end of the file at `path` (made when it is
// missing): opened, written and closed within the call; no handle is kept,
// nothing is flushed to disk. False when it cannot be opened or written whole.
bool appendLogFile(const char* path, const char* data, std::size_t size);

namespace testing {

// Every call of the functions above so far (tests count the file accesses
// of a frame with it).
extern std::atomic<unsigned long> file_calls;

// Called by replaceFile with the temporary file's path when it is written
// and closed, right before it takes the file's place. Null outside tests.
extern void (*before_replace)(const char* temp_path);

}  // namespace testing

}  // namespace tavrel::host
