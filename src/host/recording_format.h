// The flight recorder's file, Tavrel.rec: the layout shared by the writer
// (host/recorder.cpp, inside the plug-in) and the readers (the simulator's
// replay and converter). docs/recording-format.md describes it in full.
//
//   header (64 bytes) | native table | chunk | chunk | ...
//
// Every number is little-endian. A chunk is a piece of the ring that decodes
// on its own: the decoder's running values (the last tick, each fibre's last
// step) start afresh at every chunk.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tavrel::rec {

inline constexpr char kMagic[8] = {'T', 'A', 'V', 'R', 'E', 'L', 'R', 'C'};
inline constexpr std::uint16_t kFormatVersion = 2;  // 2: kTagFileRecover, kWriteChanged
inline constexpr std::size_t kHeaderSize = 64;
inline constexpr std::size_t kChunkHeaderSize = 12;
inline constexpr std::size_t kChunkSize = 128 * 1024;  // bytes of a chunk in memory, its header included
inline constexpr int kMaxFibres = 4;                    // script fibres told apart (main, menu, two more)
inline constexpr int kShapeMemory = 4;                  // written steps a fibre's repeat may name

// Header fields, by their byte offset.
namespace header {
inline constexpr std::size_t kMagicAt = 0;          // 8 bytes
inline constexpr std::size_t kVersionAt = 8;        // u16 format version
inline constexpr std::size_t kHeaderSizeAt = 10;    // u16 this header's size
inline constexpr std::size_t kPluginVersionAt = 12; // u8 major, u8 minor, u16 0
inline constexpr std::size_t kFlagsAt = 16;         // u32, kFlag*
inline constexpr std::size_t kChunkCountAt = 20;    // u32 chunks in the file
inline constexpr std::size_t kRingKbAt = 24;        // u32 the ring's size in KB
inline constexpr std::size_t kTableSizeAt = 28;     // u32 bytes of the native table
inline constexpr std::size_t kFirstChunkAt = 32;    // u64 sequence number of the first chunk (0: from the load)
inline constexpr std::size_t kBodySizeAt = 40;      // u64 bytes after the header
inline constexpr std::size_t kBodySumAt = 48;       // u64 checksum of those bytes
inline constexpr std::size_t kHeaderSumAt = 56;     // u64 checksum of bytes 0 ... 55
}  // namespace header

// Header flags.
inline constexpr std::uint32_t kFlagIncomplete = 1u << 0;   // a key message or an oversize record was not kept
inline constexpr std::uint32_t kSavedAtUnload = 1u << 1;
inline constexpr std::uint32_t kSavedAtHalt = 1u << 2;
inline constexpr std::uint32_t kSavedByKey = 1u << 3;
inline constexpr std::uint32_t kKnownFlags = (1u << 4) - 1;

// Chunk header: u32 bytes used after it, u32 sequence number (low 32 bits),
// u8 context at its start (kContextHost or a fibre), u8 flags, u16 0.
inline constexpr std::uint8_t kChunkMidStep = 1;    // goes on with a step of its context's fibre begun in
                                                    // the chunk before (not compared with others)
inline constexpr std::uint8_t kChunkMovedStep = 2;  // begins with a step of its context's fibre whose start
                                                    // record is in the chunk before (a whole step)

inline constexpr std::uint8_t kContextHost = 0xFF;  // the load, the unload: no fibre runs

// Argument and result kinds of the native table. A Ptr or Out argument's
// 4 bytes after the call follow the call's result.
enum class Kind : std::uint8_t {
    None = 0,  // no result
    I32 = 1,   // int, BOOL, handles: 4 bytes
    U32 = 2,   // Hash: 4 bytes
    F32 = 3,   // float: 4 bytes
    Text = 4,  // varint (length + 1), then the bytes; 0 for a null pointer
    Ptr = 5,   // an in/out parameter of 4 bytes: varint 0 (null) or 1, then the 4 bytes passed in
    Vec3 = 6,  // a vector result: 12 bytes
    Out = 7,   // an out-parameter of 4 bytes that the native only writes (a GET_ native's): varint 0 or 1
};

