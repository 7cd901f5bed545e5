// Reading Tavrel.rec, the plug-in's flight recording (src/host/
// recording_format.h, docs/recording-format.md): the header checked, then
// the events one at a time, in the order they crossed the host boundary.
//
//   const RecordingFile file = readRecordingFile("Tavrel.rec");  // throws RecordingError
//   RecordingReader reader(file);
//   while (const RecEvent* e = reader.next()) { ... }
//
// Every byte is checked: a damaged, cut, foreign or newer file throws
// RecordingError with what is wrong, never reads out of bounds.
#pragma once
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "host/recording_format.h"

namespace tavrel::sim {

struct RecordingError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A native of the recording's own table.
struct RecNative {
    std::uint64_t hash = 0;
    int argc = 0;
    rec::Kind result = rec::Kind::None;
    std::vector<rec::Kind> args;
};

struct RecordingFile {
    std::string bytes;  // the whole file
    std::uint16_t version = 0;
    std::uint8_t plugin_major = 0;
    std::uint8_t plugin_minor = 0;
    std::uint32_t flags = 0;
    std::uint32_t ring_kb = 0;
    std::uint64_t first_chunk = 0;  // chunks before the first one kept (0: it begins at the load)
    std::vector<RecNative> natives;
    std::vector<std::size_t> chunk_offsets;  // of each chunk's header in `bytes`
};

// Checks the header, the checksums, the native table and the chunk headers.
RecordingFile parseRecording(std::string bytes);
// The file at `path` (RecordingError when it cannot be read).
RecordingFile readRecordingFile(const std::string& path);

enum class RecEventKind : std::uint8_t {
    Tick,          // number: the clock value read
    Wait,          // number: ms
    Start,         // fibre: its script begins
    Resume,        // fibre: its wait returned
    Register,      // number: rec::kRegister* / kUnregister*
    Seed,          // number
    Random,        // number
    World,         // number: 0 peds, 1 vehicles; capacity, count, handles
    FileExists,    // path, ok
    FileRead,      // path, limit, ok, bytes (or large: size and sum)
    FileReplace,   // path, size, sum, ok
    FileAppend,    // path, size, sum, ok: lines added to the log
    LogStart,      // path, old_path, ok: the log begun afresh
    Key,           // key, repeats, scan, flags (rec::kKey*), number: the tick when flags has kKeyTick
    Native,        // native, args, result, outs, threw
    UnknownNative, // hash, words, slots, threw
    FileRecover,   // path, ok: the file put back, number: leftovers removed
};

struct RecValue {
    rec::Kind kind = rec::Kind::None;
    std::uint32_t bits = 0;            // I32, U32, F32: the 32 bits; Ptr: the 4 bytes passed in
    std::uint32_t more[2] = {};        // Vec3: y and z
    bool null = false;                 // Text and Ptr: a null pointer
    std::string text;
    std::uint32_t after = 0;           // Ptr: the 4 bytes after the call
};

struct RecEvent {
    RecEventKind kind = RecEventKind::Tick;
    int context = -1;  // the fibre that made it (0 main, 1 ...), -1 the host (load, unload, between frames)
    int fibre = -1;    // Start and Resume: the fibre
    std::uint64_t frame = 0;  // frames begun before it (a frame: one run of each fibre that runs in it)
    std::uint32_t number = 0;
    // Native
    int native = -1;  // index into RecordingFile::natives
    std::vector<RecValue> args;
    RecValue result;
    bool threw = false;
    // UnknownNative
    std::uint64_t hash = 0;
    std::vector<std::uint64_t> words;
    std::uint64_t slots[4] = {};
    // World
    std::uint32_t capacity = 0;
    std::uint32_t count = 0;
    std::vector<std::int32_t> handles;
    // Files
    std::string path;
    std::string old_path;
    std::uint32_t limit = 0;
    bool ok = false;
    bool large = false;   // FileRead kept as size and checksum only
    bool changed = false; // FileReplace: the file was no longer the version read (nothing written)
    std::string bytes;    // FileRead
    std::uint32_t size = 0;
    std::uint64_t sum = 0;
    // Key
    std::uint32_t key = 0;
    std::uint32_t repeats = 0;
    std::uint8_t scan = 0;
    std::uint8_t flags = 0;
};

// The events of a recording, in order, a step at a time.
class RecordingReader {
public:
    explicit RecordingReader(const RecordingFile& file);
    // The next event, or null at the end (valid until the next call).
    const RecEvent* next();
    // The event next() gives next, without taking it; null at the end.
    const RecEvent* peek();
    std::uint64_t frame() const { return frame_; }

private:
    struct Cursor {
        const std::uint8_t* p;
        const std::uint8_t* end;
    };
    struct ShapeRef {
        std::size_t begin = 0;  // offsets into the file's bytes
        std::size_t size = 0;
    };
    struct FibreMemory {
        ShapeRef shapes[rec::kShapeMemory];
        int shape_count = 0;
        bool has_deltas = false;
        std::vector<std::int32_t> deltas;
    };

    bool fill();  // decodes the next unit into queue_; false at the end
    void openChunk(std::size_t index);
    std::size_t offsetOf(const std::uint8_t* p) const;
    void decodeStep(int fibre, bool comparable);
    void beginFrameOf(int fibre);  // a fibre resumes: a new frame when it ran in this one already
    // The fibre's k-th recent step again, its clock reads given `values`
    // (none: the fibre's last deltas again).
    void repeatShape(int fibre, int k, std::optional<std::vector<std::uint32_t>> values);
    void decodeStepBody(Cursor& c, std::vector<std::size_t>& marks);  // up to and with the step's wait
    void decodeRecord(Cursor& c, std::uint8_t tag, std::vector<std::size_t>* marks);
    std::vector<std::uint32_t> readTickList(Cursor& c, int fibre);
    void assignTicks(std::vector<std::size_t>& marks, const std::vector<std::uint32_t>& values);
    RecEvent& push(RecEventKind kind);
    [[noreturn]] void fail(const std::string& what) const;

    const RecordingFile& file_;
    std::size_t chunk_ = 0;  // the next chunk to open
    Cursor c_{nullptr, nullptr};
    bool chunk_open_ = false;
    int context_ = -1;
    std::uint8_t continuation_ = 0;  // the chunk begins inside a step of context_ (rec::kChunk*Step)
    std::uint32_t tick_base_ = 0;
    FibreMemory fibres_[rec::kMaxFibres];
    bool read_known_ = false;
    std::string read_path_;
    std::string read_bytes_;
    bool world_known_[2] = {};
    std::vector<std::int32_t> world_[2];
    std::vector<RecEvent> queue_;
    std::size_t queue_at_ = 0;
    std::uint64_t frame_ = 0;
    int last_fibre_in_frame_ = -1;
    bool started_frame_ = false;
};

// "GET_ENTITY_COORDS" from the simulator's native table, else the hash.
std::string nativeName(const RecordingFile& file, int native);

}  // namespace tavrel::sim
