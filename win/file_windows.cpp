// File access of the INI store, the log and the recorder on Windows (Win32,
// ANSI paths).
//
// Paths arrive as the plug-in names them (".\\TavrelConfig.ini"), already in
// Windows form, relative to the game's working directory.
// [SECTION] Handles, paths and stamps
// [SECTION] Temporary files and leftovers
// [SECTION] The interface
// [SECTION] The log
// [SECTION] The recorder's file
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdio>
#include <cwchar>
#include <iterator>
#include <string>
#include <vector>

#include "host/host_binding.h"
#include "host/file_shared.h"
#include "host/host_file.h"

namespace {

using tavrel::host::FileStamp;
using tavrel::host::ReplaceResult;
namespace leftovers = tavrel::host::leftovers;

// [SECTION] Handles, paths and stamps

constexpr DWORD kChunk = 64 * 1024;  // bytes per ReadFile / WriteFile call

// An open Win32 handle, closed on every path out.
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() { close(); }

    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }
    // True when the handle was closed without error.
    bool close() {
        if (!valid()) return true;
        const bool ok = CloseHandle(handle_) != 0;
        handle_ = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE handle_;
};

// Room for a path as the system resolves it ("\\?\C:\...") and the
// temporary's ".<process id>-<counter>.tmp" after it.
constexpr int kTempSuffix = 32;
constexpr DWORD kPathRoom = 1024;
using WidePath = wchar_t[kPathRoom + kTempSuffix];

// `path` in UTF-16, as the ANSI file functions read it. False when it does
// not convert or is longer than MAX_PATH (the ANSI functions' limit).
bool widePath(const char* path, WidePath& out) {
    const UINT code_page = AreFileApisANSI() ? CP_ACP : CP_OEMCP;
    return MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, path, -1, out, MAX_PATH) > 1;
}

bool notFound(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// A file's identity, size and time (no hash of its bytes yet).
FileStamp stampOf(const BY_HANDLE_FILE_INFORMATION& info) {
    const auto wide = [](DWORD high, DWORD low) { return (static_cast<std::uint64_t>(high) << 32) | low; };
    return FileStamp{info.dwVolumeSerialNumber, wide(info.nFileIndexHigh, info.nFileIndexLow),
                     wide(info.nFileSizeHigh, info.nFileSizeLow),
                     wide(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime), 0};
}

bool sameFileAs(const FileStamp& a, const FileStamp& b) {
    return a.volume == b.volume && a.index == b.index && a.size == b.size && a.time == b.time;
}

// Whether the open file (read from its start) is the version `read_as`,
// its bytes read again and hashed.
bool isVersion(HANDLE file, const FileStamp& read_as) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file, &info) || !sameFileAs(stampOf(info), read_as)) return false;
    std::uint64_t hash = tavrel::host::kHashStart;
    char chunk[16384];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, chunk, sizeof chunk, &got, nullptr)) return false;
        if (got == 0) return hash == read_as.content;
        hash = tavrel::host::hashBytes(chunk, got, hash);
    }
}

// Renames the open file to `path` (a full path), refusing to overwrite.
bool renameOpenFile(HANDLE file, const wchar_t* path) {
    const std::size_t length = std::wcslen(path);
    alignas(FILE_RENAME_INFO) unsigned char buffer[sizeof(FILE_RENAME_INFO) + sizeof(WidePath)];
    if (length >= std::size(WidePath{})) return false;
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer);
    info->ReplaceIfExists = FALSE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(length * sizeof(wchar_t));
    std::wmemcpy(info->FileName, path, length + 1);
    return SetFileInformationByHandle(file, FileRenameInfo, info,
                                      static_cast<DWORD>(sizeof(FILE_RENAME_INFO) + length * sizeof(wchar_t))) != 0;
}

// Opens the file to check it and move it aside: for reading and DELETE,
// sharing only reading, so that no one writes, renames or deletes it
// meanwhile (a delete by name, which Wine makes by opening the file and
// unlinking the name at close, would otherwise miss a file moved in
// between). Another writer of this store doing the same holds it for a
// moment: tried again a little.
HANDLE openToMoveAside(const wchar_t* target) {
    for (int attempt = 0;; ++attempt) {
        HANDLE file = CreateFileW(target, GENERIC_READ | DELETE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_SHARING_VIOLATION || attempt == 20) return file;
        Sleep(1);
    }
}

