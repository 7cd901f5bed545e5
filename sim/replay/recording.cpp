#include "sim/replay/recording.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "sim/protocol/native_table.h"
#include "sim/report/reports.h"

namespace tavrel::sim {

namespace {

using namespace tavrel::rec;

template <typename T>
T readAt(const std::string& bytes, std::size_t at) {
    T v{};
    std::memcpy(&v, bytes.data() + at, sizeof v);
    return v;
}

bool validArg(std::uint8_t k) {
    return (k >= static_cast<std::uint8_t>(Kind::I32) && k <= static_cast<std::uint8_t>(Kind::Ptr)) ||
           k == static_cast<std::uint8_t>(Kind::Out);
}
bool validResult(std::uint8_t k) { return k <= static_cast<std::uint8_t>(Kind::Vec3) && k != static_cast<std::uint8_t>(Kind::Ptr); }

constexpr std::size_t kMaxHandles = 1u << 20;

}  // namespace

// [SECTION] The file

RecordingFile parseRecording(std::string bytes) {
    RecordingFile f;
    f.bytes = std::move(bytes);
    const std::string& b = f.bytes;
    if (b.empty()) throw RecordingError("the file is empty (0 bytes): no recording in it");
    if (b.size() < 8 || std::memcmp(b.data(), kMagic, 8) != 0) {
        throw RecordingError("not a Tavrel recording (it does not begin with TAVRELRC)");
    }
    if (b.size() < kHeaderSize) throw RecordingError("the file is cut short inside its header (" + std::to_string(b.size()) + " bytes)");
    f.version = readAt<std::uint16_t>(b, header::kVersionAt);
    if (f.version > kFormatVersion) {
        throw RecordingError("the recording is of format version " + std::to_string(f.version) + ", newer than this tavrel-sim reads (" +
                             std::to_string(kFormatVersion) + "): use a newer tavrel-sim");
    }
    if (f.version == 0) throw RecordingError("the header names format version 0, which does not exist: the file is damaged");
    if (readAt<std::uint64_t>(b, header::kHeaderSumAt) != checksum(b.data(), header::kHeaderSumAt)) {
        throw RecordingError("the header's checksum does not match: the file is damaged");
    }
    if (readAt<std::uint16_t>(b, header::kHeaderSizeAt) != kHeaderSize) throw RecordingError("the header has an unknown size: the file is damaged");
    f.plugin_major = static_cast<std::uint8_t>(b[header::kPluginVersionAt]);
    f.plugin_minor = static_cast<std::uint8_t>(b[header::kPluginVersionAt + 1]);
    f.flags = readAt<std::uint32_t>(b, header::kFlagsAt);
    if ((f.flags & ~kKnownFlags) != 0) throw RecordingError("the header has flags this tavrel-sim does not know: the file is damaged");
    const auto chunks = readAt<std::uint32_t>(b, header::kChunkCountAt);
    f.ring_kb = readAt<std::uint32_t>(b, header::kRingKbAt);
    const auto table_size = readAt<std::uint32_t>(b, header::kTableSizeAt);
    f.first_chunk = readAt<std::uint64_t>(b, header::kFirstChunkAt);
    const auto body_size = readAt<std::uint64_t>(b, header::kBodySizeAt);
    if (body_size != b.size() - kHeaderSize) {
        throw RecordingError(body_size > b.size() - kHeaderSize
                                 ? "the file is cut short: its header announces " + std::to_string(kHeaderSize + body_size) +
                                       " bytes, it has " + std::to_string(b.size())
                                 : "the file has " + std::to_string(b.size() - kHeaderSize - body_size) +
                                       " bytes more than its header announces: it is damaged");
    }
    if (readAt<std::uint64_t>(b, header::kBodySumAt) != checksum(b.data() + kHeaderSize, b.size() - kHeaderSize)) {
        throw RecordingError("the recording's checksum does not match: the file is damaged");
    }
    // The native table.
    std::size_t at = kHeaderSize;
    if (table_size < 2 || table_size > b.size() - at) throw RecordingError("the native table does not fit the file: it is damaged");
    const std::size_t table_end = at + table_size;
    const auto count = readAt<std::uint16_t>(b, at);
    at += 2;
    for (std::uint16_t i = 0; i < count; ++i) {
        if (table_end - at < 10) throw RecordingError("the native table is cut short: the file is damaged");
        RecNative n;
        n.hash = readAt<std::uint64_t>(b, at);
        n.argc = static_cast<std::uint8_t>(b[at + 8]);
        const auto result = static_cast<std::uint8_t>(b[at + 9]);
        at += 10;
        if (n.argc > 16 || !validResult(result) || table_end - at < static_cast<std::size_t>(n.argc)) {
            throw RecordingError("the native table has a native of an unknown shape: the file is damaged");
        }
        n.result = static_cast<Kind>(result);
        for (int a = 0; a < n.argc; ++a) {
            const auto k = static_cast<std::uint8_t>(b[at++]);
            if (!validArg(k)) throw RecordingError("the native table has an argument of an unknown kind: the file is damaged");
            n.args.push_back(static_cast<Kind>(k));
        }
        f.natives.push_back(std::move(n));
    }
    if (at != table_end) throw RecordingError("the native table is longer than its natives: the file is damaged");
    // The chunks.
    for (std::uint32_t i = 0; i < chunks; ++i) {
        if (b.size() - at < kChunkHeaderSize) throw RecordingError("a chunk header is cut short: the file is damaged");
        const auto used = readAt<std::uint32_t>(b, at);
        if (used > b.size() - at - kChunkHeaderSize || used > kChunkSize) {
            throw RecordingError("chunk " + std::to_string(i) + " is longer than the file: it is damaged");
        }
        const auto context = static_cast<std::uint8_t>(b[at + 8]);
        const auto flags = static_cast<std::uint8_t>(b[at + 9]);
        if ((context != kContextHost && context >= kMaxFibres) || flags > kChunkMovedStep ||
            (flags != 0 && context == kContextHost)) {
            throw RecordingError("chunk " + std::to_string(i) + " has a header of no meaning: the file is damaged");
        }
        f.chunk_offsets.push_back(at);
        at += kChunkHeaderSize + used;
    }
    if (at != b.size()) throw RecordingError("the file goes on after its last chunk: it is damaged");
    return f;
}

RecordingFile readRecordingFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw RecordingError("cannot read " + path);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw RecordingError("cannot read " + path);
    return parseRecording(std::move(bytes));
}

