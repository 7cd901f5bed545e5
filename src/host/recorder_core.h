// The flight recorder's inside, shared by host/recorder*.cpp: the ring,
// the open step of the fibre that runs, the key queue, and the writers of
// records. Not for the plug-in's other layers (they use host/recorder.h).
//
// The ring is a row of chunks of rec::kChunkSize bytes; records go into the
// current chunk; when one does not fit, the next chunk (the oldest, once the
// ring has gone round) takes over and everything a decoder carries from
// record to record (the last clock value, each fibre's last step, the last
// file read) starts afresh, so that every chunk decodes on its own.
//
// A fibre's step runs from its start or resume to its next wait. A step
// whose records, clock values aside, are those of the fibre's last written
// step is written again as one kTagRepeat and its clock values: a steady
// frame costs a few bytes.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "host/native_shapes.h"
#include "host/recorder.h"
#include "host/recording_format.h"

namespace tavrel::host::rec_core {

using rec::Kind;

inline constexpr int kHost = -1;            // no fibre runs: the load, the unload
inline constexpr int kTickCap = 256;        // clock reads a step holds before it writes their values
inline constexpr std::size_t kReserve = 4 + 5 * kTickCap;  // kept free at a chunk's end for a step's ticks
inline constexpr std::size_t kKeyQueueSize = 1024;  // key messages between two records of the fibres
inline constexpr std::size_t kLargestRead = rec::kChunkSize / 2;  // a larger file read is kept as its checksum
inline constexpr std::size_t kReadPathCapacity = 260;
inline constexpr int kWorldListCapacity = 1024;  // a longer world list is never given as the same as the last

// A key message as the window thread hands it over.
struct KeyEntry {
    std::uint32_t key = 0;
    std::uint32_t tick = 0;
    std::uint16_t repeats = 0;
    std::uint8_t scan = 0;
    std::uint8_t flags = 0;  // rec::kKey*
};

struct KeyQueue {
    KeyEntry entries[kKeyQueueSize];
    std::atomic<std::uint32_t> head{0};  // written by the window thread
    std::atomic<std::uint32_t> tail{0};  // written by the fibres
    std::atomic<bool> lost{false};       // a message found the queue full
};

// A step as written, in the current chunk: its records up to its wait.
struct Shape {
    const std::uint8_t* bytes = nullptr;
    std::uint32_t size = 0;
};

// What a decoder remembers of one fibre.
struct FibreMemory {
    Shape shapes[rec::kShapeMemory];  // its most recent written steps, the newest first
    int shape_count = 0;
    bool has_deltas = false;  // its last tick list
    std::uint32_t delta_count = 0;
    std::int32_t deltas[kTickCap] = {};
};

struct Recorder {
    std::atomic<bool> on{false};

    // [SECTION] The ring
    std::uint8_t* memory = nullptr;  // chunks, then the pieces of a save
    std::size_t memory_size = 0;
    std::uint32_t chunk_count = 0;
    std::uint32_t ring_kb = 0;
    std::uint32_t chunk_index = 0;  // the current chunk
    std::uint64_t chunk_seq = 0;    // chunks begun since the load, the current one included, minus one
    bool wrapped = false;
    bool sized = false;             // sizeRecording has run
    std::uint8_t* chunk = nullptr;  // the current chunk's header
    std::uint8_t* w = nullptr;      // the next byte to write
    std::uint8_t* limit = nullptr;  // the chunk's end less kReserve

    // [SECTION] Who records
    int current = kHost;
    bool in_step = false;
    bool step_split = false;  // the step began in an earlier chunk: not compared
    bool step_refers = false; // the step holds a record that refers to its chunk (a tick list, a
                              // file read or world list given as the chunk's earlier one): it
                              // cannot move to the next chunk
    std::uint8_t* step_start = nullptr;
    std::uint8_t* resume_at = nullptr;  // the step's kTagResume record, when it is in this chunk
    std::uint32_t ticks[kTickCap] = {};  // the step's clock values not yet written
    int tick_count = 0;
    std::uint32_t tick_base = 0;  // the chunk's running clock value for deltas
    FibreMemory fibres[rec::kMaxFibres];

