// The INI store against the system's own profile functions. Generated files
// (mixed-case names, blanks, comments, quotes, CRLF, LF and lone CR,
// duplicate sections and keys, keys before any section, lines without '=',
// signs, junk after digits, hexadecimal, 32-bit overflow, long lines) are
// read through GetPrivateProfileIntA / GetPrivateProfileStringA and through
// the store, and the answers must be equal. Then the store writes keys into
// such files (writeProfileString, through the Windows file binding) and both
// readers must read the same values back.
//
// Run under Wine, the system side is Wine's implementation, which departs
// from Windows in a few known places. The generator never produces the
// file-level ones (byte-order marks, UTF-16, a header without ']' or with a
// second ']', tab-padded parameters, an all-blank or quoted default, values
// of 64K characters and more); the call-level ones are recognised and
// skipped, with a count per reason:
//   empty-section  an empty section name in a file with keys before the
//                  first header or an empty "[]" header (Windows: such keys
//                  are unreachable; Wine answers from them)
//   comment-key    a key name starting with ';' (Windows: a comment line is
//                  never a key; Wine finds it)
//   quoted-edge    a quoted value read into a buffer exactly one longer than
//                  the unquoted text (Wine drops one more character; what
//                  Windows does there is not known, so nothing pins it)
//   long-int       an integer read of a value of 29 or more characters (Wine
//                  converts only the first 29)
//   no-equals-first a line without '=' ahead of the first key of the same
//                  name (Wine takes that line as the key, with no value, and
//                  answers the default)
// The unit tests in tests/config (ini_store_test.cpp,
// windows_only_cases_test.cpp) pin the store's answer of the others.
// --strict compares the skipped calls too and counts their disagreements by
// reason, without failing: it shows that each skip hides a real departure.
//
//   tavrel_ini_oracle [--seed N] [--files N] [--writes N] [--strict]
//
// The seed is printed first; a failure prints the file bytes and the call.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "config/ini_store.h"