std::string nativeName(const RecordingFile& file, int native) {
    if (native < 0 || static_cast<std::size_t>(native) >= file.natives.size()) return "?";
    const std::uint64_t hash = file.natives[static_cast<std::size_t>(native)].hash;
    if (const NativeInfo* info = findNative(hash)) return info->name;
    return hexText(hash, 16);
}

// [SECTION] The events

RecordingReader::RecordingReader(const RecordingFile& file) : file_(file) { queue_.reserve(64); }

void RecordingReader::fail(const std::string& what) const {
    const std::size_t offset = c_.p != nullptr ? static_cast<std::size_t>(c_.p - reinterpret_cast<const std::uint8_t*>(file_.bytes.data())) : 0;
    throw RecordingError("damaged recording (byte " + std::to_string(offset) + "): " + what);
}

namespace {

// Reads from one record; `problem` is set at the first thing wrong.
struct Bytes {
    const std::uint8_t*& p;
    const std::uint8_t* end;
    const char* problem = nullptr;

    std::uint8_t u8() {
        if (p >= end) {
            problem = "a record is cut off at the end of its chunk";
            return 0;
        }
        return *p++;
    }
    // A yes/no byte: above 1 is damage, named `what`.
    bool flag(const char* what) {
        const std::uint8_t r = u8();
        if (r > 1) problem = what;
        return r == 1;
    }
    std::uint32_t varint() {
        std::uint32_t v = 0;
        for (int shift = 0;; shift += 7) {
            const std::uint8_t b = u8();
            if (problem != nullptr) return 0;
            if (shift == 28 && (b & 0xF0) != 0) {
                problem = "a number too long";
                return 0;
            }
            v |= static_cast<std::uint32_t>(b & 0x7F) << shift;
            if ((b & 0x80) == 0) return v;
        }
    }
    std::uint32_t u32() {
        std::uint32_t v = 0;
        if (!take(4)) return 0;
        std::memcpy(&v, p - 4, 4);
        return v;
    }
    std::uint64_t u64() {
        std::uint64_t v = 0;
        if (!take(8)) return 0;
        std::memcpy(&v, p - 8, 8);
        return v;
    }
    bool take(std::size_t n) {
        if (problem != nullptr) return false;
        if (static_cast<std::size_t>(end - p) < n) {
            problem = "a record is cut off at the end of its chunk";
            return false;
        }
        p += n;
        return true;
    }
    std::string text(std::size_t n) {
        if (!take(n)) return {};
        return std::string(reinterpret_cast<const char*>(p - n), n);
    }
};

}  // namespace

