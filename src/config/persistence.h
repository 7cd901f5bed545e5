// INI persistence: the full load of Settings from ".\\TavrelConfig.ini", the
// menu's reads and the one-key writes. The file is opened, read and closed
// within each call; nothing is cached, so hand edits show at the next call.
// The file is never created: with the file missing, reads give defaults and
// writes are dropped silently.
//
// Fibres: either script fibre may call these, one at a time (none yields).
// Heap: the store reuses its buffers, so repeated calls on a file of
// unchanged size allocate nothing.
#pragma once
#include <cstdint>

#include "config/setting_keys.h"
#include "host/host_file.h"
#include "config/text_format.h"

namespace tavrel {

namespace ini {
struct IniDocument;
}

// The one INI path, relative to the game's working directory.
inline constexpr const char* kIniPath = ".\\TavrelConfig.ini";

// Once per load of the plug-in, before its first reloadSettings: puts back a
// TavrelConfig.ini that a crash in the middle of a save left aside, and
// removes the temporary files of saves whose writer no longer runs
// (host::recoverFile). What it did stays readable through iniRecovery().
void recoverIniFile();

// The one report of the load's recovery (all zero before recoverIniFile):
// the start-up notices and the log read it.
const host::FileRecovery& iniRecovery();

// The full load: reads every startup key into `settings` in the order of the
// settings table (TAVREL_SETTINGS_FIELDS, its rows of read Profile, Setting,
// Text), from one read of the file: plain stores, the blip rule, then every
// other load rule over the values read (normaliseSettings).
void reloadSettings();

// Door flags open_door_front_left ... open_door_back2 := readIntSetting > 0.
// Returns the last value read (open_door_back2's).
std::int32_t readDoorsToOpen();

// -99 when the file is missing; otherwise the integer with default -1.
std::int32_t readIntSetting(const char* section, const char* key);
std::int32_t readIntSetting(const IniKey& key);

// Writes formatInt(value) as section/key; nothing when the file is missing
// or the write fails (the file is then left as it was, and Tavrel.log tells
// the failure, a repeat of the same key's only after another line).
void writeIntSetting(const char* section, const char* key, std::int32_t value);
void writeIntSetting(const IniKey& key, std::int32_t value);

// Writes formatFixed(value, 1) as "Menu"/"menu_size"; nothing when the file
// is missing or the write fails.
void writeMenuSize(float value);

// True when a write to the existing file failed (read-only, locked, disk
// full) since the last call: the change lives in memory only and goes at the
// next reload. A missing file is no failure. Clears the mark.
bool takeFailedWrite();

// What the last read of the file found: the file there, and read.
struct IniFileStatus {
    bool found = false;
    bool read = false;
};
IniFileStatus lastIniFileStatus();

// The bytes and index of the last read (empty when the file was missing).
// Valid until the next read or write.
const ini::IniDocument& lastIniDocument();

// "Menu"/key read as text (32-char buffer, default "0") and converted with
// textToDouble; 0.0 when the file is missing. "7.5xyz" is 7.5, "abc" 0.
float readMenuFloat(const char* key);

}  // namespace tavrel