namespace {

using tavrel::ini::IniDocument;

// [SECTION] Random choices

std::mt19937 rng;

int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
bool chance(int percent) { return pick(100) < percent; }
template <typename T, std::size_t N>
const T& pickFrom(const T (&items)[N]) {
    return items[pick(static_cast<int>(N))];
}

const char* const kSectionNames[] = {"Vehicle", "Keys",      "Controller", "Menu",   "Animation", "s",
                                     "a",       "my section", "Sec.2",      "#hash", "[inner",    "x_y-z",
                                     "9",       "t"};
const char* const kKeyNames[] = {"lock",      "unlock", "menu_size", "k",      "K2",   "current_player_vehicle_blip",
                                 "horn_type_index", "my key", "a", "b",    "#k",   "x.y",
                                 "1",         "set_vehicle_license_plate_text", "open_door_hood", "q\"q", "caf\xE9"};

std::string mixCase(std::string_view name) {
    std::string out(name);
    const int mode = pick(4);  // as written, upper, lower, scrambled
    for (char& c : out) {
        const bool upper = mode == 1 || (mode == 3 && chance(50));
        if (mode == 0) break;
        if (c >= 'a' && c <= 'z' && upper) c = static_cast<char>(c - 'a' + 'A');
        else if (c >= 'A' && c <= 'Z' && !upper) c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// Blanks as the profile grammar knows them: space, tab, VT. Form feed and ^Z
// are left out: Wine trims them too, Windows is not known to.
std::string blanks(int percent) {
    std::string out;
    if (!chance(percent)) return out;
    const int n = 1 + pick(3);
    for (int i = 0; i < n; ++i) out += pickFrom({' ', ' ', '\t', '\v'});
    return out;
}

// Bytes 0xA1-0xFF join in when the ANSI code page is 1252, where each is one
// character and none is white space; elsewhere the system would convert them.
bool high_bytes = false;

char printable() {
    if (high_bytes && chance(3)) return static_cast<char>(0xA1 + pick(0x100 - 0xA1));
    return static_cast<char>(0x21 + pick(0x7f - 0x21));
}

// Printable text (space and tab inside), avoiding the given characters.
std::string text(int length, std::string_view avoid = {}) {
    std::string out;
    while (static_cast<int>(out.size()) < length) {
        char c = chance(12) ? pickFrom({' ', '\t'}) : printable();
        if (avoid.find(c) != std::string_view::npos) continue;
        out += c;
    }
    return out;
}

std::string digits(int n, bool leading_zero_ok = true) {
    std::string out;
    for (int i = 0; i < n; ++i) out += static_cast<char>('0' + ((i == 0 && !leading_zero_ok) ? 1 + pick(9) : pick(10)));
    return out;
}

std::string hexDigits(int n) {
    static const char kHex[] = "0123456789abcdefABCDEF";
    std::string out;
    for (int i = 0; i < n; ++i) out += kHex[pick(22)];
    return out;
}

std::string quoted(std::string inner) {
    switch (pick(6)) {
        case 0: return "\"" + inner + "\"";
        case 1: return "'" + inner + "'";
        case 2: return "\"" + blanks(60) + inner + blanks(60) + "\"";
        case 3: return "\"" + inner + "'";  // not a pair
        case 4: return "\"" + inner;
        default: return "'\"" + inner + "\"'";
    }
}

// Values aimed at the integer conversion.
std::string intValue() {
    std::string v;
    switch (pick(11)) {
        case 0: v = std::to_string(pick(4000) - 2000); break;
        case 1: v = std::string(pickFrom({"+", "-", "", "+-", "--", "- ", "+ ", "-+"})) + digits(1 + pick(4)); break;
        case 2: v = std::string(pickFrom({"", "-", "+"})) + digits(10 + pick(11)); break;
        case 3:
            v = pickFrom({"2147483647", "2147483648", "4294967295", "4294967296", "4294967297", "-2147483648",
                          "-2147483649", "-4294967297", "99999999999999999999", "0"});
            break;
        case 4:
            v = std::string(pickFrom({"", "-", "+"})) + pickFrom({"0x", "0X", "0x", "x"}) + hexDigits(pick(10)) +
                (chance(20) ? "g" : "");
            break;
        case 5: v = std::string(pickFrom({"0b", "0o", "0", "00", "0B", "0O"})) + digits(1 + pick(6)); break;
        case 6: v = digits(1 + pick(5)) + pickFrom({"abc", " 34", ".9", "e3", "A9", "x", "-", ",5", "\t7"}); break;
        case 7: v = pickFrom({"abc", "x12", "-", "+", "", "B42", ".", "0x", " ", "true", "--0"}); break;
        case 8: v = std::string(static_cast<std::size_t>(1 + pick(30)), '0') + digits(1 + pick(3)); break;
        case 9: v = std::string(pickFrom({"", "-"})) + digits(1 + pick(9), false); break;
        default: v = std::to_string(static_cast<std::int32_t>(rng())); break;
    }
    if (chance(15)) v = quoted(v);
    return v;
}

std::string textValue() {
    if (chance(4)) return text(100 + pick(4000));  // a long line
    std::string v = text(pick(40));
    if (chance(15)) v = quoted(v);
    return v;
}

std::string anyValue() { return chance(55) ? intValue() : textValue(); }

// [SECTION] Generated files

struct GenSection {
    std::string name;  // as written in the header (case varied)
    std::vector<std::string> keys;
};

struct GenFile {
    std::string bytes;
    std::vector<GenSection> sections;
    std::vector<std::string> pre_keys;  // key lines before the first header
    bool empty_header = false;          // "[]" or "[  ]"
};

std::string lineBreak(int style) {
    switch (style) {
        case 0: return "\r\n";
        case 1: return "\n";
        case 2: return "\r";
        default: return pickFrom({"\r\n", "\r\n", "\n", "\r", "\n\r", "\r\r\n", "\r\n\r\n"});
    }
}

// A line that is neither a header nor a key: no '=', does not open with '['.
// Now and then it is a key name alone.
std::string junkLine() {
    if (chance(25)) return blanks(20) + mixCase(pickFrom(kKeyNames)) + blanks(20);
    std::string line = text(1 + pick(30), "=");
    while (!line.empty() && (line[0] == '[' || line[0] == ';' || line[0] == ' ' || line[0] == '\t')) line.erase(0, 1);
    return blanks(20) + (line.empty() ? "junk" : line);
}

std::string keyLine(const std::string& key) {
    return blanks(20) + key + blanks(25) + "=" + blanks(25) + anyValue() + blanks(20);
}

GenFile generateFile() {
    GenFile f;
    const int style = pick(4);
    std::vector<std::string> lines;
    if (chance(20)) {
        const int n = 1 + pick(3);
        for (int i = 0; i < n; ++i) {
            const std::string key = mixCase(pickFrom(kKeyNames));
            f.pre_keys.push_back(key);
            lines.push_back(keyLine(key));
        }
    }
    if (chance(10)) lines.push_back("; " + text(pick(30)));
    const int section_count = pick(6);
    for (int s = 0; s < section_count; ++s) {
        GenSection section;
        if (chance(3)) {
            section.name = "";
            f.empty_header = true;
        } else if (!f.sections.empty() && chance(15)) {
            section.name = mixCase(f.sections[static_cast<std::size_t>(pick(static_cast<int>(f.sections.size())))].name);
        } else {
            section.name = mixCase(pickFrom(kSectionNames));
        }
        std::string header = blanks(15) + "[" + blanks(15) + section.name + blanks(15) + "]";
        if (chance(10)) header += text(pick(12), "]");
        lines.push_back(header + blanks(10));
        const int line_count = pick(9);
        for (int l = 0; l < line_count; ++l) {
            const int kind = pick(100);
            if (kind < 60) {
                std::string key;
                if (!section.keys.empty() && chance(15)) {
                    key = mixCase(section.keys[static_cast<std::size_t>(pick(static_cast<int>(section.keys.size())))]);
                } else {
                    key = mixCase(pickFrom(kKeyNames));
                }
                section.keys.push_back(key);
                lines.push_back(keyLine(key));
            } else if (kind < 70) {
                lines.push_back(blanks(20) + ";" + (chance(50) ? mixCase(pickFrom(kKeyNames)) + "=" : "") + text(pick(20)));
            } else if (kind < 78) {
                lines.push_back(blanks(50));
            } else if (kind < 88) {
                lines.push_back(junkLine());
            } else if (kind < 92) {
                lines.push_back(blanks(20) + "=" + blanks(20) + anyValue());
                section.keys.push_back("");
            } else {
                // A key name with a blank inside, or one not in the list.
                const std::string key = chance(50) ? "my  key" : text(1 + pick(8), "=;[ \t");
                section.keys.push_back(key);
                lines.push_back(keyLine(key));
            }
        }
        f.sections.push_back(section);
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        f.bytes += lines[i];
        if (i + 1 < lines.size() || chance(80)) f.bytes += lineBreak(style);
    }
    if (chance(3)) f.bytes += lineBreak(style);  // blank lines at the end
    return f;
}

// [SECTION] Calls

struct Call {
    bool integer = true;
    std::string section;
    std::string key;
    std::int32_t int_default = -1;
    const char* str_default = nullptr;
    std::size_t size = 0;
};

std::string escaped(std::string_view bytes) {
    std::string out = "\"";
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n\"\n    \"";
        else if (c == '\t') out += "\\t";
        else if (c == '\v') out += "\\v";
        else if (c == '"') out += "\\\"";
        else if (c == '\\') out += "\\\\";
        else if (c < 0x20 || c >= 0x7f) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X\"\"", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string describe(const Call& c) {
    std::string out;
    if (c.integer) {
        out = "GetPrivateProfileIntA(" + escaped(c.section) + ", " + escaped(c.key) + ", " +
              std::to_string(c.int_default) + ")";
    } else {
        out = "GetPrivateProfileStringA(" + escaped(c.section) + ", " + escaped(c.key) + ", " +
              (c.str_default ? escaped(c.str_default) : std::string("NULL")) + ", buffer, " + std::to_string(c.size) +
              ")";
    }
    return out;
}

const char* const kStringDefaults[] = {"default",   "",      "def  ",  "  lead", "one two  ", "\ttab\t",
                                       "Error: GPPS failed", "x", "0",      "-7"};
const std::size_t kSizes[] = {0, 1, 2, 3, 4, 5, 6, 8, 12, 16, 32, 80, 260, 8192};

Call randomCall(const GenFile& f) {
    Call c;
    const GenSection* in = nullptr;
    const int s = pick(100);
    if (s < 70 && !f.sections.empty()) {
        in = &f.sections[static_cast<std::size_t>(pick(static_cast<int>(f.sections.size())))];
        c.section = mixCase(in->name);
        if (chance(10)) c.section = " " + c.section + "  ";
    } else if (s < 85) {
        c.section = mixCase(pickFrom(kSectionNames));
    } else if (s < 91) {
        c.section = pickFrom({"", " "});
    } else {
        c.section = text(1 + pick(6), "] \t");
    }
    const int k = pick(100);
    if (k < 65 && in && !in->keys.empty()) {
        c.key = mixCase(in->keys[static_cast<std::size_t>(pick(static_cast<int>(in->keys.size())))]);
        if (chance(8)) c.key = "  " + c.key + " ";
    } else if (k < 70 && !f.pre_keys.empty()) {
        c.key = f.pre_keys[static_cast<std::size_t>(pick(static_cast<int>(f.pre_keys.size())))];
    } else if (k < 90) {
        c.key = mixCase(pickFrom(kKeyNames));
    } else if (k < 94) {
        c.key = pickFrom({"", " ", ";k", ";lock"});
    } else {
        c.key = text(1 + pick(6), " \t");
    }
    c.integer = chance(50);
    if (c.integer) {
        c.int_default = pickFrom({-1, -1, 0, 7, 1, INT32_MIN, INT32_MAX, -99});
        if (chance(10)) c.int_default = static_cast<std::int32_t>(rng());
    } else {
        c.str_default = chance(8) ? nullptr : pickFrom(kStringDefaults);
        c.size = pickFrom(kSizes);
    }
    return c;
}

// [SECTION] Skips where Wine is not Windows

enum Skip { kNone, kEmptySection, kCommentKey, kQuotedEdge, kLongInt, kNoEqualsFirst, kSkipCount };
const char* const kSkipNames[] = {"", "empty-section", "comment-key", "quoted-edge", "long-int", "no-equals-first"};

std::string_view trimSpaces(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char ch) { return (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch - 'A' + 'a') : ch; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\v'; }

// Wine keeps a line without '=' as a key with no value; when such a line of
// the queried name comes before the real key in the first section of that
// name, Wine answers the default. Found by walking the lines of the bytes.
bool noEqualsLineFirst(std::string_view bytes, std::string_view section, std::string_view key) {
    bool in_section = false, seen_section = false;
    std::size_t i = 0;
    while (i < bytes.size()) {
        std::size_t end = i;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') ++end;
        std::string_view line = bytes.substr(i, end - i);
        i = end;
        while (i < bytes.size() && (bytes[i] == '\r' || bytes[i] == '\n')) ++i;
        while (!line.empty() && isBlank(line.front())) line.remove_prefix(1);
        while (!line.empty() && isBlank(line.back())) line.remove_suffix(1);
        if (!line.empty() && line.front() == '[') {
            if (in_section) return false;  // the first section of the name ended
            std::string_view name = line.substr(1, line.find(']') - 1);
            while (!name.empty() && isBlank(name.front())) name.remove_prefix(1);
            while (!name.empty() && isBlank(name.back())) name.remove_suffix(1);
            in_section = !seen_section && equalsNoCase(name, section);
            seen_section = seen_section || in_section;
            continue;
        }
        if (!in_section || line.empty() || line.front() == ';') continue;
        const std::size_t eq = line.find('=');
        std::string_view name = line.substr(0, eq);
        while (!name.empty() && isBlank(name.back())) name.remove_suffix(1);
        if (equalsNoCase(name, key)) return eq == std::string_view::npos;
    }
    return false;
}

Skip classify(const GenFile& f, const IniDocument& doc, const Call& c) {
    const std::string_view section = trimSpaces(c.section);
    const std::string_view key = trimSpaces(c.key);
    if (section.empty() && (!f.pre_keys.empty() || f.empty_header)) return kEmptySection;
    if (!key.empty() && key.front() == ';') return kCommentKey;
    if (noEqualsLineFirst(doc.bytes, section, key)) return kNoEqualsFirst;
    const tavrel::ini::IniKeySpan* found = tavrel::ini::findKey(doc, c.section.c_str(), c.key.c_str());
    if (!found) return kNone;
    const tavrel::ini::IniKeyLine line = tavrel::ini::keyLine(doc, *found);
    const std::string_view raw(doc.bytes.data() + line.value_begin, line.value_end - line.value_begin);
    if (c.integer) return raw.size() >= 29 ? kLongInt : kNone;
    const bool quoted_pair = raw.size() >= 2 && (raw.front() == '"' || raw.front() == '\'') && raw.back() == raw.front();
    if (quoted_pair && c.size == raw.size() - 1) return kQuotedEdge;
    return kNone;
}

// [SECTION] Comparison

struct Tally {
    long files = 0;
    long calls = 0;
    long failures = 0;
    long skipped[kSkipCount] = {};
    long writes = 0;
    long strict_mismatches[kSkipCount] = {};  // --strict: disagreements per skip reason
};

Tally tally;
bool strict = false;  // --strict: skip nothing (shows what each skip hides)
constexpr long kMaxReported = 10;

void report(const std::string& path, std::string_view bytes, const std::string& call, const std::string& ours,
            const std::string& theirs) {
    ++tally.failures;
    if (tally.failures > kMaxReported) return;
    std::fprintf(stderr,
                 "MISMATCH in %s (%zu bytes):\n    %s\n  call: %s\n  store:  %s\n  system: %s\n\n", path.c_str(),
                 bytes.size(), escaped(bytes).c_str(), call.c_str(), ours.c_str(), theirs.c_str());
}

// Compares one call; true when the answers agree (or the call is skipped).
void compareCall(const GenFile& f, const IniDocument& doc, const std::string& path, const std::string& label,
                 const Call& c) {
    const Skip skip = classify(f, doc, c);
    if (skip != kNone) {
        ++tally.skipped[skip];
        if (!strict) return;
    }
    ++tally.calls;
    // Under --strict a skipped call is compared too, and its mismatch counted
    // against its reason instead of failing.
    const auto report = [&](const std::string& where, std::string_view bytes, const std::string& call,
                            const std::string& ours, const std::string& theirs) {
        if (skip != kNone) {
            ++tally.strict_mismatches[skip];
            return;
        }
        ::report(where, bytes, call, ours, theirs);
    };
    if (c.integer) {
        const std::int32_t ours = tavrel::ini::getProfileInt(doc, c.section.c_str(), c.key.c_str(), c.int_default);
        const auto theirs = static_cast<std::int32_t>(
            GetPrivateProfileIntA(c.section.c_str(), c.key.c_str(), c.int_default, path.c_str()));
        if (ours != theirs) report(label, doc.bytes, describe(c), std::to_string(ours), std::to_string(theirs));
        return;
    }
    // Both buffers get guard bytes past the size: a write beyond it shows.
    constexpr std::size_t kGuard = 16;
    std::string ours(c.size + kGuard, '\xA5');
    std::string theirs(c.size + kGuard, '\xA5');
    const std::size_t ours_n = tavrel::ini::getProfileString(doc, c.section.c_str(), c.key.c_str(), c.str_default,
                                                             ours.data(), c.size);
    const DWORD theirs_n = GetPrivateProfileStringA(c.section.c_str(), c.key.c_str(), c.str_default, theirs.data(),
                                                    static_cast<DWORD>(c.size), path.c_str());
    if (ours_n != theirs_n || ours != theirs) {
        const auto show = [](std::size_t n, const std::string& buf) {
            const std::size_t shown = std::min(buf.size(), n + 1);
            return std::to_string(n) + " " + escaped(std::string_view(buf).substr(0, shown)) +
                   (buf.compare(shown, std::string::npos, std::string(buf.size() - shown, '\xA5')) == 0
                        ? ""
                        : " (bytes past the text differ from the fill)");
        };
        report(label, doc.bytes, describe(c), show(ours_n, ours), show(theirs_n, theirs));
    }
}

bool writeBytes(const std::string& path, std::string_view bytes) {
    const HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = bytes.empty() ||
                    (WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                     written == bytes.size());
    CloseHandle(h);
    return ok;
}

// Drops Wine's cached copy of the file (Windows keeps none); returns FALSE.
void flushProfileCache(const std::string& path) { WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str()); }

bool loadOurs(const std::string& path, IniDocument& doc) { return tavrel::ini::loadIniFile(path.c_str(), doc); }

// [SECTION] Read and write rounds

constexpr int kCallsPerFile = 24;

bool readRound(const std::string& dir, long index) {
    const GenFile f = generateFile();
    const std::string path = dir + "\\r" + std::to_string(index) + ".ini";
    if (!writeBytes(path, f.bytes)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return false;
    }
    IniDocument doc;
    if (!loadOurs(path, doc) || doc.bytes != f.bytes) {
        std::fprintf(stderr, "the store did not read %s back as written\n", path.c_str());
        ++tally.failures;
    }
    ++tally.files;
    for (int i = 0; i < kCallsPerFile; ++i) compareCall(f, doc, path, path, randomCall(f));
    DeleteFileA(path.c_str());
    return true;
}

// What a read of a written value gives: blanks trimmed, one pair of matching
// quotes removed.
std::string readBackOf(std::string_view value) {
    while (!value.empty() && isBlank(value.front())) value.remove_prefix(1);
    while (!value.empty() && isBlank(value.back())) value.remove_suffix(1);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
}

bool writeRound(const std::string& dir, long index, int writes) {
    GenFile f = generateFile();
    const std::string path = dir + "\\w" + std::to_string(index) + ".ini";
    if (!writeBytes(path, f.bytes)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return false;
    }
    ++tally.files;
    IniDocument doc, scratch;
    std::string edited, expected;
    loadOurs(path, doc);
    for (int w = 0; w < writes; ++w) {
        std::string section, key;
        if (!f.sections.empty() && chance(75)) {
            section = mixCase(f.sections[static_cast<std::size_t>(pick(static_cast<int>(f.sections.size())))].name);
        } else {
            section = mixCase(pickFrom(kSectionNames));
        }
        if (trimSpaces(section).empty()) section = "Vehicle";
        key = mixCase(pickFrom(kKeyNames));
        if (chance(5)) key = " " + key + " ";
        const std::string value = chance(10) ? blanks(100) + anyValue() + blanks(100) : anyValue();
        const std::string before = doc.bytes;
        tavrel::ini::setProfileString(doc, section.c_str(), key.c_str(), value.c_str(), expected);
        const bool wrote = tavrel::ini::writeProfileString(path.c_str(), section.c_str(), key.c_str(), value.c_str(),
                                                           scratch, edited);
        ++tally.writes;
        loadOurs(path, doc);
        const std::string what = "write " + std::to_string(w + 1) + " of " + escaped(section) + "/" + escaped(key) +
                                 " = " + escaped(value) + "; file before:\n    " + escaped(before);
        if (!wrote || doc.bytes != expected) {
            report(path, doc.bytes, what, "file as written", wrote ? "differs from setProfileString" : "write failed");
            break;
        }
        // The key must be there: keep the generator's model in step.
        GenSection* target = nullptr;
        for (GenSection& s : f.sections) {
            if (equalsNoCase(trimSpaces(s.name), trimSpaces(section))) {
                target = &s;
                break;
            }
        }
        if (!target) {
            f.sections.push_back(GenSection{section, {}});
            target = &f.sections.back();
        }
        target->keys.push_back(std::string(trimSpaces(key)));

        flushProfileCache(path);
        char ours_value[8192];
        tavrel::ini::getProfileString(doc, section.c_str(), key.c_str(), "<absent>", ours_value, sizeof ours_value);
        if (ours_value != readBackOf(value)) {
            report(path, doc.bytes, what + "\n  then the store's read of it", ours_value, readBackOf(value));
        }
        Call c;
        c.section = section;
        c.key = key;
        c.integer = true;
        c.int_default = -1;
        const std::string label = path + " after " + what;
        compareCall(f, doc, path, label, c);
        c.integer = false;
        c.str_default = "<absent>";
        c.size = 260;
        compareCall(f, doc, path, label, c);
        for (int i = 0; i < 6; ++i) compareCall(f, doc, path, label, randomCall(f));
    }
    DeleteFileA(path.c_str());
    return true;
}

long argValue(int argc, char** argv, const char* name, long fallback) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0) return std::strtol(argv[i + 1], nullptr, 0);
    }
    return fallback;
}

}  // namespace

