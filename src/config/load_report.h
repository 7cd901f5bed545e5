// What a load made of the INI file, told to Tavrel.log: the file found or
// missing and its encoding, then one line for every key that was missing,
// unreadable or out of range, with the value it became. Nothing in a steady
// frame: the plug-in calls it once, when it starts.
#pragma once

namespace tavrel {

// What the INI store knows of this load beyond the bytes it read.
struct IniLoadNotes {
    // The store put the file back at this load (a save cut off by a crash
    // while the file stood aside): told on the file's line.
    bool recovered = false;
    // Temporary files of cut-off saves the load removed: a line of its own.
    int leftovers_removed = 0;
};

// REQUIRES: right after reloadSettings() (the document of that read is
// still the store's last).
void logSettingsLoad(const IniLoadNotes& notes = {});

}  // namespace tavrel
