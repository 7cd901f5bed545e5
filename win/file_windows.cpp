// File access of the INI store on Windows (Win32, ANSI paths).
//
// Paths arrive as the plug-in names them (".\\TavrelConfig.ini"), already in
// Windows form, relative to the game's working directory.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <string>

#include "host/host_file.h"

namespace {

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

}  // namespace

namespace tavrel::host {

bool fileExists(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool readFile(const char* path, std::string& out, std::size_t max_bytes) {
    out.clear();
    // Shared for writing and deleting too, so a text editor that has the
    // file open, or saves it by rename, does not make the read fail.
    FileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return false;

    LARGE_INTEGER size{};
    if (GetFileSizeEx(file.get(), &size) && size.QuadPart > 0) {
        out.reserve(static_cast<std::size_t>(
            std::min<unsigned long long>(static_cast<unsigned long long>(size.QuadPart), max_bytes)));
    }
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
    return true;
}

bool replaceFile(const char* path, const char* data, std::size_t size) {
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;  // never create it
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) return false;

    const std::string temp = std::string(path) + ".tmp";
    FileHandle file(CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return false;

    bool ok = writeAll(file.get(), data, size);
    ok = ok && FlushFileBuffers(file.get()) != 0;
    ok = file.close() && ok;
    ok = ok && MoveFileExA(temp.c_str(), path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!ok) DeleteFileA(temp.c_str());
    return ok;
}

}  // namespace tavrel::host
