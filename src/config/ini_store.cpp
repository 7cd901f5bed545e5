// [SECTION] Character classes and trimming
// [SECTION] Parsing
// [SECTION] Lookup and reads
// [SECTION] Edits and file writes
#include "config/ini_store.h"

#include <cstring>

#include "host/host_file.h"

namespace tavrel::ini {

// [SECTION] Character classes and trimming

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\v'; }
bool isBreak(char c) { return c == '\r' || c == '\n'; }

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    }
    return true;
}

// Parameters (section and key names given by the caller) lose spaces only;
// a tab or VT stays part of the name and then matches nothing.
std::string_view trimParam(const char* text) {
    std::string_view s = text ? std::string_view(text) : std::string_view();
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

std::string_view cutAtNul(std::string_view s) {
    const std::size_t nul = s.find('\0');
    return nul == std::string_view::npos ? s : s.substr(0, nul);
}

std::size_t skipBlanks(const std::string& b, std::size_t i, std::size_t end) {
    while (i < end && isBlank(b[i])) ++i;
    return i;
}

std::size_t trimBack(const std::string& b, std::size_t begin, std::size_t end) {
    while (end > begin && isBlank(b[end - 1])) --end;
    return end;
}

// End of the line's text starting at `i`: the first CR or LF, or the end.
std::size_t contentEnd(const std::string& b, std::size_t i) {
    const std::size_t n = b.size();
    while (i < n && !isBreak(b[i])) ++i;
    return i;
}

// Start of the next line after a content end: CRLF, CR and LF each end a line.
std::size_t lineEnd(const std::string& b, std::size_t content_end) {
    const std::size_t n = b.size();
    if (content_end >= n) return n;
    if (b[content_end] == '\r' && content_end + 1 < n && b[content_end + 1] == '\n') return content_end + 2;
    return content_end + 1;
}

std::uint32_t u32(std::size_t v) { return static_cast<std::uint32_t>(v); }

}  // namespace

// [SECTION] Parsing

void parseIni(IniDocument& doc) {
    doc.sections.clear();
    doc.keys.clear();
    const std::string& b = doc.bytes;
    const std::size_t n = b.size();
    std::size_t i = 0;
    if (n >= 3 && b.compare(0, 3, "\xEF\xBB\xBF") == 0) i = 3;  // UTF-8 BOM: skipped, unlike Windows

    IniSection* current = nullptr;  // keys before the first header are unreachable
    while (i < n) {
        const std::size_t content_end = contentEnd(b, i);
        const std::size_t next = lineEnd(b, content_end);
        const std::size_t start = skipBlanks(b, i, content_end);
        if (start < content_end && b[start] == '[') {
            const void* close = std::memchr(b.data() + start + 1, ']', content_end - start - 1);
            const std::size_t name_limit =
                close ? static_cast<std::size_t>(static_cast<const char*>(close) - b.data()) : content_end;
            const std::size_t name_begin = skipBlanks(b, start + 1, name_limit);
            IniSection section;
            section.name_begin = u32(name_begin);
            section.name_end = u32(trimBack(b, name_begin, name_limit));
            section.header_content_end = u32(content_end);
            section.header_line_end = u32(next);
            section.first_key = u32(doc.keys.size());
            doc.sections.push_back(section);
            current = &doc.sections.back();
        } else if (current && start < content_end && b[start] != ';') {
            const void* eq = std::memchr(b.data() + start, '=', content_end - start);
            if (eq) {
                const std::size_t eq_pos = static_cast<std::size_t>(static_cast<const char*>(eq) - b.data());
                doc.keys.push_back(IniKeySpan{u32(start), u32(trimBack(b, start, eq_pos))});
                ++current->key_count;
            }
        }
        i = next;
    }
}

// [SECTION] UTF-16LE files

namespace {

constexpr std::string_view kUtf16Mark = "\xFF\xFE";

void appendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {  // unpaired surrogates too, so they come back
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

void appendUnit(std::string& out, std::uint32_t unit) {
    out.push_back(static_cast<char>(unit & 0xFF));
    out.push_back(static_cast<char>(unit >> 8));
}

std::uint32_t unitAt(std::string_view s, std::size_t i) {
    return static_cast<std::uint8_t>(s[i]) | (static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[i + 1])) << 8);
}

// The code point of a well-formed UTF-8 sequence at s[i] and its length; 0
// when the bytes there are not one (such a byte stands for itself).
std::size_t utf8Sequence(std::string_view s, std::size_t i, std::uint32_t& cp) {
    const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(s[k]); };
    const std::uint8_t lead = byte(i);
    const std::size_t length = lead < 0xC0 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF8 ? 4 : 0;
    if (length == 0 || i + length > s.size()) return 0;
    cp = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    return cp <= 0x10FFFF ? length : 0;
}

}  // namespace

