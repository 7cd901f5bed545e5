// What a host binding provides: the host ABI's functions as the host itself
// offers them. The plug-in never calls these: it calls host_abi.h and
// host_file.h, whose functions (host/recorder_*.cpp) record what crosses the
// boundary and forward here. One binding is linked in: the ScriptHookV
// exports and Windows (win/), the simulator (sim/), or a scripted host
// (bench/). Contracts are those of the same names in host_abi.h and
// host_file.h.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "host/host_abi.h"
#include "host/host_file.h"

namespace tavrel::host::binding {

void scriptRegister(void* module, ScriptMain script);
void scriptRegisterAdditionalThread(void* module, ScriptMain script);
void scriptUnregister(void* module);
void scriptWait(std::uint32_t ms);
void keyboardHandlerRegister(KeyboardHandler handler);
void keyboardHandlerUnregister(KeyboardHandler handler);
void nativeInit(std::uint64_t hash);
void nativePush64(std::uint64_t value);
std::uint64_t* nativeCall();
int worldGetAllPeds(int* handles, int capacity);
int worldGetAllVehicles(int* handles, int capacity);
std::uint32_t getTickCount();
void seedRandom(std::uint32_t seed);
int nextRandom();

bool fileExists(const char* path);
bool readFile(const char* path, std::string& out, std::size_t max_bytes, FileStamp* stamp);
ReplaceResult replaceFile(const char* path, const char* data, std::size_t size, const FileStamp& read_as);
FileRecovery recoverFile(const char* path);
bool startLogFile(const char* path, const char* old_path);
bool appendLogFile(const char* path, const char* data, std::size_t size);

// A piece of a file to be written.
struct FilePiece {
    const void* data;
    std::size_t size;
};

// Writes the pieces, in order, as the whole of `path` (".\\Tavrel.rec"):
// created when missing, replaced when there, by way of a temporary file
// beside it that takes the name in one step, so a crash leaves the old file
// or the new one. Nothing is flushed to disk. False when any step failed
// (the old file, if any, is then as it was).
bool writeWholeFile(const char* path, const FilePiece* pieces, int count);

}  // namespace tavrel::host::binding