// The file that `path` names once links are followed (the system's own
// answer on an open handle), or `path` itself when it does not resolve.
// The handle's information goes to `info`. False when the file cannot be
// opened (GetLastError says why).
bool resolveFile(const wchar_t* path, WidePath& target, BY_HANDLE_FILE_INFORMATION& info) {
    FileHandle look(CreateFileW(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!look.valid()) return false;
    if (!GetFileInformationByHandle(look.get(), &info)) return false;
    const DWORD n = GetFinalPathNameByHandleW(look.get(), target, kPathRoom, FILE_NAME_NORMALIZED);
    if (n == 0 || n >= kPathRoom) wcscpy(target, path);
    return true;
}

// The start of `path`'s last part.
const wchar_t* lastPart(const wchar_t* path) {
    const wchar_t* part = path;
    for (const wchar_t* p = path; *p != L'\0'; ++p) {
        if (*p == L'\\' || *p == L'/') part = p + 1;
    }
    return part;
}

std::string toUtf8(const wchar_t* text) {
    char narrow[4 * (kPathRoom + kTempSuffix)];
    return WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr) > 0 ? narrow : "";
}

// [SECTION] Temporary files and leftovers

bool writeAll(HANDLE file, const char* data, std::size_t size) {
    while (size > 0) {
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size, kChunk));
        DWORD written = 0;
        if (!WriteFile(file, data, want, &written, nullptr) || written == 0) return false;
        data += written;
        size -= written;
    }
    return true;
}

// Temporary files made by this copy of the store so far (part of their names).
std::atomic<unsigned> temp_count{0};

// Creates a temporary file of this writer's own beside `target`:
// "<target>.<process id>-<counter>.tmp", with CREATE_NEW, so no other writer
// opens it; a name in use (another copy of the store in this process, or a
// leftover) moves on to the next counter. Made with `attributes`. `old` gets
// the matching name "<target>.<process id>-<counter>.old", for the old file.
HANDLE createTemp(const WidePath& target, DWORD attributes, WidePath& temp, WidePath& old) {
    const unsigned long pid = GetCurrentProcessId();
    for (int attempt = 0; attempt < 64; ++attempt) {
        const unsigned n = temp_count.fetch_add(1, std::memory_order_relaxed);
        const int len = _snwprintf(temp, std::size(temp), L"%ls.%lu-%u.tmp", target, pid, n);
        if (len < 0 || len >= static_cast<int>(std::size(temp))) break;
        _snwprintf(old, std::size(old), L"%ls.%lu-%u.old", target, pid, n);  // as long: fits
        HANDLE file = CreateFileW(temp, GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes, nullptr);
        if (file != INVALID_HANDLE_VALUE) return file;
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
    }
    return INVALID_HANDLE_VALUE;
}

// Another process that still runs. This process's own files are never a
// write in progress when the store looks (one write at a time).
bool writerRunning(unsigned long pid) {
    if (pid == 0 || pid == GetCurrentProcessId()) return false;
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (process == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}

// The store's temporary files beside `target`, by name (UTF-8).
std::vector<leftovers::Entry> listLeftovers(const wchar_t* target) {
    std::vector<leftovers::Entry> entries;
    std::wstring pattern(target);
    pattern += L".*";
    const std::string name = toUtf8(lastPart(target));
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return entries;
    do {
        leftovers::Entry entry;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
            !leftovers::parseName(toUtf8(found.cFileName), name, true, entry)) {
            continue;
        }
        entry.time = (static_cast<std::uint64_t>(found.ftLastWriteTime.dwHighDateTime) << 32) |
                     found.ftLastWriteTime.dwLowDateTime;
        entry.running = writerRunning(entry.writer);
        entries.push_back(std::move(entry));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return entries;
}

// The full name of a leftover `name` (UTF-8) beside `target`.
std::wstring besideTarget(const wchar_t* target, const std::string& name) {
    wchar_t wide[kPathRoom];
    if (MultiByteToWideChar(CP_UTF8, 0, name.c_str(), -1, wide, kPathRoom) <= 0) return {};
    return std::wstring(target, lastPart(target)) + wide;
}

// `path` was missing: when a running writer has the file aside, waits (a
// bounded time) for it to come back. It may also have come back while the
// folder was looked at, and gone aside again for the writer's next write:
// looked at again, a few times.
leftovers::Wait waitForFileAside(const char* path) {
    WidePath wide;
    if (!widePath(path, wide)) return leftovers::Wait::Missing;
    for (int look = 0; look < leftovers::kAsideLooks; ++look) {
        if (leftovers::fileAside(listLeftovers(wide))) {
            for (int waited = 0; waited < leftovers::kAsideWaitMs; ++waited) {
                Sleep(1);
                if (GetFileAttributesW(wide) != INVALID_FILE_ATTRIBUTES) return leftovers::Wait::Back;
            }
            return leftovers::Wait::Aside;
        }
        if (GetFileAttributesW(wide) != INVALID_FILE_ATTRIBUTES) return leftovers::Wait::Back;
    }
    return leftovers::Wait::Missing;
}

}  // namespace