RecEvent& RecordingReader::push(RecEventKind kind) {
    RecEvent& e = queue_.emplace_back();
    e.kind = kind;
    e.context = context_;
    e.frame = frame_;
    return e;
}

void RecordingReader::openChunk(std::size_t index) {
    const std::size_t at = file_.chunk_offsets[index];
    const std::string& b = file_.bytes;
    const auto used = readAt<std::uint32_t>(b, at);
    const auto* base = reinterpret_cast<const std::uint8_t*>(b.data());
    c_ = Cursor{base + at + kChunkHeaderSize, base + at + kChunkHeaderSize + used};
    const auto context = static_cast<std::uint8_t>(b[at + 8]);
    context_ = context == kContextHost ? -1 : context;
    continuation_ = static_cast<std::uint8_t>(b[at + 9]);
    tick_base_ = 0;
    for (FibreMemory& m : fibres_) {
        m.shape_count = 0;
        m.has_deltas = false;
    }
    read_known_ = false;
    world_known_[0] = world_known_[1] = false;
    chunk_open_ = true;
}

std::size_t RecordingReader::offsetOf(const std::uint8_t* p) const {
    return static_cast<std::size_t>(p - reinterpret_cast<const std::uint8_t*>(file_.bytes.data()));
}

void RecordingReader::decodeStep(int fibre, bool comparable) {
    std::vector<std::size_t> marks;
    const std::size_t begin = offsetOf(c_.p);
    decodeStepBody(c_, marks);
    const bool ended = !queue_.empty() && queue_.back().kind == RecEventKind::Wait;
    if (ended && comparable) {
        FibreMemory& m = fibres_[fibre];
        const int kept = m.shape_count < kShapeMemory ? m.shape_count : kShapeMemory - 1;
        for (int i = kept; i > 0; --i) m.shapes[i] = m.shapes[i - 1];
        m.shapes[0] = ShapeRef{begin, offsetOf(c_.p) - begin};
        m.shape_count = kept + 1;
    }
    if (marks.empty()) return;
    if (c_.p < c_.end && *c_.p == kTagStepTicks) {
        ++c_.p;
        assignTicks(marks, readTickList(c_, fibre));
        return;
    }
    fail("clock reads without their values");
}

bool RecordingReader::fill() {
    queue_.clear();
    queue_at_ = 0;
    while (queue_.empty()) {
        if (!chunk_open_ || c_.p >= c_.end) {
            if (chunk_ >= file_.chunk_offsets.size()) return false;
            openChunk(chunk_++);
            continue;
        }
        if (continuation_ != 0) {
            // The chunk begins inside a step of context_.
            const bool comparable = continuation_ == kChunkMovedStep;
            continuation_ = 0;
            decodeStep(context_, comparable);
            continue;
        }
        const std::uint8_t tag = *c_.p++;
        if (tag >= kTagResumeRepeat && tag < kTagResumeRepeat + 16) {
            const int fibre = (tag - kTagResumeRepeat) / 4;
            beginFrameOf(fibre);
            context_ = fibre;
            push(RecEventKind::Resume).fibre = fibre;
            repeatShape(fibre, (tag - kTagResumeRepeat) % 4, std::nullopt);
            continue;
        }
        if (tag == kTagStart || tag == kTagResume) {
            Bytes in{c_.p, c_.end};
            const int fibre = in.u8();
            if (in.problem != nullptr) fail(in.problem);
            if (fibre >= kMaxFibres) fail("a fibre number out of range");
            beginFrameOf(fibre);
            context_ = fibre;
            RecEvent& e = push(tag == kTagStart ? RecEventKind::Start : RecEventKind::Resume);
            e.fibre = fibre;
            if (c_.p >= c_.end) continue;  // the step is in the next chunk
            if (*c_.p == kTagRepeat) {
                ++c_.p;
                const int k = in.u8();
                if (in.problem != nullptr) fail(in.problem);
                repeatShape(fibre, k, readTickList(c_, fibre));
                continue;
            }
            decodeStep(fibre, true);
            continue;
        }
        // A record outside any step: the host's, or a key message between frames.
        context_ = -1;
        decodeRecord(c_, tag, nullptr);
    }
    return true;
}