void utf16ToUtf8(std::string_view utf16, std::string& out, std::string& tail) {
    out.clear();
    std::size_t i = 0;
    while (i + 1 < utf16.size()) {
        std::uint32_t cp = unitAt(utf16, i);
        i += 2;
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < utf16.size()) {
            const std::uint32_t low = unitAt(utf16, i);
            if (low >= 0xDC00 && low < 0xE000) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        appendUtf8(out, cp);
    }
    tail.assign(utf16.substr(i));
}

void utf8ToUtf16(std::string_view utf8, std::string_view tail, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < utf8.size();) {
        std::uint32_t cp = 0;
        const std::size_t length = utf8Sequence(utf8, i, cp);
        if (length == 0) {
            cp = static_cast<std::uint8_t>(utf8[i]);
            i += 1;
        } else {
            i += length;
        }
        if (cp >= 0x10000) {
            appendUnit(out, 0xD800 + ((cp - 0x10000) >> 10));
            appendUnit(out, 0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            appendUnit(out, cp);
        }
    }
    out.append(tail);
}

bool loadIniFile(const char* path, IniDocument& doc, host::FileStamp* stamp) {
    // One byte over the limit tells a cut file from one of exactly the limit.
    const bool ok = host::readFile(path, doc.bytes, kMaxIniBytes + 1, stamp);
    if (!ok) doc.bytes.clear();
    doc.cut = doc.bytes.size() > kMaxIniBytes;
    if (doc.cut) doc.bytes.resize(kMaxIniBytes);
    doc.utf16 = doc.bytes.size() >= 2 && std::string_view(doc.bytes).substr(0, 2) == kUtf16Mark;
    doc.utf16_tail.clear();
    if (doc.utf16) {
        std::string decoded;
        utf16ToUtf8(std::string_view(doc.bytes).substr(2), decoded, doc.utf16_tail);
        doc.bytes.swap(decoded);
    }
    parseIni(doc);
    return ok;
}

// [SECTION] Lookup and reads

namespace {

const IniSection* findSection(const IniDocument& doc, std::string_view name) {
    for (const IniSection& s : doc.sections) {
        const std::string_view have(doc.bytes.data() + s.name_begin, s.name_end - s.name_begin);
        if (equalsNoCase(have, name)) return &s;  // only the first of a name counts
    }
    return nullptr;
}

const IniKeySpan* findKeyIn(const IniDocument& doc, const IniSection& section, std::string_view name) {
    for (std::uint32_t k = 0; k < section.key_count; ++k) {
        const IniKeySpan& key = doc.keys[section.first_key + k];
        const std::string_view have(doc.bytes.data() + key.name_begin, key.name_end - key.name_begin);
        if (equalsNoCase(have, name)) return &key;
    }
    return nullptr;
}

}  // namespace

const IniKeySpan* findKey(const IniDocument& doc, const char* section, const char* key) {
    const IniSection* s = findSection(doc, trimParam(section));
    return s ? findKeyIn(doc, *s, trimParam(key)) : nullptr;
}

IniKeyLine keyLine(const IniDocument& doc, const IniKeySpan& key) {
    const std::string& b = doc.bytes;
    IniKeyLine line;
    line.content_end = contentEnd(b, key.name_end);
    line.line_end = lineEnd(b, line.content_end);
    std::size_t eq = key.name_end;
    while (eq < line.content_end && b[eq] != '=') ++eq;
    line.value_begin = skipBlanks(b, eq + 1, line.content_end);
    line.value_end = trimBack(b, line.value_begin, line.content_end);
    return line;
}

std::string_view keyValue(const IniDocument& doc, const IniKeySpan& key) {
    const IniKeyLine line = keyLine(doc, key);
    std::string_view v(doc.bytes.data() + line.value_begin, line.value_end - line.value_begin);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        v = v.substr(1, v.size() - 2);
    }
    return v;
}

std::int32_t profileIntFromText(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    unsigned base = 10;
    if (i + 1 < text.size() && text[i] == '0') {
        const char p = text[i + 1];
        base = p == 'x' ? 16 : p == 'o' ? 8 : p == 'b' ? 2 : 10;
        if (base != 10) i += 2;
    }
    std::uint32_t total = 0;  // wraps modulo 2^32, no overflow check
    for (; i < text.size(); ++i) {
        const char c = text[i];
        unsigned digit = 99;
        if (c >= '0' && c <= '9') digit = static_cast<unsigned>(c - '0');
        else if (c >= 'a' && c <= 'z') digit = static_cast<unsigned>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'Z') digit = static_cast<unsigned>(c - 'A' + 10);
        if (digit >= base) break;
        total = total * base + digit;
    }
    if (negative) total = 0u - total;
    return static_cast<std::int32_t>(total);
}

