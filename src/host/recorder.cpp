// The flight recorder's ring: chunks, steps, the key queue and the save.
#include <new>
#include <type_traits>

#include "host/host_binding.h"
#include "host/recorder_core.h"
#include "host/version.h"

namespace tavrel::host {

namespace rec_core {

Recorder g;
KeyQueue keys;
std::atomic<bool> in_message{false};
KeyEntry message;

namespace {

using namespace tavrel::rec;

constexpr std::size_t kChunkData = kChunkSize - kChunkHeaderSize;
// A partial step moves along to the next chunk (and stays comparable) when
// it is no larger than this and holds nothing that refers to its chunk.
constexpr std::size_t kMovableStep = 8192;

// [SECTION] The native table: its bytes in the file

constexpr std::size_t kTableCapacity = 2 + kNativeCount * (8 + 2 + kMaxArgs);

struct Table {
    std::uint8_t bytes[kTableCapacity] = {};
    std::size_t size = 0;

    Table() {
        std::uint8_t* p = bytes;
        const auto count = static_cast<std::uint16_t>(kNativeCount);
        p = putBytes(p, &count, 2);
        for (int i = 0; i < kNativeCount; ++i) {
            const NativeShape& s = kNativeShapes[i];
            p = put64(p, s.hash);
            *p++ = s.argc;
            *p++ = static_cast<std::uint8_t>(s.result);
            for (int a = 0; a < s.argc; ++a) *p++ = static_cast<std::uint8_t>(s.args[a]);
        }
        size = static_cast<std::size_t>(p - bytes);
    }
};

const Table& table() {
    static const Table t;
    return t;
}

std::uint8_t* chunkAt(std::uint32_t index) { return g.memory + static_cast<std::size_t>(index) * kChunkSize; }
std::uint8_t* dataOf(std::uint8_t* chunk) { return chunk + kChunkHeaderSize; }

void setUsed(std::uint8_t* chunk, std::uint32_t used) { std::memcpy(chunk, &used, 4); }

void openChunk(std::uint32_t index, std::uint8_t context, std::uint8_t flags) {
    g.chunk_index = index;
    g.chunk = chunkAt(index);
    const std::uint32_t used = 0;
    const auto seq = static_cast<std::uint32_t>(g.chunk_seq);
    std::memcpy(g.chunk, &used, 4);
    std::memcpy(g.chunk + 4, &seq, 4);
    g.chunk[8] = context;
    g.chunk[9] = flags;
    g.chunk[10] = 0;
    g.chunk[11] = 0;
    g.w = dataOf(g.chunk);
    g.limit = g.chunk + kChunkSize - kReserve;
    // What a decoder carries over starts afresh.
    g.tick_base = 0;
    for (FibreMemory& f : g.fibres) {
        f.shape_count = 0;
        f.has_deltas = false;
    }
    g.read_known = false;
    g.world_known[0] = g.world_known[1] = false;
}

std::uint8_t contextByte() { return g.current == kHost ? kContextHost : static_cast<std::uint8_t>(g.current); }

// The step's pending clock values as a tick list (after the tag the caller
// wrote). Room: the chunk's reserve.
void putTickList() {
    FibreMemory& m = g.fibres[g.current];
    std::int32_t deltas[kTickCap];
    const auto n = static_cast<std::uint32_t>(g.tick_count);
    for (std::uint32_t i = 0; i < n; ++i) {
        deltas[i] = static_cast<std::int32_t>(g.ticks[i] - g.tick_base);
        g.tick_base = g.ticks[i];
    }
    g.tick_count = 0;
    if (m.has_deltas && m.delta_count == n && std::memcmp(m.deltas, deltas, n * sizeof deltas[0]) == 0) {
        *g.w++ = 0;
        return;
    }
    g.w = putVarint(g.w, n + 1);
    for (std::uint32_t i = 0; i < n; ++i) g.w = putVarint(g.w, zigzag(deltas[i]));
    std::memcpy(m.deltas, deltas, n * sizeof deltas[0]);
    m.delta_count = n;
    m.has_deltas = true;
}

void flushTicks() {
    *g.w++ = kTagStepTicks;
    putTickList();
    g.step_refers = true;
}

}  // namespace

bool makeRoom(std::size_t bytes) {
    if (bytes > kChunkData - kReserve) {
        g.flags |= kFlagIncomplete;
        return false;
    }
    // Close this chunk: a step that moves along leaves its bytes behind.
    const bool move = g.in_step && !g.step_split && !g.step_refers &&
                      static_cast<std::size_t>(g.w - g.step_start) + bytes <= kMovableStep;
    static std::uint8_t moved[kMovableStep];  // one fibre records at a time
    std::size_t moved_size = 0;
    if (move) {
        moved_size = static_cast<std::size_t>(g.w - g.step_start);
        std::memcpy(moved, g.step_start, moved_size);
        g.w = g.step_start;
    } else if (g.in_step && g.tick_count > 0) {
        flushTicks();
    }
    setUsed(g.chunk, static_cast<std::uint32_t>(g.w - dataOf(g.chunk)));
    std::uint32_t next = g.chunk_index + 1;
    if (next == g.chunk_count) {
        next = 0;
        g.wrapped = true;
    }
    ++g.chunk_seq;
    openChunk(next, contextByte(), !g.in_step ? 0 : move ? kChunkMovedStep : kChunkMidStep);
    if (g.in_step) {
        g.step_start = g.w;
        g.resume_at = nullptr;
        if (move) {
            g.w = putBytes(g.w, moved, moved_size);
        } else {
            g.step_split = true;
        }
        g.step_refers = false;
    }
    return true;
}

void drainKeys() {
    std::uint32_t tail = keys.tail.load(std::memory_order_relaxed);
    const std::uint32_t head = keys.head.load(std::memory_order_acquire);
    constexpr std::size_t kKeyRecord = 1 + 5 + 5 + 1 + 1 + 5;
    for (; tail != head; ++tail) {
        const KeyEntry& e = keys.entries[tail % kKeyQueueSize];
        if (!hasRoom(kKeyRecord) && !makeRoom(kKeyRecord)) continue;
        *g.w++ = kTagKey;
        g.w = putVarint(g.w, e.key);
        g.w = putVarint(g.w, e.repeats);
        *g.w++ = e.scan;
        *g.w++ = e.flags;
        if ((e.flags & kKeyTick) != 0) g.w = putVarint(g.w, e.tick);
    }
    keys.tail.store(tail, std::memory_order_release);
    if (keys.lost.load(std::memory_order_relaxed)) g.flags |= kFlagIncomplete;
}

void recordNumber(std::uint8_t tag, std::uint32_t value) {
    if (!beginRecord(1 + kVarint)) return;
    *g.w++ = tag;
    g.w = putVarint(g.w, value);
}

void recordTick(std::uint32_t value) {
    if (!g.in_step) {
        recordNumber(kTagTick, value);
        return;
    }
    // A step's clock values wait in a list; a full one is written first
    // (room: the chunk's reserve; closing a chunk may have written it).
    if (g.tick_count == kTickCap) {
        if (!beginRecord(kReserve)) return;
        if (g.tick_count == kTickCap) flushTicks();
    }
    if (!beginRecord(1 + kVarint)) return;
    g.ticks[g.tick_count++] = value;
    *g.w++ = kTagTickMark;
}

void beginStep(std::uint8_t tag, int fibre) {
    g.current = fibre;
    g.in_step = false;
    if (!beginRecord(2)) return;
    g.resume_at = tag == kTagResume ? g.w : nullptr;
    *g.w++ = tag;
    *g.w++ = static_cast<std::uint8_t>(fibre);
    g.in_step = true;
    g.step_split = false;
    g.step_start = g.w;
    g.tick_count = 0;
    g.step_refers = false;
}

void endStep(std::uint32_t ms) {
    if (!g.in_step) return;
    if (!beginRecord(6)) return;
    *g.w++ = kTagWait;
    g.w = putVarint(g.w, ms);
    FibreMemory& m = g.fibres[g.current];
    const auto size = static_cast<std::uint32_t>(g.w - g.step_start);
    if (g.step_split) {
        // Part of the step is in the chunk before: nothing to compare with.
        if (g.tick_count > 0) flushTicks();
        g.in_step = false;
        return;
    }
    for (int k = 0; k < m.shape_count; ++k) {
        const Shape shape = m.shapes[k];
        if (shape.size != size || std::memcmp(shape.bytes, g.step_start, size) != 0) continue;
        for (int i = k; i > 0; --i) m.shapes[i] = m.shapes[i - 1];
        m.shapes[0] = shape;
        g.w = g.step_start;
        *g.w++ = kTagRepeat;
        *g.w++ = static_cast<std::uint8_t>(k);
        const std::uint8_t* const list = g.w;
        putTickList();
        // The same clock deltas too: the resume and all of it in one byte.
        if (g.resume_at != nullptr && g.w == list + 1 && *list == 0 && k < 4 && g.current < 4) {
            g.w = g.resume_at;
            *g.w++ = static_cast<std::uint8_t>(kTagResumeRepeat + 4 * g.current + k);
        }
        g.in_step = false;
        return;
    }
    const int kept = m.shape_count < kShapeMemory ? m.shape_count : kShapeMemory - 1;
    for (int i = kept; i > 0; --i) m.shapes[i] = m.shapes[i - 1];
    m.shapes[0] = Shape{g.step_start, size};
    m.shape_count = kept + 1;
    if (g.tick_count > 0) flushTicks();
    g.in_step = false;
}

void leaveStep(std::uint32_t ms) {
    endStep(ms);
    if (g.save_pending) saveNow();
    g.current = kHost;
}

void saveNow() {
    g.save_pending = false;
    if (g.memory == nullptr) return;
    setUsed(g.chunk, static_cast<std::uint32_t>(g.w - dataOf(g.chunk)));
    const Table& t = table();
    // The chunks, oldest first.
    std::uint32_t first = 0;
    std::uint32_t count = g.chunk_index + 1;
    if (g.wrapped) {
        first = (g.chunk_index + 1) % g.chunk_count;
        count = g.chunk_count;
    }
    auto* pieces = reinterpret_cast<binding::FilePiece*>(g.memory + static_cast<std::size_t>(g.chunk_count) * kChunkSize);
    std::uint8_t head[kHeaderSize] = {};
    pieces[0] = {head, kHeaderSize};
    pieces[1] = {t.bytes, t.size};
    Checksum body;
    body.add(t.bytes, t.size);
    std::uint64_t body_size = t.size;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint8_t* chunk = chunkAt((first + i) % g.chunk_count);
        std::uint32_t used = 0;
        std::memcpy(&used, chunk, 4);
        const std::size_t size = kChunkHeaderSize + used;
        pieces[2 + i] = {chunk, size};
        body.add(chunk, size);
        body_size += size;
    }
    std::uint32_t flags = g.flags;
    flags |= g.save_reason == SaveReason::Unload ? kSavedAtUnload
             : g.save_reason == SaveReason::Halt ? kSavedAtHalt
                                                 : kSavedByKey;
    const std::uint64_t first_seq = g.wrapped ? g.chunk_seq - (g.chunk_count - 1) : 0;
    const auto table_size = static_cast<std::uint32_t>(t.size);
    std::memcpy(head + header::kMagicAt, kMagic, 8);
    const std::uint16_t version = kFormatVersion;
    const auto header_size = static_cast<std::uint16_t>(kHeaderSize);
    std::memcpy(head + header::kVersionAt, &version, 2);
    std::memcpy(head + header::kHeaderSizeAt, &header_size, 2);
    head[header::kPluginVersionAt] = TAVREL_VERSION_MAJOR;
    head[header::kPluginVersionAt + 1] = TAVREL_VERSION_MINOR;
    std::memcpy(head + header::kFlagsAt, &flags, 4);
    std::memcpy(head + header::kChunkCountAt, &count, 4);
    std::memcpy(head + header::kRingKbAt, &g.ring_kb, 4);
    std::memcpy(head + header::kTableSizeAt, &table_size, 4);
    std::memcpy(head + header::kFirstChunkAt, &first_seq, 8);
    std::memcpy(head + header::kBodySizeAt, &body_size, 8);
    const std::uint64_t body_sum = body.value();
    std::memcpy(head + header::kBodySumAt, &body_sum, 8);
    const std::uint64_t head_sum = checksum(head, header::kHeaderSumAt);
    std::memcpy(head + header::kHeaderSumAt, &head_sum, 8);
    g.last_save_written = binding::writeWholeFile(kRecordingPath, pieces, static_cast<int>(2 + count));
}

}  // namespace rec_core