namespace tavrel::host {

// [SECTION] The interface

bool binding::fileExists(const char* path) {
    testing::file_calls.fetch_add(1, std::memory_order_relaxed);
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) return true;  // a directory too, as the query says
    return notFound(GetLastError()) && waitForFileAside(path) != leftovers::Wait::Missing;
}

bool binding::readFile(const char* path, std::string& out, std::size_t max_bytes, FileStamp* stamp) {
    testing::file_calls.fetch_add(1, std::memory_order_relaxed);
    out.clear();
    // Shared for writing and deleting too, so a text editor that has the
    // file open, or saves it by rename, does not make the read fail.
    const auto open = [path] {
        return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    HANDLE opened = open();
    // A writer in a loop may move it aside again before the second look.
    for (int look = 0; opened == INVALID_HANDLE_VALUE && notFound(GetLastError()) && look < leftovers::kAsideLooks;
         ++look) {
        if (waitForFileAside(path) != leftovers::Wait::Back) break;
        opened = open();
    }
    FileHandle file(opened);
    if (!file.valid()) return false;

    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file.get(), &info)) return false;
    if (stamp != nullptr) *stamp = stampOf(info);
    const std::uint64_t size = stampOf(info).size;
    if (size > 0) out.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(size, max_bytes)));
    // Read until end of file or the cap; the size above is only a hint, the
    // file may grow or shrink meanwhile.
    while (out.size() < max_bytes) {
        const std::size_t used = out.size();
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(max_bytes - used, kChunk));
        out.resize(used + want);
        DWORD got = 0;
        if (!ReadFile(file.get(), out.data() + used, want, &got, nullptr)) {
            out.resize(used);
            return false;
        }
        out.resize(used + got);
        if (got == 0) break;
    }
    if (stamp != nullptr) stamp->content = hashBytes(out.data(), out.size());
    return true;
}

ReplaceResult binding::replaceFile(const char* path, const char* data, std::size_t size, const FileStamp& read_as) {
    testing::file_calls.fetch_add(1, std::memory_order_relaxed);
    WidePath given;
    if (!widePath(path, given)) return ReplaceResult::Failed;
    const DWORD attributes = GetFileAttributesW(given);
    if (attributes == INVALID_FILE_ATTRIBUTES) {  // never created: gone since the read
        return notFound(GetLastError()) ? ReplaceResult::Changed : ReplaceResult::Failed;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return ReplaceResult::Failed;
    WidePath target;
    BY_HANDLE_FILE_INFORMATION info;
    if (!resolveFile(given, target, info)) {
        return notFound(GetLastError()) ? ReplaceResult::Changed : ReplaceResult::Failed;
    }
    if (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) return ReplaceResult::Failed;
    if (!sameFileAs(stampOf(info), read_as)) return ReplaceResult::Changed;

    // Made with the file's own attributes (hidden, system...).
    constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    const DWORD kept = info.dwFileAttributes & kKept;
    WidePath temp;
    WidePath old;
    FileHandle file(createTemp(target, kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL, temp, old));
    if (!file.valid()) return ReplaceResult::Failed;
    // No FlushFileBuffers: the game thread waits for this. The renames keep a
    // crash of the game from tearing the file; the system writes the bytes out.
    bool ok = writeAll(file.get(), data, size);
    ok = file.close() && ok;
    if (!ok) {
        DeleteFileW(temp);
        return ReplaceResult::Failed;
    }
    if (testing::before_replace != nullptr) {
        char narrow[std::size(temp) * 2];
        if (WideCharToMultiByte(CP_ACP, 0, temp, -1, narrow, sizeof narrow, nullptr, nullptr) > 0) {
            testing::before_replace(narrow);
        }
    }

    // Windows cannot exchange two names: the old file, held open and checked
    // (bytes too), steps aside by its own handle, so it is the very file
    // checked; then the new one takes the free name, never overwriting a
    // file that came meanwhile. A crash in between leaves the pair that
    // recoverFile puts back.
    FileHandle current(openToMoveAside(target));
    if (!current.valid()) {  // gone, or held by another program without sharing
        const DWORD error = GetLastError();
        DeleteFileW(temp);
        return notFound(error) ? ReplaceResult::Changed : ReplaceResult::Failed;
    }
    if (!isVersion(current.get(), read_as)) {
        current.close();
        DeleteFileW(temp);
        return ReplaceResult::Changed;
    }
    const bool aside = renameOpenFile(current.get(), old);
    current.close();
    if (!aside) {
        DeleteFileW(temp);
        return ReplaceResult::Failed;
    }
    if (MoveFileExW(temp, target, 0)) {
        DeleteFileW(old);
        return ReplaceResult::Replaced;
    }
    const DWORD error = GetLastError();
    DeleteFileW(temp);
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) {  // a file saved meanwhile is newer
        DeleteFileW(old);
        return ReplaceResult::Changed;
    }
    MoveFileExW(old, target, 0);
    return ReplaceResult::Failed;
}