void RecordingReader::beginFrameOf(int fibre) {
    if (!started_frame_ || fibre <= last_fibre_in_frame_) {
        if (started_frame_) ++frame_;
        started_frame_ = true;
    }
    last_fibre_in_frame_ = fibre;
}

void RecordingReader::repeatShape(int fibre, int k, std::optional<std::vector<std::uint32_t>> values) {
    FibreMemory& m = fibres_[fibre];
    if (k >= m.shape_count) fail("a repeat of a step that was not written");
    const ShapeRef shape = m.shapes[k];
    for (int i = k; i > 0; --i) m.shapes[i] = m.shapes[i - 1];
    m.shapes[0] = shape;
    if (!values) {
        // The fibre's last tick deltas again.
        if (!m.has_deltas) fail("a repeat of clock values that were not written");
        values.emplace();
        for (const std::int32_t d : m.deltas) {
            tick_base_ += static_cast<std::uint32_t>(d);
            values->push_back(tick_base_);
        }
    }
    const auto* base = reinterpret_cast<const std::uint8_t*>(file_.bytes.data());
    Cursor sub{base + shape.begin, base + shape.begin + shape.size};
    std::vector<std::size_t> marks;
    decodeStepBody(sub, marks);
    assignTicks(marks, *values);
}

void RecordingReader::decodeStepBody(Cursor& c, std::vector<std::size_t>& marks) {
    while (c.p < c.end) {
        const std::uint8_t tag = *c.p++;
        if (tag == kTagStart || tag == kTagResume || tag == kTagRepeat) fail("a step begins inside another");
        if (tag == kTagStepTicks) {
            assignTicks(marks, readTickList(c, context_));
            continue;
        }
        decodeRecord(c, tag, &marks);
        if (queue_.back().kind == RecEventKind::Wait) return;
    }
}

std::vector<std::uint32_t> RecordingReader::readTickList(Cursor& c, int fibre) {
    if (fibre < 0 || fibre >= kMaxFibres) fail("clock values outside a step");
    FibreMemory& m = fibres_[fibre];
    Bytes in{c.p, c.end};
    const auto number = [&] {
        const std::uint32_t v = in.varint();
        if (in.problem != nullptr) fail(in.problem);
        return v;
    };
    const std::uint32_t n = number();
    std::vector<std::uint32_t> values;
    if (n == 0) {
        if (!m.has_deltas) fail("a repeat of clock values that were not written");
    } else {
        if (n - 1 > static_cast<std::uint32_t>(c.end - c.p)) fail("more clock values than bytes");
        m.deltas.clear();
        for (std::uint32_t i = 0; i + 1 < n; ++i) m.deltas.push_back(unzigzag(number()));
        m.has_deltas = true;
    }
    values.reserve(m.deltas.size());
    for (const std::int32_t d : m.deltas) {
        tick_base_ += static_cast<std::uint32_t>(d);
        values.push_back(tick_base_);
    }
    return values;
}

void RecordingReader::assignTicks(std::vector<std::size_t>& marks, const std::vector<std::uint32_t>& values) {
    if (values.size() != marks.size()) {
        fail(std::to_string(marks.size()) + " clock reads with " + std::to_string(values.size()) + " values");
    }
    for (std::size_t i = 0; i < marks.size(); ++i) queue_[marks[i]].number = values[i];
    marks.clear();
}