using namespace rec_core;

namespace {

std::size_t memoryFor(std::uint32_t chunks) {
    return static_cast<std::size_t>(chunks) * rec::kChunkSize + (chunks + 2) * sizeof(binding::FilePiece);
}

std::uint32_t chunksFor(std::int32_t kb) {
    const std::uint64_t bytes = static_cast<std::uint64_t>(kb) * 1024u;
    const std::uint64_t chunks = bytes / rec::kChunkSize;
    return static_cast<std::uint32_t>(chunks < 2 ? 2 : chunks);
}

void freeRing() {
    delete[] g.memory;
    g.memory = nullptr;
    g.memory_size = 0;
    g.chunk_count = 0;
}

// A ring of `kb`; false when the memory is not there.
bool allocateRing(std::int32_t kb) {
    const std::uint32_t chunks = chunksFor(kb);
    const std::size_t size = memoryFor(chunks);
    if (g.memory != nullptr && g.memory_size == size) return true;
    freeRing();
    g.memory = new (std::nothrow) std::uint8_t[size];
    if (g.memory == nullptr) return false;
    g.memory_size = size;
    g.chunk_count = chunks;
    return true;
}

}  // namespace

void beginRecording() {
    g.on.store(false, std::memory_order_relaxed);
    keys.head.store(0, std::memory_order_relaxed);
    keys.tail.store(0, std::memory_order_relaxed);
    keys.lost.store(false, std::memory_order_relaxed);
    if (!allocateRing(kRecorderDefaultKb)) return;
    g.ring_kb = kRecorderDefaultKb;
    g.chunk_seq = 0;
    g.wrapped = false;
    g.sized = false;
    g.current = kHost;
    g.in_step = false;
    g.tick_count = 0;
    g.flags = 0;
    g.save_pending = false;
    g.halt_saved = false;
    g.last_save_written = false;
    g.open = nullptr;
    g.threads_registered = 0;
    openChunk(0, rec::kContextHost, 0);
    g.on.store(true, std::memory_order_relaxed);
}