// Event tags. A byte of kNativeBase or more is a native call of table index
// (byte - kNativeBase); kNativeWide is followed by a varint index.
enum Tag : std::uint8_t {
    kTagTick = 0x01,         // varint absolute tick: a clock read outside a step
    kTagTickMark = 0x02,     // a clock read inside a step: its value comes with the step's ticks
    kTagStepTicks = 0x03,    // the values of the step's clock reads so far (see TickList)
    kTagWait = 0x04,         // varint ms: the fibre yields; the step ends
    kTagResume = 0x05,       // u8 fibre: scriptWait returned; a step begins
    kTagStart = 0x06,        // u8 fibre: its script begins; a step begins
    kTagRepeat = 0x07,       // u8 k: the step is the fibre's k-th most recent written step again (up to
                             // its wait), then a TickList
    kTagRegister = 0x08,     // u8 what (kRegister*)
    kTagSeed = 0x09,         // varint seed
    kTagRandom = 0x0A,       // varint value
    kTagWorld = 0x0B,        // u8 0 peds / 1 vehicles (| 2: the same handles as the chunk's last list of
                             // that kind), varint capacity, varint count, zigzag deltas of the handles
    kTagFileExists = 0x0C,   // text path, u8 result
    kTagFileRead = 0x0D,     // text path, varint limit, u8 kRead*, then (kReadBytes) varint size + bytes,
                             // (kReadLarge) varint size + u64 checksum
    kTagFileReplace = 0x0E,  // text path, varint size, u64 checksum of the bytes, u8 kWrite*
    kTagKey = 0x0F,          // varint key, varint repeats, u8 scan, u8 flags (kKey*), (kKeyTick) varint tick
    kTagThrew = 0x10,        // the native call just written threw into the plug-in instead of answering
    kTagUnknownNative = 0x11,  // u64 hash, u8 pushed, u64 words..., 4 x u64 result slots
    kTagFileAppend = 0x12,   // text path, varint size, u64 checksum, u8 result: lines added to the log
    kTagLogStart = 0x13,     // text path, text old path, u8 result: the log begun afresh
    kTagFileRecover = 0x14,  // text path, u8 restored, varint leftovers removed: the load's recovery
    kTagResumeRepeat = 0x20, // 0x20 + 4 * fibre + k (fibre and k below 4): kTagResume, then kTagRepeat k
                             // with the same tick deltas as the fibre's last list: a steady frame's step
    kNativeWide = 0x3F,
    kNativeBase = 0x40,
};

// What a file read found.
inline constexpr std::uint8_t kReadFailed = 0;
inline constexpr std::uint8_t kReadBytes = 1;
inline constexpr std::uint8_t kReadSame = 2;   // the same bytes as the chunk's previous read of that path
inline constexpr std::uint8_t kReadLarge = 3;  // too large to keep: size and checksum only
inline constexpr std::uint8_t kReadDelta = 4;  // the chunk's previous read of that path with a middle part
                                               // changed: varint prefix, varint suffix, varint size + bytes

// A write's outcome (kTagFileReplace, kTagFileAppend).
inline constexpr std::uint8_t kWriteFailed = 0;
inline constexpr std::uint8_t kWriteDone = 1;
inline constexpr std::uint8_t kWriteChanged = 2;  // the file was no longer the version read: nothing written

// What a kTagRegister names.
inline constexpr std::uint8_t kRegisterMain = 0;
inline constexpr std::uint8_t kRegisterThread = 1;
inline constexpr std::uint8_t kRegisterKeyboard = 2;
inline constexpr std::uint8_t kUnregisterScripts = 3;
inline constexpr std::uint8_t kUnregisterKeyboard = 4;

// Key message flags.
inline constexpr std::uint8_t kKeyExtended = 1;
inline constexpr std::uint8_t kKeyAlt = 2;
inline constexpr std::uint8_t kKeyWasDown = 4;
inline constexpr std::uint8_t kKeyUp = 8;
inline constexpr std::uint8_t kKeyTick = 16;      // the handler read the clock (the value follows)
inline constexpr std::uint8_t kKeyTickThrew = 32; // the handler's clock read threw into it

// TickList (after kTagStepTicks and kTagRepeat): varint n. 0: the same
// deltas as the fibre's previous list, as many as it had; otherwise n - 1
// zigzag deltas, each from the previous clock value of the chunk (0 at its
// start).

// FNV-1a over 64-bit little-endian words; a last partial word is padded
// with zeros. The file's checksums.
inline std::uint64_t checksum(const void* data, std::size_t size, std::uint64_t h = 0xCBF29CE484222325ULL) {
    const auto* p = static_cast<const unsigned char*>(data);
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t w;
        std::memcpy(&w, p + i, 8);
        h = (h ^ w) * 0x100000001B3ULL;
    }
    if (i < size) {
        std::uint64_t w = 0;
        std::memcpy(&w, p + i, size - i);
        h = (h ^ w) * 0x100000001B3ULL;
    }
    return h;
}

// The same checksum over bytes that come in pieces.
class Checksum {
public:
    void add(const void* data, std::size_t size) {
        const auto* p = static_cast<const unsigned char*>(data);
        while (size > 0 && carried_ > 0) {
            carry_[carried_++] = *p++;
            --size;
            if (carried_ == 8) {
                h_ = checksum(carry_, 8, h_);
                carried_ = 0;
            }
        }
        const std::size_t whole = size & ~std::size_t{7};
        h_ = checksum(p, whole, h_);
        p += whole;
        size -= whole;
        while (size-- > 0) carry_[carried_++] = *p++;
    }
    std::uint64_t value() const { return carried_ > 0 ? checksum(carry_, carried_, h_) : h_; }

private:
    std::uint64_t h_ = 0xCBF29CE484222325ULL;
    unsigned char carry_[8] = {};
    std::size_t carried_ = 0;
};

inline std::uint32_t zigzag(std::int32_t v) {
    return (static_cast<std::uint32_t>(v) << 1) ^ static_cast<std::uint32_t>(v >> 31);
}
inline std::int32_t unzigzag(std::uint32_t v) {
    return static_cast<std::int32_t>((v >> 1) ^ (~(v & 1) + 1));
}

}  // namespace tavrel::rec
