// Tavrel's version, said by the menu's title, the startup notice, the log's
// first line and a recording's header. (The DLL's version resource takes
// the same numbers from the project() line of CMakeLists.txt.)
#pragma once

#define TAVREL_VERSION_MAJOR 2
#define TAVREL_VERSION_MINOR 2

#define TAVREL_VERSION_WORD(n) #n
#define TAVREL_VERSION_SPELL(n) TAVREL_VERSION_WORD(n)
// "2.2"
#define TAVREL_VERSION_TEXT TAVREL_VERSION_SPELL(TAVREL_VERSION_MAJOR) "." TAVREL_VERSION_SPELL(TAVREL_VERSION_MINOR)
