// The INI store: a portable reader and editor of Windows profile files over
// an in-memory byte buffer. It answers as GetPrivateProfileIntA,
// GetPrivateProfileStringA and WritePrivateProfileStringA do, with three
// deliberate differences: a UTF-8 byte-order mark at the start is skipped,
// a missing file is never created, and writes replace the file crash-safely.
//
// Encodings: bytes as they are (ANSI or UTF-8), or UTF-16LE with its
// byte-order mark (Notepad's "Unicode"), which Windows reads and writes as
// such: the store works on a UTF-8 copy of it and encodes a write back to
// UTF-16LE, so every character of the file survives.
//
// Grammar (what the parser accepts):
//   - Lines end at CR, LF or CRLF; a last line needs no line break.
//   - Leading space, tab and VT are ignored on every line.
//   - "[name" starts a section; the name ends at the first ']' or the end of
//     the line and is trimmed; text after ']' is ignored. Only the first
//     section of a name is searched; names compare case-insensitively.
//   - A line starting with ';' is a comment. '#' is not a comment.
//   - "key = value" inside a section: split at the first '='; key and value
//     trimmed of space, tab and VT. Lines without '=' are not keys; lines
//     before the first section are unreachable. The first key of a name wins.
//   - String reads remove one matching pair of surrounding quotes (" or ').
//
// Size limit: files are read up to kMaxIniBytes (16 MiB). A longer file is
// read only up to that limit, and it is never rewritten (a rewrite would cut
// it).
//
// Not thread-safe; the plug-in calls it from one script fibre at a time.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/host_file.h"

namespace tavrel::ini {

inline constexpr std::size_t kMaxIniBytes = std::size_t{16} << 20;

// Where a key line's name lies: offsets into IniDocument::bytes (files are
// at most kMaxIniBytes, so 32 bits suffice; 8 bytes per key keeps a damaged
// file of millions of "=" lines at a bounded index size). Not to be taken for
// tavrel::IniKey, the section and key name a setting is stored under.
struct IniKeySpan {
    std::uint32_t name_begin = 0;
    std::uint32_t name_end = 0;  // trimmed; the '=' follows after blanks
};

// The rest of a key line, decoded on demand by `keyLine`.
struct IniKeyLine {
    std::size_t value_begin = 0;  // after '=' and the blanks following it
    std::size_t value_end = 0;    // before trailing blanks
    std::size_t content_end = 0;  // end of the line's text, before its break
    std::size_t line_end = 0;     // after the line break (== content_end at EOF)
};

// A section header and its key lines (up to the next header).
struct IniSection {
    std::uint32_t name_begin = 0;
    std::uint32_t name_end = 0;
    std::uint32_t header_content_end = 0;
    std::uint32_t header_line_end = 0;
    std::uint32_t first_key = 0;  // index into IniDocument::keys
    std::uint32_t key_count = 0;
};

// The bytes of a file and their index. `parseIni` fills the index; `bytes`
// must not change afterwards without a new parse. Buffers are reused.
struct IniDocument {
    std::string bytes;
    std::vector<IniSection> sections;
    std::vector<IniKeySpan> keys;
    bool cut = false;     // the file was longer than kMaxIniBytes
    bool utf16 = false;   // the file is UTF-16LE; `bytes` holds it as UTF-8
    std::string utf16_tail;  // a last odd byte of such a file, kept as it was
};

// UTF-16LE (after its byte-order mark) to UTF-8, and back. Unpaired
// surrogates and an odd last byte survive the round trip.
void utf16ToUtf8(std::string_view utf16, std::string& out, std::string& tail);
void utf8ToUtf16(std::string_view utf8, std::string_view tail, std::string& out);

// Indexes doc.bytes (one pass). Any bytes are accepted.
void parseIni(IniDocument& doc);

// Reads the file at `path` through host::readFile and indexes it. False when
// the file cannot be read (the document is then empty). `stamp`, when given,
// receives the version read.
bool loadIniFile(const char* path, IniDocument& doc, host::FileStamp* stamp = nullptr);

// The first key `key` of the first section `section` (both trimmed of spaces,
// compared case-insensitively), or nullptr.
const IniKeySpan* findKey(const IniDocument& doc, const char* section, const char* key);

// Decodes the rest of a key line.
IniKeyLine keyLine(const IniDocument& doc, const IniKeySpan& key);

// The key's value, trimmed, with one pair of matching quotes removed.
std::string_view keyValue(const IniDocument& doc, const IniKeySpan& key);

// Text-to-integer conversion of a profile integer: leading control and blank
// characters skipped, one sign, lower-case 0x/0o/0b prefixes, stops at the
// first non-digit, wraps modulo 2^32. No digits gives 0.
std::int32_t profileIntFromText(std::string_view text);

// GetPrivateProfileIntA: the converted value, or `fallback` when the key is
// absent or its value is empty.
std::int32_t getProfileInt(const IniDocument& doc, const char* section, const char* key, std::int32_t fallback);

// GetPrivateProfileStringA: copies at most size-1 characters of the value (its
// length taken modulo 65536, as Windows counts it in 16 bits), or of
// `fallback` with trailing spaces removed when the key is absent (nullptr
// counts as ""), into `out` and NUL-terminates it. Returns the characters
// copied. size 0 writes nothing and returns 0.
std::size_t getProfileString(const IniDocument& doc, const char* section, const char* key,
                             const char* fallback, char* out, std::size_t size);

// WritePrivateProfileStringA on the bytes: `out` receives doc.bytes with the
// key set to `value`. An existing key keeps its line up to the value; a new
// key goes after the section's last key line (or its header); a new section
// goes at the end. Every other byte is kept.
void setProfileString(const IniDocument& doc, const char* section, const char* key, const char* value,
                      std::string& out);

// How often a write reads the file again when another writer replaced it
// between its read and its replace, before it reports failure.
inline constexpr int kWriteAttempts = 8;

// Sets one key of an existing file through host::replaceFile, in the version
// of the file it read: when the file changed meanwhile, the key is set again
// in the newer version (up to kWriteAttempts reads). False, and the file
// untouched by this write, when it is missing, unreadable, longer than
// kMaxIniBytes, the replace fails, or it kept changing. Uses `scratch` and
// `edited` as reusable buffers.
bool writeProfileString(const char* path, const char* section, const char* key, const char* value,
                        IniDocument& scratch, std::string& edited);

}  // namespace tavrel::ini
