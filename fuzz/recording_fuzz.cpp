// libFuzzer target for flight recordings (Tavrel.rec): tavrel_recording_fuzz.
//
// The input is taken twice: as it stands, where the header and checksum
// checks must refuse it with a RecordingError (or accept it whole); and,
// when it begins like a recording, with its checksums put right, so that
// the decoder itself reads the damaged events. Rules: the only exception
// that leaves the reader is a RecordingError; every event it gives names a
// native of the file's table. A recording of at most kReplayLimit bytes is
// also replayed, in a private folder: replay ends with 0, 1, 2 or 5, never
// anything else escaping.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "host/recording_format.h"
#include "sim/replay/recording.h"
#include "sim/replay/replay.h"

namespace {

using namespace tavrel;
using namespace tavrel::sim;

constexpr std::size_t kReplayLimit = 16384;
constexpr std::size_t kEventLimit = 200000;

[[noreturn]] void broken(const std::string& rule) {
    std::fprintf(stderr, "recording fuzz: %s\n", rule.c_str());
    std::abort();
}

struct NullBuffer : std::streambuf {
    int overflow(int c) override { return c; }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

// Reads every event; true when the file was accepted whole.
bool readAll(const std::string& bytes) {
    try {
        const RecordingFile file = parseRecording(bytes);
        RecordingReader reader(file);
        std::size_t n = 0;
        while (const RecEvent* e = reader.next()) {
            if (e->kind == RecEventKind::Native &&
                (e->native < 0 || static_cast<std::size_t>(e->native) >= file.natives.size())) {
                broken("an event names a native outside the table");
            }
            if (++n == kEventLimit) break;
        }
        return true;
    } catch (const RecordingError&) {
        return false;
    }
}

// The bytes with both checksums made to match.
std::string withChecksums(std::string bytes) {
    const std::uint64_t body = rec::checksum(bytes.data() + rec::kHeaderSize, bytes.size() - rec::kHeaderSize);
    std::memcpy(bytes.data() + rec::header::kBodySumAt, &body, 8);
    const std::uint64_t head = rec::checksum(bytes.data(), rec::header::kHeaderSumAt);
    std::memcpy(bytes.data() + rec::header::kHeaderSumAt, &head, 8);
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    readAll(bytes);
    if (size < rec::kHeaderSize || std::memcmp(data, rec::kMagic, sizeof rec::kMagic) != 0) return 0;
    const std::string fixed = withChecksums(bytes);
    if (!readAll(fixed) || size > kReplayLimit) return 0;
    const char* dir = std::getenv("TMPDIR");
    std::string name = std::string(dir != nullptr ? dir : "/tmp") + "/tavrel-recording-fuzz.rec";
    std::ofstream(name, std::ios::binary | std::ios::trunc) << fixed;
    NullBuffer null;
    std::ostream sink(&null);
    const int status = runReplay(name, ReplayOptions{}, sink, sink);
    if (status != 0 && status != 1 && status != 2 && status != kReplayDiffers) {
        broken("replay ended with status " + std::to_string(status));
    }
    std::remove(name.c_str());
    return 0;
}
