// The flight recorder: a fixed ring in memory of everything that crosses the
// host boundary (native calls with their arguments, results and
// out-parameters; key messages; clock reads; waits; random numbers; file
// reads with their bytes), written to Tavrel.rec beside the INI file when
// the plug-in halts, when it is unloaded and when the player asks for it.
// The file's layout: host/recording_format.h and docs/recording-format.md.
//
// The functions of host_abi.h and host_file.h record and forward to the
// binding (host_binding.h); these control the recording. Memory is taken
// once, at load (beginRecording, sizeRecording); recording a frame never
// allocates and never touches a file.
//
// Threads: the script fibres record into the ring, one at a time; the
// keyboard handler's messages go through a queue of their own that the
// fibres empty into the ring at their next record. Every function here is
// for the script fibres or the load and unload (no fibre running).
#pragma once
#include <cstdint>

namespace tavrel::host {

inline constexpr std::int32_t kRecorderDefaultKb = 8192;
inline constexpr std::int32_t kRecorderMinKb = 256;     // two chunks
inline constexpr std::int32_t kRecorderMaxKb = 262144;  // 256 MB
inline constexpr const char* kRecordingPath = ".\\Tavrel.rec";

enum class SaveReason : std::uint8_t { Unload, Halt, Key };

// At the plug-in's load, before its first host call: a new recording in a
// ring of kRecorderDefaultKb (allocated here; the ring of an earlier load
// in this process is reused when it has that size). A recording still
// open from an earlier load is dropped unsaved.
void beginRecording();

// Once, when the first settings load has read [Misc] recorder_kb: 0 stops
// and frees the recording; another size (clamped to kRecorderMinKb ...
// kRecorderMaxKb) moves what was recorded into a ring of that size. Later
// calls do nothing: the ring never changes size after the load.
void sizeRecording(std::int32_t kb);

// The ring is written to Tavrel.rec at the calling fibre's next scriptWait
// (its step complete). A halt is saved once per load.
void requestRecordingSave(SaveReason reason);

// At unload, once no fibre runs: writes Tavrel.rec and frees the ring.
// Nothing is recorded afterwards.
void endRecording();

// True while a recording is open.
bool recordingOn();

namespace testing {
// For benchmarks that run the plug-in's steps without a host's fibres: a
// fibre (0 main, 1 ... the additional threads) resumes, and its step ends
// as at a scriptWait(ms) (the host runs in between).
void enterFibre(int fibre);
void leaveFibre(std::uint32_t ms);
// The outcome of the last write of Tavrel.rec: true when it was written.
bool lastSaveWritten();
}  // namespace testing

}  // namespace tavrel::host