void sizeRecording(std::int32_t kb) {
    if (g.sized || !recording()) return;
    g.sized = true;
    if (kb <= 0) {
        g.on.store(false, std::memory_order_relaxed);
        freeRing();
        return;
    }
    if (kb < kRecorderMinKb) kb = kRecorderMinKb;
    if (kb > kRecorderMaxKb) kb = kRecorderMaxKb;
    const std::uint32_t chunks = chunksFor(kb);
    if (chunks == g.chunk_count) {
        g.ring_kb = static_cast<std::uint32_t>(kb);
        return;
    }
    auto* fresh = new (std::nothrow) std::uint8_t[memoryFor(chunks)];
    if (fresh == nullptr) return;  // the default ring goes on
    // The chunks written so far, oldest first; the newest ones that fit.
    const std::uint32_t used = g.wrapped ? g.chunk_count : g.chunk_index + 1;
    const std::uint32_t kept = used < chunks ? used : chunks;
    const std::uint32_t oldest = g.wrapped ? (g.chunk_index + 1) % g.chunk_count : 0;
    for (std::uint32_t i = 0; i < kept; ++i) {
        const std::uint32_t from = (oldest + (used - kept) + i) % g.chunk_count;
        std::memcpy(fresh + static_cast<std::size_t>(i) * rec::kChunkSize, g.memory + static_cast<std::size_t>(from) * rec::kChunkSize,
                    rec::kChunkSize);
    }
    // Pointers into the current chunk follow it.
    std::uint8_t* const old_chunk = g.chunk;
    std::uint8_t* const new_chunk = fresh + static_cast<std::size_t>(kept - 1) * rec::kChunkSize;
    const auto rebase = [&](auto*& p) {
        if (p != nullptr) p = reinterpret_cast<std::remove_reference_t<decltype(p)>>(new_chunk + (reinterpret_cast<const std::uint8_t*>(p) - old_chunk));
    };
    rebase(g.w);
    rebase(g.limit);
    rebase(g.step_start);
    rebase(g.resume_at);
    rebase(g.open);
    for (FibreMemory& f : g.fibres) {
        for (Shape& shape : f.shapes) rebase(shape.bytes);
    }
    delete[] g.memory;
    g.memory = fresh;
    g.memory_size = memoryFor(chunks);
    g.chunk_count = chunks;
    g.chunk = new_chunk;
    g.chunk_index = kept - 1;
    g.wrapped = g.wrapped || kept < used;
    g.ring_kb = static_cast<std::uint32_t>(kb);
}

void requestRecordingSave(SaveReason reason) {
    if (!recording()) return;
    if (reason == SaveReason::Halt) {
        if (g.halt_saved) return;
        g.halt_saved = true;
    }
    g.save_pending = true;
    g.save_reason = reason;
}

void endRecording() {
    if (!recording()) return;
    if (keysWaiting()) drainKeys();
    g.in_step = false;
    g.current = kHost;
    g.save_reason = SaveReason::Unload;
    saveNow();
    g.on.store(false, std::memory_order_relaxed);
    freeRing();
}

bool recordingOn() { return recording(); }

namespace testing {

void enterFibre(int fibre) {
    if (!recording() || fibre < 0 || fibre >= rec::kMaxFibres) return;
    beginStep(rec::kTagResume, fibre);
}

void leaveFibre(std::uint32_t ms) {
    if (!recording() || g.current == kHost) return;
    leaveStep(ms);
}

bool lastSaveWritten() { return g.last_save_written; }

}  // namespace testing

}  // namespace tavrel::host
