#include "state/plugin_log.h"

#include <charconv>
#include <cstring>

#include "host/host_abi.h"
#include "host/host_file.h"

namespace tavrel {

namespace {

constexpr char kFullText[] = "log full: this load wrote its 256 KB; nothing more until the next load";
// Room kept for that last line: "[4294967295] " + the text + CRLF.
constexpr std::size_t kFullLineRoom = 13 + (sizeof kFullText - 1) + 2;

struct LogState {
    bool on = false;           // started, and no write has failed
    bool full = false;         // the last line is written
    std::size_t written = 0;   // bytes of this load, the waiting ones included
    std::size_t waiting = 0;   // bytes in `buffer`
    char buffer[kLogBufferSize] = {};
};

LogState state;
std::uint64_t serial = 0;

// Adds one whole line to the buffer, writing the buffer first when the line
// does not fit. Appends CRLF.
void addLine(const char* text, std::size_t size) {
    if (state.waiting + size + 2 > sizeof state.buffer) flushLog();
    if (!state.on || size + 2 > sizeof state.buffer) return;
    std::memcpy(state.buffer + state.waiting, text, size);
    state.buffer[state.waiting + size] = '\r';
    state.buffer[state.waiting + size + 1] = '\n';
    state.waiting += size + 2;
    state.written += size + 2;
}

// "[TICK] " into `out`; returns its length.
std::size_t tickPrefix(char* out, std::size_t size) {
    out[0] = '[';
    const std::to_chars_result r = std::to_chars(out + 1, out + size, host::getTickCount());
    std::size_t used = static_cast<std::size_t>(r.ptr - out);
    out[used++] = ']';
    out[used++] = ' ';
    return used;
}

const char* keyName(std::int32_t code, char (&scratch)[8]) {
    if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9')) {
        scratch[0] = static_cast<char>(code);
        scratch[1] = '\0';
        return scratch;
    }
    if (code >= 0x70 && code <= 0x87) {  // F1 ... F24
        scratch[0] = 'F';
        const std::to_chars_result r = std::to_chars(scratch + 1, scratch + 7, code - 0x6F);
        *r.ptr = '\0';
        return scratch;
    }
    if (code >= 0x60 && code <= 0x69) {  // NUMPAD0 ... NUMPAD9
        std::memcpy(scratch, "NUMPAD", 6);
        scratch[6] = static_cast<char>('0' + code - 0x60);
        scratch[7] = '\0';
        return scratch;
    }
    switch (code) {
        case 0x08: return "BACK";
        case 0x0D: return "RETURN";
        case 0x10: return "SHIFT";
        case 0x11: return "CONTROL";
        case 0x12: return "MENU";
        case 0x1B: return "ESCAPE";
        case 0x20: return "SPACE";
        case 0x25: return "LEFT";
        case 0x26: return "UP";
        case 0x27: return "RIGHT";
        case 0x28: return "DOWN";
        default: return nullptr;
    }
}

}  // namespace

void startLog(bool on) {
    resetLog();
    if (!on) return;
    state.on = host::startLogFile(kLogPath, kOldLogPath);
}

bool logOn() { return state.on && !state.full; }

void flushLog() {
    if (state.waiting == 0) return;
    if (state.on && !host::appendLogFile(kLogPath, state.buffer, state.waiting)) state.on = false;
    state.waiting = 0;
}

void resetLog() {
    state.on = false;
    state.full = false;
    state.written = 0;
    state.waiting = 0;
}

std::uint64_t logLineSerial() { return serial; }

LogLine::LogLine() : on_(logOn()) {
    if (on_) used_ = tickPrefix(text_, sizeof text_);
}

LogLine::~LogLine() {
    if (!on_ || !logOn()) return;
    ++serial;
    if (state.written + used_ + 2 + kFullLineRoom > kLogLimit) {
        char last[kFullLineRoom];
        const std::size_t prefix = tickPrefix(last, sizeof last);
        const std::size_t size = sizeof kFullText - 1;
        std::memcpy(last + prefix, kFullText, size);
        addLine(last, prefix + size);
        state.full = true;
        return;
    }
    addLine(text_, used_);
}

void LogLine::put(char c) {
    if (used_ < sizeof text_) text_[used_++] = c;
}

LogLine& LogLine::operator<<(const char* text) { return *this << std::string_view(text != nullptr ? text : "(null)"); }

LogLine& LogLine::operator<<(std::string_view text) {
    if (!on_) return *this;
    for (char c : text) put(c);
    return *this;
}

LogLine& LogLine::operator<<(std::int32_t value) {
    char digits[12];
    const std::to_chars_result r = std::to_chars(digits, digits + sizeof digits, value);
    return *this << std::string_view(digits, static_cast<std::size_t>(r.ptr - digits));
}

LogLine& LogLine::operator<<(std::uint32_t value) { return *this << static_cast<std::uint64_t>(value); }

LogLine& LogLine::operator<<(std::uint64_t value) {
    char digits[21];
    const std::to_chars_result r = std::to_chars(digits, digits + sizeof digits, value);
    return *this << std::string_view(digits, static_cast<std::size_t>(r.ptr - digits));
}

LogLine& LogLine::operator<<(LogFixed value) {
    char digits[64];
    const std::to_chars_result r = std::to_chars(digits, digits + sizeof digits, static_cast<double>(value.value),
                                                 std::chars_format::fixed, value.decimals);
    if (r.ec != std::errc()) return *this << "?";
    return *this << std::string_view(digits, static_cast<std::size_t>(r.ptr - digits));
}

LogLine& LogLine::operator<<(LogQuoted value) {
    if (!on_) return *this;
    constexpr char kHex[] = "0123456789ABCDEF";
    put('"');
    for (char c : value.text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && c != '"' && c != '\\') {
            put(c);
        } else {
            put('\\');
            put('x');
            put(kHex[byte >> 4]);
            put(kHex[byte & 0xF]);
        }
    }
    put('"');
    return *this;
}

LogLine& LogLine::operator<<(LogKey value) {
    if (!on_) return *this;
    char scratch[8];
    const char* name = keyName(value.code, scratch);
    if (name != nullptr) *this << name << " (";
    char digits[12];
    const auto code = static_cast<std::uint32_t>(value.code);
    const std::to_chars_result r = std::to_chars(digits, digits + sizeof digits, code, 16);
    *this << (r.ptr - digits < 2 ? "0x0" : "0x");
    for (const char* p = digits; p < r.ptr; ++p) put(*p >= 'a' ? static_cast<char>(*p - 'a' + 'A') : *p);
    if (name != nullptr) *this << ")";
    return *this;
}

}  // namespace tavrel
