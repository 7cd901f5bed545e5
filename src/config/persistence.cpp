#include "config/persistence.h"

#include <limits>
#include <string>

#include "config/ini_store.h"
#include "config/load_rules.h"
#include "config/settings.h"
#include "host/host_file.h"
#include "state/plugin_log.h"

namespace tavrel {

namespace {

constexpr IniKey kRadioChannelKey{"Vehicle", "radio_channel_index"};  // an old key: read, never used
constexpr const char* kPlateDefault = "Error: GPPS failed";
constexpr std::int32_t kAbsent = -1;        // an absent key
constexpr std::int32_t kNoFile = -99;       // readIntSetting with the file missing
constexpr const char* kMenuSection = "Menu";  // readMenuFloat's section
constexpr std::size_t kMenuFloatSize = 32;  // readMenuFloat's text buffer

// Reused between calls: after the first load, a file of the same size needs
// no allocation.
ini::IniDocument document;
std::string edited;

// A write to the existing file failed since the last takeFailedWrite.
bool failed_write = false;

host::FileRecovery recovery;

// What the last read found.
IniFileStatus last_status;

// The last failed write the log told, and the log's line count then: a
// failure of the same key with nothing logged in between is not told again.
const char* last_failed_key = nullptr;
std::uint64_t last_failed_serial = 0;

void logFailedWrite(const char* section, const char* key, const char* value) {
    if (key == last_failed_key && logLineSerial() == last_failed_serial) return;
    LogLine() << "save failed: [" << section << "] " << key << "=" << value
              << " (TavrelConfig.ini is read-only, locked by another program, kept changing under other saves,"
                 " or the disk is full);"
                 " the change lasts until the next lock or unlock";
    last_failed_key = key;
    last_failed_serial = logLineSerial();
    flushLog();
}

void writeValue(const char* section, const char* key, const char* value) {
    if (!host::fileExists(kIniPath)) return;  // never created: dropped without a word
    if (ini::writeProfileString(kIniPath, section, key, value, document, edited)) {
        last_failed_key = nullptr;
        return;
    }
    failed_write = true;
    logFailedWrite(section, key, value);
}

// One opened file: profile integers (default -1, no existence test) and
// readIntSetting integers (-99 when the file is missing).
struct Reader {
    bool exists = false;

    std::int32_t integer(const IniKey& key) const {
        return ini::getProfileInt(document, key.section, key.key, kAbsent);
    }
    std::int32_t setting(const IniKey& key) const { return exists ? integer(key) : kNoFile; }
};

// Opens the file once: one status query and, when it exists, one read.
Reader openIni() {
    Reader reader;
    reader.exists = host::fileExists(kIniPath);
    last_status = IniFileStatus{reader.exists, false};
    if (!reader.exists || !(last_status.read = ini::loadIniFile(kIniPath, document))) {
        document.bytes.clear();
        document.utf16 = false;
        document.cut = false;
        ini::parseIni(document);
    }
    return reader;
}

// The doors opened at unlock, read again by the doors page when it opens:
// readIntSetting > 0.
constexpr const SettingKey<bool>* kDoorsToOpen[] = {
    &setting_key::open_door_front_left, &setting_key::open_door_front_right, &setting_key::open_door_back_left,
    &setting_key::open_door_back_right, &setting_key::open_door_hood,        &setting_key::open_door_trunk,
    &setting_key::open_door_back1,      &setting_key::open_door_back2,
};

std::int32_t readDoorsFrom(const Reader& r) {
    std::int32_t last = 0;
    for (const SettingKey<bool>* door : kDoorsToOpen) {
        last = r.setting(*door);
        settings.*door->field = last > 0;
    }
    return last;
}

// double to float as the FPU rounds it, without the undefined behaviour of a
// cast out of range: beyond the float range gives an infinity.
float narrowToFloat(double v) {
    if (v > std::numeric_limits<float>::max()) return std::numeric_limits<float>::infinity();
    if (v < -std::numeric_limits<float>::max()) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(v);
}

// One setting of the load: an integer read as its row says, held for
// normaliseSettings and stored at once under a plain rule; the plate text.
template <LoadRead read, typename Rule, typename T>
void loadField(const Reader& r, const SettingKey<T>& key, std::int32_t& loaded) {
    if constexpr (read == LoadRead::Text) {
        ini::getProfileString(document, key.section, key.key, kPlateDefault, settings.*key.field, kPlateTextSize);
    } else if constexpr (read != LoadRead::Menu) {
        loaded = read == LoadRead::Setting ? r.setting(key) : r.integer(key);
        if constexpr (Rule::plain) settings.*key.field = Rule::apply(loaded, settings.*key.field);
    }
}

}  // namespace

void recoverIniFile() { recovery = host::recoverFile(kIniPath); }

const host::FileRecovery& iniRecovery() { return recovery; }

void reloadSettings() {
    const Reader r = openIni();
    const bool old_blip = settings.current_player_vehicle_blip;
    const bool old_persistent = settings.current_player_vehicle_persistent;
    // Every key in the table's order, from the one document read above (so
    // no read depends on another).
#define TAVREL_LOAD_FIELD(kind, section, field, initial, read, rule) \
    loadField<LoadRead::read, load_rule::rule>(r, setting_key::field, loaded_values.field);
    TAVREL_SETTINGS_FIELDS(TAVREL_LOAD_FIELD)
#undef TAVREL_LOAD_FIELD
    (void)r.integer(kRadioChannelKey);  // an old key, read and discarded
    applyBlipRule(old_blip, old_persistent);
    normaliseSettings();
}

std::int32_t readDoorsToOpen() { return readDoorsFrom(openIni()); }

std::int32_t readIntSetting(const char* section, const char* key) { return openIni().setting({section, key}); }

std::int32_t readIntSetting(const IniKey& key) { return openIni().setting(key); }

void writeIntSetting(const char* section, const char* key, std::int32_t value) {
    char text[kIntTextSize];
    writeValue(section, key, formatInt(value, text, sizeof text));
}

void writeIntSetting(const IniKey& key, std::int32_t value) { writeIntSetting(key.section, key.key, value); }

void writeMenuSize(float value) {
    char text[kFixedTextSize];
    writeValue(setting_key::menu_size.section, setting_key::menu_size.key, formatFixed(value, 1, text, sizeof text));
}

IniFileStatus lastIniFileStatus() { return last_status; }

const ini::IniDocument& lastIniDocument() { return document; }

bool takeFailedWrite() {
    const bool failed = failed_write;
    failed_write = false;
    return failed;
}

float readMenuFloat(const char* key) {
    const Reader r = openIni();
    if (!r.exists) return 0.0f;
    char text[kMenuFloatSize];
    ini::getProfileString(document, kMenuSection, key, "0", text, sizeof text);
    return narrowToFloat(textToDouble(text));
}

}  // namespace tavrel
