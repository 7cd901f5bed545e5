// Tavrel.log: what the plug-in did and why, for a player's bug report. One
// line per thing worth knowing (the load and its settings file, each lock or
// unlock request and its outcome, a failed save, a halt, the unload), each
// "[TICK] text" with CRLF, the same bytes on every host.
//
//   LogLine() << "lock request by key " << code;  // buffered when it ends
//   flushLog();                                  // at the end of the event
//
// Lines wait in a fixed buffer and reach the file when the event that made
// them ends (flushLog), without a flush to disk; a frame without an event
// touches no file. Each load starts the file afresh (startLog) and keeps the
// previous one as Tavrel.log.old; a load writes at most kLogLimit bytes, the
// last line saying so. A file that cannot be written turns the log off for
// the rest of the load and never stops the plug-in. No heap allocation.
//
// Fibres: the script fibres and the host's load and unload, one at a time;
// never the keyboard handler (the window thread).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "host/version.h"

namespace tavrel {

inline constexpr const char* kPluginName = "Tavrel " TAVREL_VERSION_TEXT;
inline constexpr const char* kLogPath = ".\\Tavrel.log";
inline constexpr const char* kOldLogPath = ".\\Tavrel.log.old";
inline constexpr std::size_t kLogLimit = 256 * 1024;   // bytes one load writes at most
inline constexpr std::size_t kLogBufferSize = 8192;    // lines waiting for their event's end
inline constexpr std::size_t kLogLineSize = 480;       // one line's text; longer is cut

// Starts this load's log when `on` (the setting write_log): the file is made
// afresh, the previous one kept. Off, nothing is written and no file touched.
void startLog(bool on);
// The log is being written (started, not off, not failed, not full).
bool logOn();
// Writes the waiting lines to the file. Nothing at all when none waits.
void flushLog();
// Back to the library-load state: off, nothing waiting (tests; a new load).
void resetLog();
// Lines committed since the library was loaded first (never reset): tells
// whether anything was logged between two moments.
std::uint64_t logLineSerial();

// A number with a fixed count of decimals: LogFixed{3.25f, 1} is "3.2".
struct LogFixed {
    float value;
    int decimals;
};

// A text shown in double quotes, control and non-ASCII bytes as \xNN.
struct LogQuoted {
    std::string_view text;
};

// A virtual-key code as "L (0x4C)", "F9 (0x78)" or "0xE2".
struct LogKey {
    std::int32_t code;
};

// One line, committed to the buffer with the current tick when it goes out
// of scope. With the log off it costs a flag test.
class LogLine {
public:
    LogLine();
    ~LogLine();
    LogLine(const LogLine&) = delete;
    LogLine& operator=(const LogLine&) = delete;

    LogLine& operator<<(const char* text);
    LogLine& operator<<(std::string_view text);
    LogLine& operator<<(std::int32_t value);
    LogLine& operator<<(std::uint32_t value);
    LogLine& operator<<(std::uint64_t value);
    LogLine& operator<<(LogFixed value);
    LogLine& operator<<(LogQuoted value);
    LogLine& operator<<(LogKey value);

    // Characters so far, the tick included.
    std::size_t size() const { return used_; }

private:
    void put(char c);
    char text_[kLogLineSize];
    std::size_t used_ = 0;
    bool on_;
};

}  // namespace tavrel
