// Writing a whole file on Windows (the recorder's Tavrel.rec): the pieces go
// to "<path>.<process id>.tmp", which then takes the name (MoveFileExW,
// replacing an older file).
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <cstdio>
#include <iterator>

#include "host/host_binding.h"

namespace tavrel::host::binding {

namespace {

constexpr DWORD kMostPerCall = 1u << 20;

bool writeAll(HANDLE file, const void* data, std::size_t size) {
    const auto* p = static_cast<const char*>(data);
    while (size > 0) {
        const DWORD want = size < kMostPerCall ? static_cast<DWORD>(size) : kMostPerCall;
        DWORD written = 0;
        if (!WriteFile(file, p, want, &written, nullptr) || written == 0) return false;
        p += written;
        size -= written;
    }
    return true;
}

}  // namespace

bool writeWholeFile(const char* path, const FilePiece* pieces, int count) {
    if (path == nullptr || *path == '\0') return false;
    const UINT code_page = AreFileApisANSI() ? CP_ACP : CP_OEMCP;
    wchar_t target[MAX_PATH];
    if (MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, path, -1, target, MAX_PATH) <= 1) return false;
    wchar_t temp[MAX_PATH + 32];
    const int n = _snwprintf(temp, std::size(temp), L"%ls.%lu.tmp", target, GetCurrentProcessId());
    if (n < 0 || n >= static_cast<int>(std::size(temp))) return false;
    HANDLE file = CreateFileW(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    for (int i = 0; i < count && ok; ++i) ok = writeAll(file, pieces[i].data, pieces[i].size);
    ok = CloseHandle(file) != 0 && ok;
    if (ok && MoveFileExW(temp, target, MOVEFILE_REPLACE_EXISTING) != 0) return true;
    DeleteFileW(temp);
    return false;
}

}  // namespace tavrel::host::binding
