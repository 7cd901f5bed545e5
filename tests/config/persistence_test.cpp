// Menu-time reads and writes, number texts, the radio wrap and the constant
// tables.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "config/constant_tables.h"
#include "config/persistence.h"
#include "config/settings.h"
#include "config/text_format.h"
#include "support/temp_dir.h"

namespace tavrel {
namespace {

using testing::kIniFile;
using testing::readBytes;
using testing::TempDirTest;
using testing::writeBytes;

class Persistence : public TempDirTest {};

// [SECTION] Writes

struct WriteCase {
    const char* before;
    const char* section;
    const char* key;
    std::int32_t value;
    const char* after;
};

class WriteIntSetting : public TempDirTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(WriteIntSetting, EditsOneKeyOfTheFile) {
    const WriteCase& c = GetParam();
    writeBytes(kIniFile, c.before);
    writeIntSetting(c.section, c.key, c.value);
    EXPECT_EQ(readBytes(kIniFile), c.after);
    EXPECT_EQ(readIntSetting(c.section, c.key), c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Layout, WriteIntSetting,
    ::testing::Values(
        WriteCase{"[Vehicle]\r\nhorn_type_index=3\r\n", "Vehicle", "horn_type_index", -2, "[Vehicle]\r\nhorn_type_index=-2\r\n"},
        WriteCase{"[Vehicle]\r\nhorn_type_index=3\r\n", "Vehicle", "horn_type_index", 0, "[Vehicle]\r\nhorn_type_index=0\r\n"},
        WriteCase{"; c\r\n[Menu]\r\nmenu_red=1\r\n\r\n[Animation]\r\nanimation=2\r\n", "Menu", "menu_blue", 7,
                  "; c\r\n[Menu]\r\nmenu_red=1\r\nmenu_blue=7\r\n\r\n[Animation]\r\nanimation=2\r\n"},
        WriteCase{"[Vehicle]\r\nloud_radio_on=1", "Animation", "animation", 3,
                  "[Vehicle]\r\nloud_radio_on=1\r\n[Animation]\r\nanimation=3\r\n"},
        WriteCase{"", "Menu", "menu_width", 350, "[Menu]\r\nmenu_width=350\r\n"},
        WriteCase{"[Vehicle]\r\nhorn_type_index=3\r\n", "Vehicle", "horn_type_index", INT32_MIN,
                  "[Vehicle]\r\nhorn_type_index=-2147483648\r\n"}));

TEST_F(Persistence, MenuSizeIsWrittenWithOneDecimal) {
    writeBytes(kIniFile, "[Menu]\r\nmenu_size=1.0\r\n");
    writeMenuSize(4.8f);
    EXPECT_EQ(readBytes(kIniFile), "[Menu]\r\nmenu_size=4.8\r\n");
    writeMenuSize(5.0f);
    EXPECT_EQ(readBytes(kIniFile), "[Menu]\r\nmenu_size=5.0\r\n");
}

TEST_F(Persistence, MissingFileIsNeverCreated) {  // where Windows would create it
    writeIntSetting("Vehicle", "animation", 2);
    writeMenuSize(4.5f);
    EXPECT_FALSE(std::filesystem::exists(kIniFile));
    EXPECT_FALSE(std::filesystem::exists("TavrelConfig.ini.tmp"));
    EXPECT_EQ(readIntSetting("Menu", "menu_red"), -99);
    EXPECT_EQ(readMenuFloat("menu_size"), 0.0f);
    EXPECT_EQ(readDoorsToOpen(), -99);
}

TEST_F(Persistence, ReadOnlyFileOrADirectoryIsLeftAloneAndTheFailureIsKept) {
    takeFailedWrite();
    writeBytes(kIniFile, "[Vehicle]\r\nanimation=1\r\n");
    ::chmod(kIniFile, 0444);
    writeIntSetting("Vehicle", "animation", 2);
    EXPECT_EQ(readBytes(kIniFile), "[Vehicle]\r\nanimation=1\r\n");
    EXPECT_TRUE(takeFailedWrite());
    EXPECT_FALSE(takeFailedWrite()) << "reported once";
    writeMenuSize(4.5f);
    EXPECT_TRUE(takeFailedWrite());
    ::chmod(kIniFile, 0644);
    writeIntSetting("Vehicle", "animation", 2);
    EXPECT_FALSE(takeFailedWrite()) << "saved";
    ::unlink(kIniFile);
    writeIntSetting("Vehicle", "animation", 3);
    EXPECT_FALSE(takeFailedWrite()) << "no file: dropped by design, no failure";
    // A directory in its place is there (the status query says so) but
    // cannot be saved: keys read as absent, and the failure is kept.
    std::filesystem::create_directory(kIniFile);
    EXPECT_EQ(readIntSetting("Vehicle", "animation"), -1);
    writeIntSetting("Vehicle", "animation", 3);
    EXPECT_TRUE(takeFailedWrite()) << "a directory";
}

TEST_F(Persistence, WriteKeepsPermissionBits) {
    writeBytes(kIniFile, "[Menu]\r\nmenu_red=1\r\n");
    ::chmod(kIniFile, 0640);
    writeIntSetting("Menu", "menu_red", 2);
    struct stat st {};
    ASSERT_EQ(::stat(kIniFile, &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

// [SECTION] Reads

TEST_F(Persistence, ReadIntSettingDistinguishesMissingFileFromMissingKey) {
    EXPECT_EQ(readIntSetting("Menu", "menu_red"), -99);
    writeBytes(kIniFile, "[Menu]\r\nmenu_red=12\r\n");
    EXPECT_EQ(readIntSetting("Menu", "menu_red"), 12);
    EXPECT_EQ(readIntSetting("Menu", "menu_green"), -1);
}

TEST_F(Persistence, ReadDoorsToOpenSetsEveryDoorAndReturnsTheLast) {
    writeBytes(kIniFile, "[Vehicle]\r\nopen_door_hood=1\r\nopen_door_back1=5\r\nopen_door_back2=-4\r\n");
    settings.open_door_front_left = true;
    EXPECT_EQ(readDoorsToOpen(), -4);
    EXPECT_FALSE(settings.open_door_front_left);
    EXPECT_TRUE(settings.open_door_hood);
    EXPECT_TRUE(settings.open_door_back1);
    EXPECT_FALSE(settings.open_door_back2);
}

struct FloatCase {
    const char* text;  // nullptr: key absent
    float expected;
};

class ReadMenuFloat : public TempDirTest, public ::testing::WithParamInterface<FloatCase> {};

TEST_P(ReadMenuFloat, ConvertsLikeStrtod) {
    const FloatCase& c = GetParam();
    writeBytes(kIniFile, c.text ? std::string("[Menu]\r\nmenu_size=") + c.text + "\r\n" : "[Menu]\r\n");
    EXPECT_EQ(readMenuFloat("menu_size"), c.expected) << (c.text ? c.text : "absent");
}

constexpr float kInf = std::numeric_limits<float>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Texts, ReadMenuFloat,
    ::testing::Values(FloatCase{"7.5xyz", 7.5f}, FloatCase{"abc", 0.0f}, FloatCase{nullptr, 0.0f},
                      FloatCase{"  2.25", 2.25f}, FloatCase{"+3", 3.0f}, FloatCase{"-1.5e1", -15.0f},
                      FloatCase{"0x10", 16.0f}, FloatCase{"0x", 0.0f}, FloatCase{".5", 0.5f}, FloatCase{"5.", 5.0f},
                      FloatCase{"5,5", 5.0f}, FloatCase{"+-3", 0.0f}, FloatCase{".", 0.0f}, FloatCase{"1e", 1.0f},
                      FloatCase{"\"4.5\"", 4.5f}, FloatCase{"1e400", kInf}, FloatCase{"-1e400", -kInf},
                      FloatCase{"1e-400", 0.0f}, FloatCase{"1e300", kInf}, FloatCase{"inf", kInf},
                      FloatCase{"12345678901234567890123456789012345", static_cast<float>(1234567890123456789012345678901.0)}));  // 31 chars read

// [SECTION] Number texts

TEST(FormatInt, WritesPlainDecimal) {
    const std::pair<std::int32_t, const char*> cases[] = {
        {0, "0"}, {-2, "-2"}, {42, "42"}, {INT32_MAX, "2147483647"}, {INT32_MIN, "-2147483648"}};
    for (const auto& [value, text] : cases) {
        char out[kIntTextSize];
        EXPECT_STREQ(formatInt(value, out, sizeof out), text);
    }
    char small[3];
    EXPECT_STREQ(formatInt(-1234, small, sizeof small), "-1");  // cut, still terminated
}

TEST(FormatFixed, RoundsToTheNearestWithAFullStop) {
    struct Case {
        float value;
        std::int32_t decimals;
        const char* text;
    };
    const Case cases[] = {{4.8f, 1, "4.8"},     {5.0f, 1, "5.0"},   {350.0f, 0, "350"}, {349.6f, 0, "350"},
                          {1.05f, 1, "1.0"},    {-2.25f, 2, "-2.25"}, {0.0f, 3, "0.000"}, {10.0f, 1, "10.0"},
                          {1e10f, 0, "10000000000"}, {3.0f, -4, "3"}};
    for (const Case& c : cases) {
        char out[kFixedTextSize];
        EXPECT_STREQ(formatFixed(c.value, c.decimals, out, sizeof out), c.text) << c.value << " " << c.decimals;
    }
    char big[kFixedTextSize];
    EXPECT_EQ(std::string(formatFixed(std::numeric_limits<float>::max(), 9, big, sizeof big)).size(), 49u);
}

// [SECTION] Radio wrap and constant tables

TEST(WrapRadioStationIndex, WrapsOnlyOutsideTheRange) {
    const std::pair<std::int32_t, std::int32_t> cases[] = {{38, -1}, {1000, -1}, {-2, 37}, {-50, 37},
                                                           {-1, -1}, {0, 0},     {37, 37}, {18, 18}};
    for (const auto& [before, after] : cases) {
        settings.radio_station_index = before;
        wrapRadioStationIndex();
        EXPECT_EQ(settings.radio_station_index, after) << before;
    }
}

TEST(ConstantTables, BoundariesAndSpotEntries) {
    EXPECT_STREQ(hornName(-1), "HORN_STOCK");
    EXPECT_STREQ(hornName(0), "HORN_TRUCK");
    EXPECT_STREQ(hornName(13), "HORN_CALSSICAL5");
    EXPECT_STREQ(hornName(51), "HORN_JINGLEBELLS3");
    EXPECT_EQ(hornName(-2), nullptr);
    EXPECT_EQ(hornName(52), nullptr);
    EXPECT_STREQ(radioStationId(13), "RADIO_20_THELAB");
    EXPECT_STREQ(radioStationDisplayName(17), "Blaine County Radio");
    EXPECT_STREQ(radioStationDisplayName(18), "Self Radio");
    EXPECT_STREQ(radioStationDisplayName(19), "HIDDEN_RADIO_AMBIENT_TV_BRIGHT");  // no display name
    EXPECT_STREQ(radioStationId(0), "RADIO_01_CLASS_ROCK");
    EXPECT_STREQ(radioStationDisplayName(0), "Los Santos Rock Radio");
    EXPECT_STREQ(radioStationId(37), "OFF");
    EXPECT_EQ(radioStationId(-1), nullptr);
    EXPECT_EQ(radioStationId(38), nullptr);
    EXPECT_EQ(radioStationDisplayName(-1), nullptr);
    EXPECT_EQ(radioStationDisplayName(38), nullptr);
}

}  // namespace
}  // namespace tavrel
