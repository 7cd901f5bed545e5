// The INI store against the Windows profile functions: one table per kind of
// question (integer conversion, lookup and defaults, values, section and key
// grammar, line endings, write layout); where Wine answers otherwise, the
// cases hold what Windows answers.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "config/ini_store.h"

namespace tavrel::ini {
namespace {

using namespace std::literals;

#define F(v) "[s]\r\nk=" v "\r\n"

IniDocument makeDoc(std::string_view bytes) {
    IniDocument doc;
    doc.bytes.assign(bytes);
    parseIni(doc);
    return doc;
}

std::string readString(std::string_view file, const char* section, const char* key, const char* fallback = "D",
                       std::size_t size = 260) {
    const IniDocument doc = makeDoc(file);
    char out[300] = "XYZ";
    const std::size_t n = getProfileString(doc, section, key, fallback, out, size);
    EXPECT_EQ(n, size == 0 ? 0 : std::string_view(out).size());
    return out;
}

// [SECTION] Int conversion

struct IntCase {
    std::string_view file;
    std::int32_t fallback;
    std::int32_t expected;
};

class ProfileInt : public ::testing::TestWithParam<IntCase> {};

TEST_P(ProfileInt, MatchesWindows) {
    const IntCase& c = GetParam();
    EXPECT_EQ(getProfileInt(makeDoc(c.file), "s", "k", c.fallback), c.expected) << c.file;
}

INSTANTIATE_TEST_SUITE_P(
    Oracle, ProfileInt,
    ::testing::Values(IntCase{F("1"), -1, 1}, IntCase{F("+1"), -1, 1}, IntCase{F("-1"), 1, -1},
                      IntCase{F("4294967296"), -1, 0}, IntCase{F("4294967297"), -1, 1},
                      IntCase{F("-4294967297"), 1, -1}, IntCase{F("42A94967297"), -1, 42},
                      IntCase{F("B4294967297"), -1, 0}, IntCase{"", -1, -1}, IntCase{"[s]\r\nj=2", 1, 1},
                      IntCase{F("12abc"), -1, 12}, IntCase{F("12 34"), -1, 12}, IntCase{F("1.9"), -1, 1},
                      IntCase{F("1e3"), -1, 1}, IntCase{F("-5"), -1, -5},
                      IntCase{F("- 5"), 7, 0}, IntCase{F("+-5"), 7, 0}, IntCase{F("--5"), 7, 0},
                      IntCase{F("x12"), 7, 0}, IntCase{F("abc"), 7, 0}, IntCase{F("-"), 7, 0},
                      IntCase{F("+"), 7, 0}, IntCase{F(""), 7, 7}, IntCase{F("\"\""), -1, -1},
                      IntCase{"[s]\r\nk\r\n", 7, 7},
                      IntCase{F("0x10"), -1, 16}, IntCase{F("0xFFFFFFFF"), -1, -1},
                      IntCase{F("0x80000000"), -1, INT32_MIN}, IntCase{F("-0x10"), -1, -16},
                      IntCase{F("0X10"), -1, 0}, IntCase{F("0x"), -1, 0}, IntCase{F("0x1g"), -1, 1},
                      IntCase{F("0b101"), -1, 5}, IntCase{F("0o17"), -1, 15}, IntCase{F("010"), -1, 10},
                      IntCase{F("2147483648"), -1, INT32_MIN}, IntCase{F("-2147483649"), -1, INT32_MAX},
                      IntCase{F("99999999999999999999"), -1, 1661992959},
                      IntCase{F("\"12\""), -1, 12}, IntCase{F("'7'"), -1, 7}, IntCase{F("\"-3\""), -1, -3},
                      IntCase{F("\" 9\""), -1, 9}, IntCase{F("  12  "), 7, 12},
                      IntCase{"[s]\r\n  k\t=\t12\t\r\n", 7, 12}));

TEST(ProfileInt, LfOnlyFile) {
    EXPECT_EQ(getProfileInt(makeDoc("[Test]\nProfileInt=123\n"), "Test", "ProfileInt", 0), 123);
}

// [SECTION] Lookup and defaults

struct StrCase {
    std::string_view file;
    const char* section;
    const char* key;
    const char* fallback;
    std::size_t size;
    const char* expected;  // "XYZ": the buffer was left alone
};

class ProfileString : public ::testing::TestWithParam<StrCase> {};

TEST_P(ProfileString, MatchesWindows) {
    const StrCase& c = GetParam();
    EXPECT_EQ(readString(c.file, c.section, c.key, c.fallback, c.size), c.expected)
        << c.file << " [" << (c.section ? c.section : "null") << "] " << (c.key ? c.key : "null");
}

constexpr std::string_view kB = "[section1]\r\nname1=val1\r\nname2=\"val2\"\r\nname3\r\nname4=a\r\n[section2]\r\n";
constexpr std::string_view kBcr = "[section1]\rname1=val1\rname2=\"val2\"\rname3\rname4=a\r[section2]\r";

INSTANTIATE_TEST_SUITE_P(
    Lookup, ProfileString,
    ::testing::Values(StrCase{kB, "section1", "name1", "default", 260, "val1"},
                      StrCase{kBcr, "section1", "name1", "default", 260, "val1"},     // lone CR
                      StrCase{kB, "section1", "name1", "default", 5, "val1"},
                      StrCase{kB, "section1", "name1", "default", 4, "val"},
                      StrCase{kB, "section1", "name2", "default", 260, "val2"},       // quotes
                      StrCase{kB, "section1", "name4", "default", 1, ""},
                      StrCase{kB, "section1", "name1", "default", 0, "XYZ"},
                      StrCase{kB, "SECTION1", "NaMe1", "default", 260, "val1"},
                      StrCase{kB, "section1", "notakey", "default", 260, "default"},
                      StrCase{kB, "notasection", "name1", "default", 260, "default"},
                      StrCase{kB, "section1", "notakey", nullptr, 260, ""},
                      StrCase{kB, "section1", "notakey", "", 260, ""},
                      StrCase{kB, "section2", "DoesntExist", "", 260, ""},
                      StrCase{kB, "section1", "", "default", 260, "default"},
                      StrCase{kB, "", "name1", "default", 260, "default"},
                      StrCase{kB, "section1", "name3", "default", 260, "default"},
                      StrCase{kB, "section1", "missing", "default", 4, "def"},
                      StrCase{F(""), "s", "k", "default", 260, ""},
                      StrCase{F("   "), "s", "k", "default", 260, ""},
                      StrCase{"", "s", "k", "default", 260, "default"}));

INSTANTIATE_TEST_SUITE_P(
    Defaults, ProfileString,
    ::testing::Values(StrCase{kB, "s", "k", "default  ", 260, "default"},
                      StrCase{kB, "s", "k", "one two  ", 260, "one two"},
                      StrCase{kB, "s", "k", "   default   ", 260, "   default"},
                      StrCase{kB, "s", "k", "\tdefault\t", 260, "\tdefault\t"},
                      StrCase{kB, "s", "k", "\vdefault\v", 260, "\vdefault\v"},
                      StrCase{kB, "s", "k", "\ndefault\n", 260, "\ndefault\n"},
                      StrCase{kB, "s", "k", "   ", 260, ""},
                      StrCase{kB, "s", "k", "\"q\"", 260, "\"q\""}));

// [SECTION] Value trimming and quotes

struct ValueCase {
    const char* line;  // a line of section [s]
    const char* expected;
};

class ProfileValue : public ::testing::TestWithParam<ValueCase> {};

TEST_P(ProfileValue, TrimsAndUnquotes) {
    const ValueCase& c = GetParam();
    EXPECT_EQ(readString("[s]\r\n"s + c.line + "\r\n", "s", "k"), c.expected) << c.line;
}

INSTANTIATE_TEST_SUITE_P(
    Oracle, ProfileValue,
    ::testing::Values(ValueCase{"k= v ", "v"}, ValueCase{"k=\tv\t", "v"}, ValueCase{"k=\vv\v", "v"},
                      ValueCase{" k =v", "v"}, ValueCase{"\tk\t=v", "v"}, ValueCase{"\vk\v=v", "v"},
                      ValueCase{"   k   =   v w   ", "v w"},
                      ValueCase{"k=a=b", "a=b"}, ValueCase{"k = a = b", "a = b"},
                      ValueCase{"k=v ; not a comment", "v ; not a comment"},
                      ValueCase{"k=;nocomment", ";nocomment"}, ValueCase{"k=#x", "#x"},
                      ValueCase{"k=  \"   v   \"  ", "   v   "}, ValueCase{"k=  '   v   '  ", "   v   "},
                      ValueCase{"k=  \"'   v   '\"  ", "'   v   '"}, ValueCase{"k='\"v\"'", "\"v\""},
                      ValueCase{"k=  \"   v   '  ", "\"   v   '"}, ValueCase{"k='\"v'\"", "'\"v'\""},
                      ValueCase{"k=\"", "\""}, ValueCase{"k=\"\"", ""}, ValueCase{"k=\"a\"b\"", "a\"b"},
                      ValueCase{"k=x\"v\"", "x\"v\""}, ValueCase{"k=\"v\" x", "\"v\" x"}));

// [SECTION] Section and key grammar (what Windows answers where Wine differs)

struct GrammarCase {
    std::string_view file;
    const char* section;
    const char* key;
    const char* expected;  // "D": the default
};

class ProfileGrammar : public ::testing::TestWithParam<GrammarCase> {};

TEST_P(ProfileGrammar, MatchesWindows) {
    const GrammarCase& c = GetParam();
    EXPECT_EQ(readString(c.file, c.section, c.key), c.expected) << c.file;
}

constexpr std::string_view kKeysOutsideNamedSections =
    "\r\nkey=val_no_section\r\n[]\r\nkey=val_e_section\r\n[s]\r\n=val_no_key\r\n[t]\r\n";

INSTANTIATE_TEST_SUITE_P(
    Oracle, ProfileGrammar,
    ::testing::Values(GrammarCase{" [s]\r\nk=v", "s", "k", "v"}, GrammarCase{"\t[s]\r\nk=v", "s", "k", "v"},
                      GrammarCase{"\r[s]\r\nk=v", "s", "k", "v"}, GrammarCase{"\n[s]\r\nk=v", "s", "k", "v"},
                      GrammarCase{"[s]\r\nk=v", " s ", " k ", "v"},
                      GrammarCase{"[s]\r\nk=v", "\ts", "k", "D"}, GrammarCase{"[s]\r\nk=v", "s", "k\t", "D"},
                      GrammarCase{"[s]k=v\r\n", "s", "k", "D"},
                      GrammarCase{"[a]b]\r\nk=v", "a", "k", "v"}, GrammarCase{"[a]b]\r\nk=v", "a]b", "k", "D"},
                      GrammarCase{"[s   \r\nk=v", "s", "k", "v"},
                      GrammarCase{"s]\r\nk=v", "s", "k", "D"},
                      GrammarCase{"[[sec]\r\nk=v", "[sec", "k", "v"},
                      GrammarCase{"[]\r\nk=v", "", "k", "v"},
                      GrammarCase{"k=v\r\n[s]\r\nk2=v2", "", "k", "D"},
                      GrammarCase{"k=v\r\n[s]\r\nk2=v2", " ", "k", "D"},
                      GrammarCase{kKeysOutsideNamedSections, "", "key", "val_e_section"}, GrammarCase{kKeysOutsideNamedSections, "s", "", "val_no_key"},
                      GrammarCase{"[s]\r\nk=1\r\nk=2", "s", "k", "1"}, GrammarCase{"[s]\r\nk=1\r\nK=2", "s", "k", "1"},
                      GrammarCase{"[s]\r\n[s]\r\nk=v", "s", "k", "D"},
                      GrammarCase{"[s]\r\nk=1\r\n[t]\r\n[S]\r\nk=2\r\nj=3", "s", "k", "1"},
                      GrammarCase{"[s]\r\nk=1\r\n[t]\r\n[S]\r\nk=2\r\nj=3", "s", "j", "D"},
                      GrammarCase{"[s]\r\n;k=c", "s", "k", "D"}, GrammarCase{"[s]\r\n;k=c", "s", ";k", "D"},
                      GrammarCase{"[s]\r\n\t;k=c", "s", ";k", "D"},
                      GrammarCase{"[s]\r\n#k=c", "s", "k", "D"}, GrammarCase{"[s]\r\n#k=c", "s", "#k", "c"},
                      GrammarCase{";[s]\r\nk=v", "s", "k", "D"},
                      GrammarCase{"[s]\r\n\r\n  \r\n\t\r\nk=v", "s", "k", "v"},
                      GrammarCase{"[s]\r\nmy key = v", "s", "my key", "v"},
                      GrammarCase{"[s]\r\nmy key = v", "s", "mykey", "D"},
                      GrammarCase{"[\"s\"]\r\n\"k\"=v", "\"s\"", "\"k\"", "v"},                             // no quote strip on names
                      GrammarCase{"[\"s\"]\r\n\"k\"=v", "s", "k", "D"}));

// [SECTION] Line endings and BOM

INSTANTIATE_TEST_SUITE_P(
    LineEndings, ProfileGrammar,
    ::testing::Values(GrammarCase{"[s]\rk=v\r", "s", "k", "v"}, GrammarCase{"[s]\nk=v\n", "s", "k", "v"},
                      GrammarCase{"[s]\n\rk=v\n\r", "s", "k", "v"}, GrammarCase{"[s]\r\r\nk=v\r\r\n", "s", "k", "v"},
                      GrammarCase{"[s]\rk=v\rj=w", "s", "j", "w"},
                      GrammarCase{"[s]\r\nk=v", "s", "k", "v"},
                      GrammarCase{"\xEF\xBB\xBF[s]\r\nk=v\r\n", "s", "k", "v"},                             // our BOM skip
                      GrammarCase{"\xEF\xBB\xBF\r\n[s]\r\nk=v\r\n", "s", "k", "v"},
                      GrammarCase{"[s]\r\nk=\xC3\xA9", "s", "k", "\xC3\xA9"},
                      GrammarCase{"[s]\r\nk=v\0w\r\nj=x\r\n"sv, "s", "k", "v"},
                      GrammarCase{"[s]\r\nk=v\0w\r\nj=x\r\n"sv, "s", "j", "x"}));

// [SECTION] Write placement and preservation

struct Write {
    const char* section;
    const char* key;
    const char* value;
};

struct LayoutCase {
    std::string_view before;
    std::vector<Write> writes;
    std::string_view after;
};

class ProfileWrite : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(ProfileWrite, LaysOutLikeWindows) {
    const LayoutCase& c = GetParam();
    IniDocument doc = makeDoc(c.before);
    std::string out;
    for (const Write& w : c.writes) {
        setProfileString(doc, w.section, w.key, w.value, out);
        doc.bytes = out;
        parseIni(doc);
    }
    EXPECT_EQ(doc.bytes, c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Oracle, ProfileWrite,
    ::testing::Values(
        LayoutCase{"[S]\r\nb=value\r\na=value\r\n", {{"S", "z", ""}, {"S", "b", ""}, {"S", "y", ""}, {"S", "a", ""}},
                   "[S]\r\nb=\r\na=\r\nz=\r\ny=\r\n"},
        LayoutCase{"[SectionName]\r\nTestKey=TestValue", {{"SECTIONNAME", "TestKey", "TestValue2"}},
                   "[SectionName]\r\nTestKey=TestValue2\r\n"},
        LayoutCase{"[SectionName]\r\nTestKey=TestValue", {{"SectionName", "TESTKEY", "TestValue2"}},
                   "[SectionName]\r\nTestKey=TestValue2\r\n"},
        LayoutCase{"[a]\r\nx=1\r\ny=2\r\n[b]\r\nz=3\r\n", {{"a", "w", "4"}},
                   "[a]\r\nx=1\r\ny=2\r\nw=4\r\n[b]\r\nz=3\r\n"},
        LayoutCase{";comment0\r\n[S]\r\n;comment1\r\nb=value\r\n;comment2\r\na=value\r\n",
                   {{"S", "z", ""}, {"S", ";x", ""}, {"S", "y", ""}, {"S", "a", ""}, {"S", "b", ""}},
                   ";comment0\r\n[S]\r\n;comment1\r\nb=\r\n;comment2\r\na=\r\nz=\r\ny=\r\n;x=\r\n"},
        LayoutCase{"[S]\r\n", {{"S", "z", ""}, {"S", ";y", ""}, {"S", "a", ""}, {"S", ";b", ""}, {"S", ";c", ""}},
                   "[S]\r\nz=\r\na=\r\n;c=\r\n;b=\r\n;y=\r\n"},
        LayoutCase{"[a]\r\nx=1\r\n\r\n[b]\r\nz=3\r\n", {{"a", "w", "4"}}, "[a]\r\nx=1\r\nw=4\r\n\r\n[b]\r\nz=3\r\n"},
        LayoutCase{"; head\r\n\r\n[a]\r\n; c1\r\nx = 1\r\n\r\n# c2\r\ny=2\r\n\r\n[b]\r\nz=3\r\n", {{"a", "y", "5"}},
                   "; head\r\n\r\n[a]\r\n; c1\r\nx = 1\r\n\r\n# c2\r\ny=5\r\n\r\n[b]\r\nz=3\r\n"},
        LayoutCase{"Data \0 before \0 first \0 section"sv, {{"section1", "key1", "string1"}},
                   "Data \0 before \0 first \0 section\r\n[section1]\r\nkey1=string1\r\n"sv},
        LayoutCase{"[a]\r\nx=1", {{"b", "y", "2"}}, "[a]\r\nx=1\r\n[b]\r\ny=2\r\n"},
        LayoutCase{"\xEF\xBB\xBF", {{"S", "K", "V"}}, "\xEF\xBB\xBF\r\n[S]\r\nK=V\r\n"},
        LayoutCase{"[a]\r\nx=1\r\nx=2\r\n", {{"a", "x", "3"}}, "[a]\r\nx=3\r\nx=2\r\n"},
        LayoutCase{"[a]\r\nx=1\r\n[b]\r\n[a]\r\ny=2\r\n", {{"a", "y", "3"}}, "[a]\r\nx=1\r\ny=3\r\n[b]\r\n[a]\r\ny=2\r\n"},
        LayoutCase{"", {{"App1", "key1", "string1"}, {"App1", "key2", "string2"}, {"App2", "key4", "string4"}},
                   "[App1]\r\nkey1=string1\r\nkey2=string2\r\n[App2]\r\nkey4=string4\r\n"},
        LayoutCase{"", {{" sec ", " key ", "v"}}, "[sec]\r\nkey=v\r\n"},
        LayoutCase{"[a]\r\nx = 1  \r\n", {{"a", "x", "9"}}, "[a]\r\nx = 9\r\n"},                              // keeps "x = "
        LayoutCase{"[a]\nx=1\n", {{"a", "x", "2"}, {"a", "y", "3"}}, "[a]\nx=2\ny=3\r\n"},                   // LF lines kept
        LayoutCase{"[a]", {{"a", "x", "1"}}, "[a]\r\nx=1\r\n"},                                               // header at EOF
        LayoutCase{"\xEF\xBB\xBF[a]\r\nx=1\r\n", {{"a", "x", "2"}}, "\xEF\xBB\xBF[a]\r\nx=2\r\n"}));        // BOM kept

// A model-based soak: random writes over a messy file, checked against a map.
// Every write changes one line or adds lines; reads always match the model.
TEST(ProfileWriteSoak, ReadsMatchModelAndOnlyOneLineChanges) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    const char* sections[] = {"Vehicle", "Keys", "Menu", "Extra"};
    const char* keys[] = {"a", "b", "lock", "menu_size", "x y"};
    IniDocument doc = makeDoc("; head\n\n[Vehicle]\r\n; c\r\n  a = 1 \r\n\r\n#junk\rnot a key\n[Keys]\nb=2");
    std::map<std::pair<std::string, std::string>, std::string> model{{{"vehicle", "a"}, "1"}, {{"keys", "b"}, "2"}};
    std::string out;
    for (int step = 0; step < 300; ++step) {
        const std::string sec = sections[rng() % 4], key = keys[rng() % 5];
        const std::string value = std::to_string(static_cast<int>(rng() % 2000) - 1000);
        setProfileString(doc, sec.c_str(), key.c_str(), value.c_str(), out);
        std::size_t prefix = 0;
        while (prefix < doc.bytes.size() && prefix < out.size() && doc.bytes[prefix] == out[prefix]) ++prefix;
        std::size_t suffix = 0;
        while (suffix < doc.bytes.size() - prefix && suffix < out.size() - prefix &&
               doc.bytes[doc.bytes.size() - 1 - suffix] == out[out.size() - 1 - suffix]) {
            ++suffix;
        }
        const std::string removed = doc.bytes.substr(prefix, doc.bytes.size() - prefix - suffix);
        ASSERT_EQ(removed.find_first_of("\r\n"), std::string::npos) << "step " << step << " removed a line break";
        doc.bytes = out;
        parseIni(doc);
        std::string lower = sec;
        for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        model[{lower, key}] = value;
        for (const auto& [where, expected] : model) {
            char buf[32];
            getProfileString(doc, where.first.c_str(), where.second.c_str(), "?", buf, sizeof buf);
            ASSERT_EQ(std::string(buf), expected) << "step " << step << " " << where.first << "/" << where.second;
        }
    }
}

// Damaged input: any bytes parse, reads answer, nothing crashes.
TEST(ProfileDamage, BinaryAndLongLinesParse) {
    std::mt19937 rng(12345);
    std::string junk(10u << 20, '\0');
    for (char& ch : junk) ch = static_cast<char>(rng());
    IniDocument doc = makeDoc(junk);
    EXPECT_EQ(getProfileInt(doc, "Vehicle", "lock", -1), -1);

    const std::string long_line = std::string(100000, 'x') + "\r\n[s]\r\nk=" + std::string(100000, '7') + "\r\n";
    doc = makeDoc(long_line);  // a junk line before the section is ignored
    char buf[80];
    EXPECT_EQ(getProfileString(doc, "s", "k", "", buf, sizeof buf), 79u);
    EXPECT_EQ(getProfileInt(doc, "s", "k", -1), profileIntFromText(std::string(100000, '7')));

    doc = makeDoc(std::string(1u << 20, '['));
    EXPECT_EQ(getProfileInt(doc, "s", "k", -1), -1);
}

}  // namespace
}  // namespace tavrel::ini
