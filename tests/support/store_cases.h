// Cases of the INI store that both hosts' file-store tests run (the POSIX
// store's in tests/config, the Windows store's under Wine in win/test), each
// with its own way of doing the other program's part.
//
// [SECTION] Races between the store's read and its replace
//
// The file starts as kRaceStart; the store then sets Vehicle/key to 5. A
// file saved over the name (an editor's save by rename) or written into
// (even keeping its size and time): the write sees it is no longer the
// version read, reads the newer one and sets its key there, so both changes
// stay. Saved over at every try: the write gives up and says so, the newer
// file kept. Deleted: it stays deleted and the write says so. Nothing is
// left behind in any case.
#pragma once
#include <algorithm>
#include <string>
#include <vector>

namespace tavrel::testing {

enum class RaceProgram { SaveOver, WriteInto, RewriteKeepingSizeAndTime, Delete };

struct StoreRace {
    const char* name;
    RaceProgram program;
    int times;          // how many of the store's tries the program races
    bool lands;         // the write says it landed
    const char* after;  // the file after the write; nullptr: no file
};

inline constexpr const char* kRaceStart = "[Vehicle]\r\nold=1\r\n";

// What the programs write.
inline constexpr const char* kEditorSave = "[Vehicle]\r\nfrom_the_editor=1\r\n";     // SaveOver's whole file
inline constexpr const char* kWrittenInto = "edited=1\r\n";                          // WriteInto appends it
inline constexpr const char* kRewrittenSameSize = "[Vehicle]\r\nnew=2\r\n";          // as long as kRaceStart

inline constexpr StoreRace kStoreRaces[] = {
    {"saved over", RaceProgram::SaveOver, 1, true, "[Vehicle]\r\nfrom_the_editor=1\r\nkey=5\r\n"},
    {"written into", RaceProgram::WriteInto, 1, true, "[Vehicle]\r\nold=1\r\nedited=1\r\nkey=5\r\n"},
    {"written into, same size and time", RaceProgram::RewriteKeepingSizeAndTime, 1, true,
     "[Vehicle]\r\nnew=2\r\nkey=5\r\n"},
    {"saved over at every try", RaceProgram::SaveOver, 100, false, "[Vehicle]\r\nfrom_the_editor=1\r\n"},
    {"deleted", RaceProgram::Delete, 1, false, nullptr},
};

// [SECTION] What a load finds beside the file
//
// The file missing, with the pair of one write cut off between its two
// renames: the new bytes (kRestored) take its name again. Files of writers
// that no longer run go (kLeftoversRemoved: the pair's ".old", a lone
// ".tmp", and one of a number no process id can be); a running writer's
// stay (it is still writing), and so do names not of the temporary form.
// Then, with the file there, a pair is only left over (two
// more go, the file stays).

inline constexpr const char* kRestored = "[s]\r\nk=new\r\n";
inline constexpr int kLeftoversRemoved = 3;

// Lays out the folder for process ids `running` and `ended` with
// `write(name, bytes)`; returns the names the load must keep, sorted.
template <typename Write>
std::vector<std::string> layOutLeftovers(const std::string& running, const std::string& ended, Write write) {
    std::vector<std::string> kept = {"TavrelConfig.ini." + running + "-3.old", "TavrelConfig.ini." + running + "-3.tmp",
                                     "TavrelConfig.ini.1-x.tmp", "TavrelConfig.ini.bak"};
    for (const std::string& name : kept) write(name, "kept");
    write("TavrelConfig.ini." + ended + "-7.old", "[s]\r\nk=old\r\n");
    write("TavrelConfig.ini." + ended + "-7.tmp", kRestored);
    write("TavrelConfig.ini." + ended + "-8.tmp", "half a wri");
    write("TavrelConfig.ini.4294967295-1.tmp", "no process has this id");
    std::sort(kept.begin(), kept.end());
    return kept;
}

// The pair the second look finds, with the file there.
template <typename Write>
void layOutPairBesideTheFile(const std::string& ended, Write write) {
    write("TavrelConfig.ini." + ended + "-9.old", "older");
    write("TavrelConfig.ini." + ended + "-9.tmp", "newer");
}

}  // namespace tavrel::testing