FileRecovery binding::recoverFile(const char* path) {
    testing::file_calls.fetch_add(1, std::memory_order_relaxed);
    FileRecovery result;
    WidePath given;
    WidePath target;
    BY_HANDLE_FILE_INFORMATION info;
    if (!widePath(path, given)) return result;
    const bool missing = !resolveFile(given, target, info) && notFound(GetLastError());
    if (missing) wcscpy(target, given);
    const std::vector<leftovers::Entry> entries = listLeftovers(target);
    const leftovers::Plan plan = leftovers::planRecovery(entries, missing);
    if (plan.restore >= 0) {
        const std::wstring temp = besideTarget(target, entries[static_cast<std::size_t>(plan.restore)].name);
        result.restored = MoveFileExW(temp.c_str(), target, 0) != 0;
    }
    for (const std::size_t i : plan.remove) {
        if (DeleteFileW(besideTarget(target, entries[i].name).c_str())) ++result.removed;
    }
    return result;
}

// [SECTION] The log

// The log: shared for reading, writing and deleting, so a player may open
// or delete it while the game runs.
constexpr DWORD kLogSharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool binding::startLogFile(const char* path, const char* old_path) {
    testing::file_calls.fetch_add(1, std::memory_order_relaxed);
    const DWORD attributes = GetFileAttributesA(path);
    constexpr DWORD kNotAFile = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & kNotAFile) == 0) {
        MoveFileExA(path, old_path, MOVEFILE_REPLACE_EXISTING);  // failing: cut below
    }
    FileHandle file(CreateFileA(path, GENERIC_WRITE, kLogSharing, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.valid() && file.close();
}

bool binding::appendLogFile(const char* path, const char* data, std::size_t size) {
    testing::file_calls.fetch_add(1, std::memory_order_relaxed);
    FileHandle file(CreateFileA(path, FILE_APPEND_DATA, kLogSharing, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return false;
    const bool ok = writeAll(file.get(), data, size);
    return file.close() && ok;
}

// [SECTION] The recorder's file

// Tavrel.rec, written whole: the pieces go to "<path>.<process id>.tmp",
// which then takes the name (replacing an older file).
bool binding::writeWholeFile(const char* path, const FilePiece* pieces, int count) {
    WidePath target;
    WidePath temp;
    if (path == nullptr || !widePath(path, target)) return false;
    const int n = _snwprintf(temp, std::size(temp), L"%ls.%lu.tmp", target, GetCurrentProcessId());
    if (n < 0 || n >= static_cast<int>(std::size(temp))) return false;
    FileHandle file(CreateFileW(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return false;
    bool ok = true;
    for (int i = 0; i < count && ok; ++i) ok = writeAll(file.get(), static_cast<const char*>(pieces[i].data), pieces[i].size);
    ok = file.close() && ok;
    if (ok && MoveFileExW(temp, target, MOVEFILE_REPLACE_EXISTING) != 0) return true;
    DeleteFileW(temp);
    return false;
}

namespace testing {

std::atomic<unsigned long> file_calls{0};
void (*before_replace)(const char* temp_path) = nullptr;

}  // namespace testing

}  // namespace tavrel::host