int main(int argc, char** argv) {
    const auto seed = static_cast<std::uint32_t>(
        argValue(argc, argv, "--seed",
                 static_cast<long>(std::random_device{}() ^
                                   static_cast<std::uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count()))
                     & 0x7fffffff));
    const long files = argValue(argc, argv, "--files", 3000);
    const long write_files = argValue(argc, argv, "--writes", 100);
    for (int i = 1; i < argc; ++i) strict = strict || std::strcmp(argv[i], "--strict") == 0;
    high_bytes = GetACP() == 1252;
    std::printf("ini_oracle: seed %lu (repeat with --seed %lu), %ld files to read, %ld files to write into, "
                "code page %u\n",
                static_cast<unsigned long>(seed), static_cast<unsigned long>(seed), files, write_files, GetACP());
    std::fflush(stdout);
    rng.seed(seed);

    const std::string dir = ".\\ini-oracle-" + std::to_string(GetCurrentProcessId());
    if (!CreateDirectoryA(dir.c_str(), nullptr)) {
        std::fprintf(stderr, "cannot create %s\n", dir.c_str());
        return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    bool ok = true;
    for (long i = 0; ok && i < files; ++i) ok = readRound(dir, i);
    const long read_calls = tally.calls;
    for (long i = 0; ok && i < write_files; ++i) ok = writeRound(dir, i, 3);
    RemoveDirectoryA(dir.c_str());
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    long skipped = 0;
    for (long s : tally.skipped) skipped += s;
    std::printf("ini_oracle: %ld files, %ld calls compared (%ld on generated files, %ld after %ld writes), "
                "%ld %s, %.1f s\n",
                tally.files, tally.calls, read_calls, tally.calls - read_calls, tally.writes, skipped,
                strict ? "of them in known-divergent cases" : "skipped", seconds);
    for (int s = 1; s < kSkipCount; ++s) {
        std::printf("  %s %-16s %ld", strict ? "compared" : "skipped", kSkipNames[s], tally.skipped[s]);
        if (strict) std::printf(" (%ld disagreed)", tally.strict_mismatches[s]);
        std::printf("\n");
    }
    if (tally.failures > kMaxReported) {
        std::fprintf(stderr, "(%ld more mismatches not shown)\n", tally.failures - kMaxReported);
    }
    if (!ok || tally.failures > 0) {
        std::fprintf(stderr, "ini_oracle: %ld mismatch(es); seed %lu\n", tally.failures,
                     static_cast<unsigned long>(seed));
        return 1;
    }
    std::printf("ini_oracle: every compared call agreed\n");
    return 0;
}
