// kill -9 of a child process under Wine, from a Windows program: the
// child's process on the system Wine runs on is found by a word of its
// command line (Wine shows a process's command line there, under /proc, on
// drive Z:) and sent SIGKILL by the system's kill, by its id. It then stops
// between any two instructions, as a game killed or crashed. On Windows
// itself (no such system) TerminateProcess ends it.
//
// Not /proc/self: Wine's server opens the files, so "self" is the server.
#pragma once
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdio>
#include <string>

namespace system_kill {

// A word for a child's command line, unique to that child.
inline std::string uniqueWord() {
    static unsigned count = 0;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    char word[64];
    std::snprintf(word, sizeof word, "k%lux%llux%u", GetCurrentProcessId(),
                  static_cast<unsigned long long>(now.QuadPart), ++count);
    return word;
}

// The id, on the system under Wine, of the process whose command line holds
// `word`; 0 when there is none (or no such system).
inline unsigned long findProcess(const std::string& word) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("Z:\\proc\\*", &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    unsigned long pid = 0;
    do {
        const std::string name = found.cFileName;
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
        // Read by hand: a process that ends meanwhile fails the read.
        HANDLE file = CreateFileA(("Z:\\proc\\" + name + "\\cmdline").c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) continue;
        std::string command;
        char chunk[4096];
        DWORD got = 0;
        while (command.size() < 65536 && ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) command.append(chunk, got);
        CloseHandle(file);
        if (command.find(word) != std::string::npos) pid = std::stoul(name);
    } while (pid == 0 && FindNextFileA(search, &found));
    FindClose(search);
    return pid;
}

// Kills `process` (started with `word` on its command line) at once and
// waits for its end (should the system's kill not come, TerminateProcess
// ends it). True when it ended by the system's kill -9.
inline bool killHard(HANDLE process, const std::string& word) {
    const unsigned long pid = findProcess(word);
    std::string command = "kill -9 " + std::to_string(pid);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    const bool by_system = pid != 0 && CreateProcessA("Z:\\bin\\kill", command.data(), nullptr, nullptr, FALSE, 0,
                                                      nullptr, nullptr, &startup, &info);
    if (by_system) {
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
    }
    if (!by_system || WaitForSingleObject(process, 10000) != WAIT_OBJECT_0) TerminateProcess(process, 9);
    return WaitForSingleObject(process, 10000) == WAIT_OBJECT_0 && by_system;
}

}  // namespace system_kill
