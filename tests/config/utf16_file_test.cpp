// INI files in UTF-16LE with a byte-order mark (Notepad's "Unicode"), which
// Windows reads and writes as such: the same settings as the plain file, and
// a write that keeps the encoding and every other character.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>

#include "config/ini_store.h"
#include "config/persistence.h"
#include "config/settings.h"
#include "support/temp_dir.h"

namespace tavrel {
namespace {

using namespace std::string_literals;
using namespace std::string_view_literals;
using testing::kIniFile;
using testing::readBytes;
using testing::TempDirTest;
using testing::writeBytes;

// The file Notepad writes for `utf8` text.
std::string notepadUnicode(std::string_view utf8) {
    std::string units;
    ini::utf8ToUtf16(utf8, "", units);
    return "\xFF\xFE" + units;
}

void fullLoad() {
    reloadSettings();
}

TEST(Utf16Text, EveryUnitSequenceSurvivesTheRoundTrip) {
    std::mt19937 rng(20261208);
    for (int round = 0; round < 2000; ++round) {
        std::string utf16;
        const int units = static_cast<int>(rng() % 40);
        for (int i = 0; i < units; ++i) {
            // Mostly ASCII, some BMP, surrogate halves alone and in pairs.
            const std::uint32_t pick = rng() % 6;
            const std::uint32_t unit = pick < 2   ? rng() % 0x80
                                       : pick < 4 ? rng() % 0x10000
                                       : pick < 5 ? 0xD800 + rng() % 0x400
                                                  : 0xDC00 + rng() % 0x400;
            utf16.push_back(static_cast<char>(unit & 0xFF));
            utf16.push_back(static_cast<char>(unit >> 8));
        }
        if (rng() % 4 == 0) utf16.push_back(static_cast<char>(rng()));  // an odd last byte
        std::string utf8, tail, back;
        ini::utf16ToUtf8(utf16, utf8, tail);
        ini::utf8ToUtf16(utf8, tail, back);
        ASSERT_EQ(back, utf16) << "round " << round;
    }
}

TEST(Utf16Text, DecodesPairsToFourByteUtf8) {
    std::string utf8, tail;
    ini::utf16ToUtf8("k\0=\0\xE9\0\x3D\xD8\x00\xDE"sv, utf8, tail);  // k=é😀
    EXPECT_EQ(utf8, "k=\xC3\xA9\xF0\x9F\x98\x80");
    EXPECT_TRUE(tail.empty());
}

class Utf16File : public TempDirTest {};

TEST_F(Utf16File, LoadsTheSameSettingsAsThePlainFile) {
    const std::string plain =
        "; r\xC3\xA9glages \xE2\x9C\x93\r\n[Vehicle]\r\nnumber_of_lock_flashes=3\r\nlock_flash_interval=250\r\n"
        "set_plate_text_on=1\r\nset_vehicle_license_plate_text=TAVREL\r\nneon_lights=2\r\n"
        "[Keys]\r\nlock=75\r\nmenu_up=104\r\n[Animation]\r\nanimation=3\r\n[Menu]\r\nmenu_size=6.5\r\nmenu_red=90\r\n";
    writeBytes(kIniFile, plain);
    fullLoad();
    const Settings from_plain = settings;
    const float size_plain = readMenuFloat("menu_size");

    resetSettings();
    writeBytes(kIniFile, notepadUnicode(plain));
    fullLoad();
#define EXPECT_SAME_FIELD(kind, section, field, ...) \
    EXPECT_EQ(std::string_view(reinterpret_cast<const char*>(&settings.field), sizeof settings.field), \
              std::string_view(reinterpret_cast<const char*>(&from_plain.field), sizeof settings.field)) \
        << #field;
    TAVREL_SETTINGS_FIELDS(EXPECT_SAME_FIELD)
#undef EXPECT_SAME_FIELD
    EXPECT_EQ(settings.number_of_lock_flashes, 3);
    EXPECT_STREQ(settings.set_vehicle_license_plate_text, "TAVREL");
    EXPECT_EQ(readMenuFloat("menu_size"), size_plain);
    EXPECT_EQ(readIntSetting("Menu", "menu_red"), 90);
}

TEST_F(Utf16File, WriteKeepsTheEncodingAndEveryOtherCharacter) {
    const std::string before =
        "; caf\xC3\xA9 \xF0\x9F\x98\x80\r\n[Vehicle]\r\nnumber_of_lock_flashes=3\r\n; \xE2\x9C\x93 fin\r\n";
    writeBytes(kIniFile, notepadUnicode(before));
    writeIntSetting("Vehicle", "number_of_lock_flashes", 12);
    writeIntSetting("Vehicle", "horn_duration", 80);
    EXPECT_EQ(readBytes(kIniFile),
              notepadUnicode("; caf\xC3\xA9 \xF0\x9F\x98\x80\r\n[Vehicle]\r\nnumber_of_lock_flashes=12\r\n"
                             "horn_duration=80\r\n; \xE2\x9C\x93 fin\r\n"));
    fullLoad();
    EXPECT_EQ(settings.number_of_lock_flashes, 12);
    EXPECT_EQ(settings.horn_duration, 80);
}

TEST_F(Utf16File, UnpairedSurrogatesAndAnOddLastByteSurviveAWrite) {
    const std::string body = "[\0s\0]\0\r\0\n\0;\0\x00\xD8\r\0\n\0k\0=\0" "1\0"s;  // a lone high surrogate in a comment
    writeBytes(kIniFile, "\xFF\xFE" + body + "\x7F");
    writeIntSetting("s", "k", 2);
    // (a rewritten last line gets its line break, as on Windows)
    EXPECT_EQ(readBytes(kIniFile),
              "\xFF\xFE" + std::string("[\0s\0]\0\r\0\n\0;\0\x00\xD8\r\0\n\0k\0=\0" "2\0\r\0\n\0"s) + "\x7F");
}

}  // namespace
}  // namespace tavrel
