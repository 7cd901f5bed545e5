#include "config/constant_tables.h"

namespace tavrel {

// Index = horn_type_index. The "CALSSICAL" spellings are the host's own.
const char* const HornNameTable[kHornNameCount] = {
    "HORN_TRUCK",          "HORN_POLICE",           "HORN_CLOWN",           "HORN_MUSICAL1",
    "HORN_MUSICAL2",       "HORN_MUSICAL3",         "HORN_MUSICAL4",        "HORN_MUSICAL5",
    "HORN_SADTROMBONE",    "HORN_CALSSICAL1",       "HORN_CALSSICAL2",      "HORN_CALSSICAL3",
    "HORN_CALSSICAL4",     "HORN_CALSSICAL5",       "HORN_CALSSICAL6",      "HORN_CALSSICAL7",
    "HORN_SCALEDO",        "HORN_SCALERE",          "HORN_SCALEMI",         "HORN_SCALEFA",
    "HORN_SCALESOL",       "HORN_SCALELA",          "HORN_SCALETI",         "HORN_SCALEDO_HIGH",
    "HORN_JAZZ1",          "HORN_JAZZ2",            "HORN_JAZZ3",           "HORN_JAZZLOOP",
    "HORN_STARSPANGBAN1",  "HORN_STARSPANGBAN2",    "HORN_STARSPANGBAN3",   "HORN_STARSPANGBAN4",
    "HORN_CLASSICALLOOP1", "HORN_CLASSICAL8",       "HORN_CLASSICALLOOP2",  "HORN_STARSPANGBAN1_2",
    "HORN_CLASSICAL8_2",   "HORN_CLASSICALLOOP2_2", "HORN_ORGANSAD",        "HORN_ORGANSAD_2",
    "HORN_ORGANSAD2",      "HORN_ORGANSAD2_2",      "HORN_LOOP1",           "HORN_LOOP1_2",
    "HORN_LOOP2",          "HORN_LOOP2_2",          "HORN_XMASTUNE",        "HORN_JINGLEBELLS",
    "HORN_XMASTUNE2",      "HORN_JINGLEBELLS2",     "HORN_XMASTUNE3",       "HORN_JINGLEBELLS3",
};

// Index = radio_station_index, in the host's station numbering (13 is The
// Lab, 17 Blaine County, 18 Self Radio).
const RadioStation RadioStationTable[kRadioStationCount] = {
    {"RADIO_01_CLASS_ROCK", "Los Santos Rock Radio"},
    {"RADIO_02_POP", "Non-Stop-Pop FM"},
    {"RADIO_03_HIPHOP_NEW", "Radio Los Santos"},
    {"RADIO_04_PUNK", "Channel X"},
    {"RADIO_05_TALK_01", "West Coast Talk Radio"},
    {"RADIO_06_COUNTRY", "Rebel Radio"},
    {"RADIO_07_DANCE_01", "Soulwax FM"},
    {"RADIO_08_MEXICAN", "East Los FM"},
    {"RADIO_09_HIPHOP_OLD", "West Coast Classics"},
    {"RADIO_12_REGGAE", "Blue Ark"},
    {"RADIO_13_JAZZ", "Worldwide FM"},
    {"RADIO_14_DANCE_02", "FlyLo FM"},
    {"RADIO_15_MOTOWN", "The Lowdown 91.1"},
    {"RADIO_20_THELAB", "The Lab"},
    {"RADIO_16_SILVERLAKE", "Radio Mirror Park"},
    {"RADIO_17_FUNK", "Space 103.2"},
    {"RADIO_18_90S_ROCK", "Vinewood Boulevard Radio"},
    {"RADIO_11_TALK_02", "Blaine County Radio"},
    {"RADIO_19_USER", "Self Radio"},
    {"HIDDEN_RADIO_AMBIENT_TV_BRIGHT", nullptr},
    {"HIDDEN_RADIO_AMBIENT_TV", nullptr},
    {"HIDDEN_RADIO_ADVERTS", nullptr},
    {"HIDDEN_RADIO_01_CLASS_ROCK", nullptr},
    {"HIDDEN_RADIO_02_POP", nullptr},
    {"HIDDEN_RADIO_03_HIPHOP_NEW", nullptr},
    {"HIDDEN_RADIO_04_PUNK", nullptr},
    {"HIDDEN_RADIO_06_COUNTRY", nullptr},
    {"HIDDEN_RADIO_07_DANCE_01", nullptr},
    {"HIDDEN_RADIO_09_HIPHOP_OLD", nullptr},
    {"HIDDEN_RADIO_12_REGGAE", nullptr},
    {"HIDDEN_RADIO_15_MOTOWN", nullptr},
    {"HIDDEN_RADIO_16_SILVERLAKE", nullptr},
    {"HIDDEN_RADIO_STRIP_CLUB", nullptr},
    {"HIDDEN_RADIO_BIKER_CLASSIC_ROCK", nullptr},
    {"HIDDEN_RADIO_BIKER_MODERN_ROCK", nullptr},
    {"HIDDEN_RADIO_BIKER_PUNK", nullptr},
    {"HIDDEN_RADIO_BIKER_HIP_HOP", nullptr},
    {"OFF", nullptr},
};

const char* hornName(std::int32_t index) {
    if (index == -1) return "HORN_STOCK";
    return (index >= 0 && index < kHornNameCount) ? HornNameTable[index] : nullptr;
}

const char* radioStationId(std::int32_t index) {
    return (index >= 0 && index < kRadioStationCount) ? RadioStationTable[index].id : nullptr;
}

const char* radioStationDisplayName(std::int32_t index) {
    if (index < 0 || index >= kRadioStationCount) return nullptr;
    const RadioStation& station = RadioStationTable[index];
    return station.display_name ? station.display_name : station.id;
}

}  // namespace tavrel