std::int32_t getProfileInt(const IniDocument& doc, const char* section, const char* key, std::int32_t fallback) {
    const IniKeySpan* k = findKey(doc, section, key);
    if (!k) return fallback;
    const std::string_view value = cutAtNul(keyValue(doc, *k));
    return value.empty() ? fallback : profileIntFromText(value);
}

std::size_t getProfileString(const IniDocument& doc, const char* section, const char* key,
                             const char* fallback, char* out, std::size_t size) {
    if (size == 0 || !out) return 0;
    std::string_view text;
    if (const IniKeySpan* k = findKey(doc, section, key)) {
        // Windows counts a value's length in 16 bits: 65536 characters read
        // as none, 65537 as the first one.
        text = cutAtNul(keyValue(doc, *k));
        text = text.substr(0, text.size() & 0xFFFF);
    } else {
        text = fallback ? std::string_view(fallback) : std::string_view();
        while (!text.empty() && text.back() == ' ') text.remove_suffix(1);  // only ' ' counts here
    }
    text = cutAtNul(text);
    const std::size_t count = text.size() < size - 1 ? text.size() : size - 1;
    if (count > 0) std::memcpy(out, text.data(), count);
    out[count] = '\0';
    return count;
}

// [SECTION] Edits and file writes

void setProfileString(const IniDocument& doc, const char* section, const char* key, const char* value,
                      std::string& out) {
    const std::string& b = doc.bytes;
    const std::string_view sec = trimParam(section);
    const std::string_view name = trimParam(key);
    const std::string_view val = value ? std::string_view(value) : std::string_view();
    out.clear();
    out.reserve(b.size() + sec.size() + name.size() + val.size() + 16);

    const IniSection* s = findSection(doc, sec);
    if (!s) {
        out.append(b);
        if (!b.empty() && !isBreak(b.back())) out.append("\r\n");
        out.append("[").append(sec).append("]\r\n");
        out.append(name).append("=").append(val).append("\r\n");
        return;
    }
    if (const IniKeySpan* k = findKeyIn(doc, *s, name)) {
        // Keep the line up to the value and its own line break; replace the rest.
        const IniKeyLine line = keyLine(doc, *k);
        out.append(b, 0, line.value_begin);
        out.append(val);
        if (line.line_end == line.content_end) {
            out.append("\r\n");
        } else {
            out.append(b, line.content_end, line.line_end - line.content_end);
        }
        out.append(b, line.line_end, std::string::npos);
        return;
    }
    // New key: right after the section's last key line, or after its header.
    std::size_t content_end = s->header_content_end;
    std::size_t insert_at = s->header_line_end;
    if (s->key_count > 0) {
        const IniKeyLine last = keyLine(doc, doc.keys[s->first_key + s->key_count - 1]);
        content_end = last.content_end;
        insert_at = last.line_end;
    }
    out.append(b, 0, insert_at);
    if (insert_at == content_end) out.append("\r\n");  // that line was the last, without a break
    out.append(name).append("=").append(val).append("\r\n");
    out.append(b, insert_at, std::string::npos);
}

bool writeProfileString(const char* path, const char* section, const char* key, const char* value,
                        IniDocument& scratch, std::string& edited) {
    static std::string encoded;  // reused between writes
    // Another writer (an editor's save, another copy of the plug-in) may
    // replace the file between the read and the replace: the change is then
    // made again on the newer file, a bounded number of times.
    for (int attempt = 0; attempt < kWriteAttempts; ++attempt) {
        host::FileStamp stamp;
        if (!loadIniFile(path, scratch, &stamp) || scratch.cut) return false;
        setProfileString(scratch, section, key, value, edited);
        const std::string* bytes = &edited;
        if (scratch.utf16) {
            utf8ToUtf16(edited, scratch.utf16_tail, encoded);
            encoded.insert(0, kUtf16Mark);
            bytes = &encoded;
        }
        switch (host::replaceFile(path, bytes->data(), bytes->size(), stamp)) {
            case host::ReplaceResult::Replaced: return true;
            case host::ReplaceResult::Failed: return false;
            case host::ReplaceResult::Changed: break;
        }
    }
    return false;
}

}  // namespace tavrel::ini
