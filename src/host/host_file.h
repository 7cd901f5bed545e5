// File access of the INI store and of the log. Paths are as the plug-in
// names them (".\\TavrelConfig.ini"); a binding maps the separators for its
// platform. Not called in a steady frame: only at a full load, a menu read or
// a write, and at the end of an event the log tells (load, request, failed
// save, halt, unload).
//
// A symbolic link in place of the INI file stays a link: reads follow it,
// and a write replaces the file it points to, beside that file.
//
// Temporary files: a write's new bytes go to "<file>.<process id>-<n>.tmp"
// beside the file; where the old file has to step aside for a moment (no
// exchange of two names on this system), it is "<file>.<process id>-<n>.old".
// A crash of the game can leave them behind; recoverFile clears them.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tavrel::host {

// One version of a file, as a read saw it: the file itself (volume and file
// number), its size and last-write time, and a hash of the bytes read (a
// file number freed by a replace comes back soon, and last-write times step
// in milliseconds: identity, size and time alone take a newer file of the
// same size for the one read). A write that was built from these bytes
// replaces the file only while it is still this version.
struct FileStamp {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    std::uint64_t size = 0;
    std::uint64_t time = 0;     // last write, in the system's own unit
    std::uint64_t content = 0;  // hash of the bytes
    bool operator==(const FileStamp&) const = default;
};

// File-status query: true when something is at `path` (a directory too, as
// the system's status query answers; a read or write of it then fails).
// While another writer has the file aside for a moment, waits for it (and
// when that writer takes longer, the file still counts as there).
bool fileExists(const char* path);

// Reads the whole file into `out` (replacing its contents). At most
// `max_bytes` are read; a longer file is cut there. `stamp`, when given,
// receives the version read (the file's identity taken before the bytes,
// the hash of the bytes read). False when the file cannot be opened. While
// another writer has the file aside for a moment, waits for it.
bool readFile(const char* path, std::string& out, std::size_t max_bytes, FileStamp* stamp = nullptr);

enum class ReplaceResult {
    Replaced,  // the file holds the new bytes
    Changed,   // the file is no longer the version read (saved over, edited,
               // moved or deleted meanwhile): nothing written; read it again
    Failed,    // not written: not a regular file, read-only, locked by
               // another program, or a step failed (disk full)
};

// Replaces the file's contents with `data`, only while the file is still the
// version `read_as` (checked, bytes included, on the very file that leaves
// the name). The bytes go to a temporary file of this writer's own beside it
// (created exclusively: two writers, even two copies of the plug-in in one
// process, never share one), which then takes the file's place: in one step
// where the system can exchange two names (the old file then checked under
// the temporary's name, and given its name back if it was not the version
// read); otherwise the old file steps aside (Windows: by its own handle,
// held so that no one else writes, renames or deletes it meanwhile) and the
// new one takes the free name without overwriting anything. The store's
// writers put their files in place one at a time per folder. A newer file is
// never overwritten, a deleted one never comes back, and a crash of the game
// at any point leaves the old bytes or the new, never a torn file (where the
// name may be free for a moment, recoverFile puts the file back at the next
// load). Nothing is flushed to disk: this runs on the game thread, at a menu
// step. Never creates the file. Leaves no temporary file behind when it
// returns.
ReplaceResult replaceFile(const char* path, const char* data, std::size_t size, const FileStamp& read_as);

// What recoverFile found and did.
struct FileRecovery {
    bool restored = false;  // the file was missing: put back from an interrupted write
    int removed = 0;        // temporary files of writers no longer running removed
};

// For a load: when the file is missing and a write of a writer no longer
// running was cut off while the file stood aside, its new bytes (written
// whole before the file stepped aside) take the file's name again. Then the
// temporary files of writers no longer running are removed; a running
// writer's are left alone. Touches only names of the temporary-file form.
FileRecovery recoverFile(const char* path);

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
