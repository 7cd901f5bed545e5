// Cases where Wine's profile functions answer otherwise than Windows, so the
// Wine oracle (win/test/ini_oracle.cpp) skips them: the store's answer is
// pinned here, the Windows one. Cases of this kind already pinned in
// ini_store_test.cpp (tab-padded parameters, first ']', a header without
// ']', "[]" and keys before any header, ";key" lookups, all-blank and quoted
// defaults, the byte-order mark, the write layout) are not repeated.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "config/ini_store.h"

namespace tavrel::ini {
namespace {

using namespace std::literals;

IniDocument makeDoc(std::string_view bytes) {
    IniDocument doc;
    doc.bytes.assign(bytes);
    parseIni(doc);
    return doc;
}

std::string readString(const IniDocument& doc, const char* section, const char* key, std::size_t size = 260) {
    std::string out(size + 1, '\xA5');
    const std::size_t n = getProfileString(doc, section, key, "D", out.data(), size);
    EXPECT_EQ(n, std::string_view(out.c_str()).size());
    return out.c_str();
}

std::string afterWrite(std::string_view before, const char* section, const char* key, const char* value) {
    std::string out;
    setProfileString(makeDoc(before), section, key, value, out);
    return out;
}

// A line without '=' is no key, also when a key of its name follows: Wine
// keeps it as a key with no value and answers the default.
TEST(WindowsOnly, LineWithoutEqualsDoesNotHideTheKeyAfterIt) {
    for (const std::string_view file : {"[s]\r\nk\r\nk=5\r\n"sv, "[s]\r\n  K \t\r\nk = 5\r\n"sv, "[s]\nk\nj\nk=5"sv}) {
        const IniDocument doc = makeDoc(file);
        EXPECT_EQ(getProfileInt(doc, "s", "k", -1), 5) << file;
        EXPECT_EQ(readString(doc, "s", "k"), "5") << file;
    }
    EXPECT_EQ(afterWrite("[s]\r\nk\r\nk=5\r\n", "s", "k", "6"), "[s]\r\nk\r\nk=6\r\n");
}

// Integer reads convert the whole value; Wine converts only its first 29
// characters (42, 4 and 0 for these three).
TEST(WindowsOnly, IntegerReadsTheWholeValue) {
    for (const std::size_t length : {29u, 30u, 31u, 40u}) {
        const std::string value = std::string(length - 2, '0') + "42";
        EXPECT_EQ(getProfileInt(makeDoc("[s]\r\nk=" + value + "\r\n"), "s", "k", -1), 42) << length;
    }
    EXPECT_EQ(getProfileInt(makeDoc("[s]\r\nk=" + std::string(35, '1') + "\r\n"), "s", "k", -1),
              profileIntFromText(std::string(35, '1')));
    EXPECT_NE(profileIntFromText(std::string(35, '1')), profileIntFromText(std::string(29, '1')));
}

// A UTF-16BE file is not understood (Wine reads it). Without a byte-order
// mark, UTF-16LE is not understood either.
TEST(WindowsOnly, Utf16BigEndianIsNotRead) {
    const std::string_view be = "\xFE\xFF\0[\0s\0]\0\r\0\n\0k\0=\0v\0\r\0\n"sv;
    const std::string_view le = "[\0s\0]\0\r\0\n\0k\0=\0v\0\r\0\n\0"sv;
    for (const std::string_view file : {be, le}) {
        const IniDocument doc = makeDoc(file);
        EXPECT_EQ(readString(doc, "s", "k"), "D");
        EXPECT_EQ(getProfileInt(doc, "s", "k", -1), -1);
    }
}

// Windows counts a value's length in 16 bits: 65535 characters read in full,
// 65536 read as empty, 65537 as one character. Wine reads them all in full.
TEST(WindowsOnly, ValueLengthWrapsAt64K) {
    std::string out(70000, '\0');
    for (const auto& [length, expected] : {std::pair<std::size_t, std::size_t>{65534, 65534},
                                           {65535, 65535},
                                           {65536, 0},
                                           {65537, 1},
                                           {65540, 4},
                                           {70000, 70000 - 65536}}) {
        const IniDocument doc = makeDoc("[s]\r\nk=" + std::string(length, 'v') + "\r\n");
        EXPECT_EQ(getProfileString(doc, "s", "k", "D", out.data(), out.size()), expected) << length;
        const std::string_view got(out.c_str());
        EXPECT_TRUE(got.size() == expected && got.find_first_not_of('v') == std::string_view::npos) << length;
    }
    // The small buffer of the plate text: the wrapped length, then the cut.
    const IniDocument doc = makeDoc("[s]\r\nk=\"" + std::string(65537, 'p') + "\"\r\n");
    EXPECT_EQ(readString(doc, "s", "k", 80), "p");
}

// Writes: the value goes in verbatim, blanks and all (Wine strips leading
// ones), and reads back trimmed.
TEST(WindowsOnly, WrittenValueIsVerbatim) {
    const std::string file = afterWrite("[S]\r\n", "S", "K", " \tvalue \v");
    EXPECT_EQ(file, "[S]\r\nK= \tvalue \v\r\n");
    EXPECT_EQ(readString(makeDoc(file), "S", "K"), "value");
    EXPECT_EQ(afterWrite("[S]\r\nK=1\r\n", "S", "K", "  2  "), "[S]\r\nK=  2  \r\n");
}

// Writes to the empty section name go to a "[]" header, never to the keys
// before the first header (Wine writes them there).
TEST(WindowsOnly, EmptySectionWriteGoesUnderAnEmptyHeader) {
    EXPECT_EQ(afterWrite("", "", "k", "v"), "[]\r\nk=v\r\n");
    const std::string file = afterWrite("k=1\r\n[s]\r\nj=2\r\n", "", "k", "v");
    EXPECT_EQ(file, "k=1\r\n[s]\r\nj=2\r\n[]\r\nk=v\r\n");
    EXPECT_EQ(readString(makeDoc(file), "", "k"), "v");
    EXPECT_EQ(afterWrite("k=1\r\n[]\r\nk=2\r\n", "", "k", "v"), "k=1\r\n[]\r\nk=v\r\n");
}

}  // namespace
}  // namespace tavrel::ini