    // The chunk's last file read kept whole (kReadBytes, kReadSame, kReadDelta).
    bool read_known = false;
    char read_path[kReadPathCapacity] = {};
    std::uint32_t read_path_size = 0;
    std::uint32_t read_size = 0;
    std::uint8_t read_bytes[kLargestRead] = {};
    // The chunk's last world lists (peds, vehicles).
    bool world_known[2] = {};
    int world_count[2] = {};
    int world[2][kWorldListCapacity] = {};

    // The scripts behind the fibre entries, by fibre.
    void (*scripts[rec::kMaxFibres])() = {};
    int threads_registered = 0;

    std::uint8_t* open = nullptr;  // the record of the native call being made, or null
    std::uint32_t flags = 0;  // rec::kFlag*, kSaved*
    bool save_pending = false;
    SaveReason save_reason = SaveReason::Key;
    bool halt_saved = false;
    bool last_save_written = false;
};

extern Recorder g;
extern KeyQueue keys;
// The key message the window thread is handing to the plug-in's handler
// (written by that thread only; no thread-local storage, which a runtime
// may allocate at a thread's first use).
extern std::atomic<bool> in_message;
extern KeyEntry message;

// [SECTION] Writing

// Room for `bytes` more in the current chunk (a new chunk when not). False
// when a record that large can never fit: it is dropped (flag set).
bool makeRoom(std::size_t bytes);
void drainKeys();  // the window thread's messages into the ring

inline bool keysWaiting() {
    return keys.head.load(std::memory_order_relaxed) != keys.tail.load(std::memory_order_relaxed);
}

// A recording is open (relaxed: one fibre records at a time).
inline bool recording() { return g.on.load(std::memory_order_relaxed); }

// The most bytes putVarint writes.
inline constexpr std::size_t kVarint = 5;

inline std::uint8_t* putVarint(std::uint8_t* p, std::uint32_t v) {
    while (v >= 0x80) {
        *p++ = static_cast<std::uint8_t>(v | 0x80);
        v >>= 7;
    }
    *p++ = static_cast<std::uint8_t>(v);
    return p;
}

inline std::uint8_t* putBytes(std::uint8_t* p, const void* data, std::size_t size) {
    std::memcpy(p, data, size);
    return p + size;
}

inline std::uint8_t* put32(std::uint8_t* p, std::uint32_t v) { return putBytes(p, &v, 4); }
inline std::uint8_t* put64(std::uint8_t* p, std::uint64_t v) { return putBytes(p, &v, 8); }

// Before a record of the fibres: the key messages that came meanwhile, and
// room for `bytes`. False: drop the record.
inline bool hasRoom(std::size_t bytes) { return g.w <= g.limit && static_cast<std::size_t>(g.limit - g.w) >= bytes; }

inline bool beginRecord(std::size_t bytes) {
    if (keysWaiting()) drainKeys();
    return hasRoom(bytes) || makeRoom(bytes);
}

// A record of a tag and a number (a seed, a random number, a clock read
// outside the fibres' steps).
void recordNumber(std::uint8_t tag, std::uint32_t value);
// A clock read of the plug-in.
void recordTick(std::uint32_t value);

// The fibre's step ends with a wait of `ms`; it begins (kTagStart or
// kTagResume) for `fibre`.
void endStep(std::uint32_t ms);
void beginStep(std::uint8_t tag, int fibre);
// A save asked for: written now (at a wait, the step complete).
void saveNow();
// The fibre waits `ms`: its step ends, a save asked for is written, and no
// fibre records until one begins a step.
void leaveStep(std::uint32_t ms);

}  // namespace tavrel::host::rec_core
