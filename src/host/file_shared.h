// What the platform bindings of host_file.h share: the hash of a version's
// bytes, and the temporary files of the store's writes, told by their names,
// with what a load does with those of writers no longer running (the
// bindings list the folder and act).
//
// A write names its files "<file>.<process id>-<n>.tmp" (the new bytes,
// written whole and closed before anything else happens) and, where the old
// file steps aside for a moment, "<file>.<process id>-<n>.old". A missing
// file beside such a pair of one write means the writer stopped between the
// two renames: the pair's ".tmp" is the version to put back.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel::host {

// The hash a FileStamp carries of the bytes read (64-bit FNV-1a), continued
// over `size` more bytes from `hash` (kHashStart for none yet).
inline constexpr std::uint64_t kHashStart = 14695981039346656037ull;
inline std::uint64_t hashBytes(const char* data, std::size_t size, std::uint64_t hash = kHashStart) {
    for (std::size_t i = 0; i < size; ++i) {
        hash ^= static_cast<unsigned char>(data[i]);
        hash *= 1099511628211ull;
    }
    return hash;
}

}  // namespace tavrel::host

namespace tavrel::host::leftovers {

enum class Kind { Temp, Old };

// One temporary file in the folder.
struct Entry {
    std::string name;          // the name in the folder
    unsigned long writer = 0;  // process id in the name
    unsigned long write = 0;   // the writer's counter in the name
    Kind kind = Kind::Temp;
    bool running = false;      // its writer is still running (another process)
    std::uint64_t time = 0;    // last write, to choose the newest
};

inline char foldCase(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Reads `digits` as a decimal number; false when empty, not all digits, or
// longer than a process id or counter can be.
inline bool parseNumber(std::string_view digits, unsigned long& out) {
    if (digits.empty() || digits.size() > 10) return false;
    out = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return false;
        out = out * 10 + static_cast<unsigned long>(c - '0');
    }
    return true;
}

// Whether `name` is "<file>.<pid>-<n>.tmp" or ".old" for the file named
// `file` (compared without letter case where the system ignores it).
inline bool parseName(std::string_view name, std::string_view file, bool ignore_case, Entry& out) {
    if (name.size() < file.size() + 6 || name[file.size()] != '.') return false;
    for (std::size_t i = 0; i < file.size(); ++i) {
        if (ignore_case ? foldCase(name[i]) != foldCase(file[i]) : name[i] != file[i]) return false;
    }
    std::string_view rest = name.substr(file.size() + 1);
    const std::string_view suffix = rest.substr(rest.size() - 4);
    if (suffix == ".tmp") {
        out.kind = Kind::Temp;
    } else if (suffix == ".old") {
        out.kind = Kind::Old;
    } else {
        return false;
    }
    rest.remove_suffix(4);
    const std::size_t dash = rest.find('-');
    if (dash == std::string_view::npos) return false;
    out.name.assign(name);
    return parseNumber(rest.substr(0, dash), out.writer) && parseNumber(rest.substr(dash + 1), out.write);
}

// What a load does: with the file missing, the ".tmp" of the newest pair of
// one write whose writer is gone takes the file's name (`restore`, an index
// into the entries, or -1); then every file of a writer no longer running
// goes (`remove`, the restored one excepted).
struct Plan {
    int restore = -1;
    std::vector<std::size_t> remove;
};

inline Plan planRecovery(const std::vector<Entry>& entries, bool file_missing) {
    Plan plan;
    if (file_missing) {
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const Entry& temp = entries[i];
            if (temp.kind != Kind::Temp || temp.running) continue;
            bool paired = false;
            for (const Entry& old : entries) {
                paired = paired || (old.kind == Kind::Old && old.writer == temp.writer && old.write == temp.write);
            }
            if (paired && (plan.restore < 0 || temp.time > entries[static_cast<std::size_t>(plan.restore)].time)) {
                plan.restore = static_cast<int>(i);
            }
        }
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!entries[i].running && static_cast<int>(i) != plan.restore) plan.remove.push_back(i);
    }
    return plan;
}

// Whether a running writer has the file aside right now (its ".old" is there).
inline bool fileAside(const std::vector<Entry>& entries) {
    for (const Entry& e : entries) {
        if (e.kind == Kind::Old && e.running) return true;
    }
    return false;
}

// How long a reader waits for a running writer to put the file back (the two
// renames take microseconds; a writer stopped there is waited for no longer).
inline constexpr int kAsideWaitMs = 200;
// How often a reader that found no file looks at the folder (a writer in a
// loop may have put the file back and moved it aside again in between).
inline constexpr int kAsideLooks = 3;

// What a reader that found no file learns by waiting.
enum class Wait {
    Back,     // the file is there again
    Aside,    // a running writer still has it aside: the file exists
    Missing,  // no writer has it: the file is missing
};

}  // namespace tavrel::host::leftovers