void RecordingReader::decodeRecord(Cursor& c, std::uint8_t tag, std::vector<std::size_t>* marks) {
    Bytes in{c.p, c.end};
    const auto check = [&] {
        if (in.problem != nullptr) fail(in.problem);
    };
    bool threw = false;
    if (tag == kTagThrew) {
        threw = true;
        tag = in.u8();
        check();
        if (tag != kTagUnknownNative && tag < kNativeWide) fail("a call that threw is not a native call");
    }
    if (tag >= kNativeWide) {
        const std::uint32_t index = tag == kNativeWide ? in.varint() : static_cast<std::uint32_t>(tag - kNativeBase);
        check();
        if (index >= file_.natives.size()) fail("a native call of number " + std::to_string(index) + ", not in the table");
        const RecNative& n = file_.natives[index];
        RecEvent& e = push(RecEventKind::Native);
        e.native = static_cast<int>(index);
        e.threw = threw;
        e.args.resize(static_cast<std::size_t>(n.argc));
        const auto readValue = [&](Kind kind, RecValue& v) {
            v.kind = kind;
            switch (kind) {
                case Kind::I32:
                case Kind::U32:
                case Kind::F32: v.bits = in.u32(); break;
                case Kind::Text: {
                    const std::uint32_t n1 = in.varint();
                    v.null = n1 == 0;
                    if (n1 > 0) v.text = in.text(n1 - 1);
                    break;
                }
                case Kind::Ptr:
                case Kind::Out: {
                    const std::uint8_t given = in.u8();
                    if (given > 1) in.problem = "an out-parameter marked neither given nor null";
                    v.null = given == 0;
                    if (given == 1 && kind == Kind::Ptr) v.bits = in.u32();
                    break;
                }
                case Kind::Vec3:
                    v.bits = in.u32();
                    v.more[0] = in.u32();
                    v.more[1] = in.u32();
                    break;
                case Kind::None: break;
            }
        };
        for (int a = 0; a < n.argc; ++a) readValue(n.args[static_cast<std::size_t>(a)], e.args[static_cast<std::size_t>(a)]);
        if (!threw) {
            readValue(n.result, e.result);
            for (int a = 0; a < n.argc; ++a) {
                RecValue& v = e.args[static_cast<std::size_t>(a)];
                if ((v.kind == Kind::Ptr || v.kind == Kind::Out) && !v.null) v.after = in.u32();
            }
        }
        check();
        return;
    }
    switch (tag) {
        case kTagTick: {
            RecEvent& e = push(RecEventKind::Tick);
            e.number = in.varint();
            break;
        }
        case kTagTickMark: {
            if (marks == nullptr) fail("a clock read inside no step");
            push(RecEventKind::Tick);
            marks->push_back(queue_.size() - 1);
            break;
        }
        case kTagStepTicks:
            fail("clock values outside a step");
        case kTagWait: {
            if (marks == nullptr) fail("a wait outside a step");
            RecEvent& e = push(RecEventKind::Wait);
            e.number = in.varint();
            break;
        }
        case kTagRegister: {
            RecEvent& e = push(RecEventKind::Register);
            e.number = in.u8();
            if (e.number > kUnregisterKeyboard) in.problem = "an unknown registration";
            break;
        }
        case kTagSeed:
        case kTagRandom: {
            RecEvent& e = push(tag == kTagSeed ? RecEventKind::Seed : RecEventKind::Random);
            e.number = in.varint();
            break;
        }
        case kTagWorld: {
            RecEvent& e = push(RecEventKind::World);
            const std::uint8_t which = in.u8();
            if (which > 3) in.problem = "a world list of an unknown kind";
            e.number = which & 1u;
            e.capacity = in.varint();
            e.count = in.varint();
            check();
            const std::uint32_t kept = e.count < e.capacity ? e.count : e.capacity;
            if ((which & 2u) != 0) {
                if (!world_known_[e.number] || world_[e.number].size() != kept) fail("a world list the same as none");
                e.handles = world_[e.number];
            } else {
                if (kept > kMaxHandles || kept > static_cast<std::size_t>(c.end - c.p)) fail("a world list longer than its chunk");
                std::int32_t previous = 0;
                e.handles.reserve(kept);
                for (std::uint32_t i = 0; i < kept && in.problem == nullptr; ++i) {
                    previous = static_cast<std::int32_t>(static_cast<std::uint32_t>(previous) +
                                                         static_cast<std::uint32_t>(unzigzag(in.varint())));
                    e.handles.push_back(previous);
                }
                if (kept <= 1024) {
                    world_[e.number] = e.handles;
                    world_known_[e.number] = true;
                }
            }
            break;
        }
        case kTagFileExists: {
            RecEvent& e = push(RecEventKind::FileExists);
            e.path = in.text(in.varint());
            e.ok = in.flag("a file test of no result");
            break;
        }
        case kTagFileRead: {
            RecEvent& e = push(RecEventKind::FileRead);
            e.path = in.text(in.varint());
            e.limit = in.varint();
            const std::uint8_t how = in.u8();
            check();
            e.ok = how != kReadFailed;
            if (how == kReadBytes) {
                e.bytes = in.text(in.varint());
                e.size = static_cast<std::uint32_t>(e.bytes.size());
                read_known_ = true;
                read_path_ = e.path;
                read_bytes_ = e.bytes;
            } else if (how == kReadSame || how == kReadDelta) {
                if (!read_known_ || read_path_ != e.path) fail("a file read like one that was not kept");
                if (how == kReadSame) {
                    e.bytes = read_bytes_;
                } else {
                    const std::uint32_t prefix = in.varint();
                    const std::uint32_t suffix = in.varint();
                    const std::string middle = in.text(in.varint());
                    check();
                    if (static_cast<std::uint64_t>(prefix) + suffix > read_bytes_.size()) fail("a file read's change outside the file");
                    e.bytes = read_bytes_.substr(0, prefix) + middle + read_bytes_.substr(read_bytes_.size() - suffix);
                    read_bytes_ = e.bytes;
                }
                e.size = static_cast<std::uint32_t>(e.bytes.size());
            } else if (how == kReadLarge) {
                e.large = true;
                e.size = in.varint();
                e.sum = in.u64();
            } else if (how != kReadFailed) {
                in.problem = "a file read of an unknown outcome";
            }
            break;
        }
        case kTagFileReplace:
        case kTagFileAppend: {
            RecEvent& e = push(tag == kTagFileReplace ? RecEventKind::FileReplace : RecEventKind::FileAppend);
            e.path = in.text(in.varint());
            e.size = in.varint();
            e.sum = in.u64();
            const std::uint8_t r = in.u8();
            if (r > (tag == kTagFileReplace ? kWriteChanged : kWriteDone)) in.problem = "a file write of no result";
            e.ok = r == kWriteDone;
            e.changed = r == kWriteChanged;
            break;
        }
        case kTagFileRecover: {
            RecEvent& e = push(RecEventKind::FileRecover);
            e.path = in.text(in.varint());
            e.ok = in.flag("a recovery of no result");
            e.number = in.varint();
            break;
        }
        case kTagLogStart: {
            RecEvent& e = push(RecEventKind::LogStart);
            e.path = in.text(in.varint());
            e.old_path = in.text(in.varint());
            e.ok = in.flag("a log start of no result");
            break;
        }
        case kTagKey: {
            RecEvent& e = push(RecEventKind::Key);
            e.key = in.varint();
            e.repeats = in.varint();
            e.scan = in.u8();
            e.flags = in.u8();
            if ((e.flags & 0xC0) != 0) in.problem = "a key message of unknown flags";
            if ((e.flags & kKeyTick) != 0) e.number = in.varint();
            break;
        }
        case kTagUnknownNative: {
            RecEvent& e = push(RecEventKind::UnknownNative);
            e.threw = threw;
            e.hash = in.u64();
            const std::uint8_t n = in.u8();
            if (n > 16) in.problem = "a call of more than 16 arguments";
            for (std::uint8_t i = 0; i < n && in.problem == nullptr; ++i) e.words.push_back(in.u64());
            for (std::uint64_t& slot : e.slots) slot = in.u64();
            break;
        }
        default: {
            char text[40];
            std::snprintf(text, sizeof text, "an unknown record 0x%02X", tag);
            fail(text);
        }
    }
    check();
}

const RecEvent* RecordingReader::next() {
    const RecEvent* e = peek();
    if (e != nullptr) ++queue_at_;
    return e;
}

const RecEvent* RecordingReader::peek() {
    if (queue_at_ >= queue_.size() && !fill()) return nullptr;
    return &queue_[queue_at_];
}

}  // namespace tavrel::sim
