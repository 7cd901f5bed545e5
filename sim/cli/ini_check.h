// tavrel-sim --check-ini FILE: does FILE load as written?
//
// Every setting of the plug-in's table must be in FILE once, in its section,
// with a value of its kind (a switch 0 or 1, a whole number, a decimal
// number for the menu's size and width), and the plug-in must hold exactly
// that value once it has loaded the file (at start; the menu's own values
// once the menu has opened): no load rule, low-byte cut or menu clamp may
// change it. A key that is no setting (misspelt, in another section) is
// named too.
// The plug-in runs in a scratch folder on a copy of FILE (the real
// Tavrel.asi on Windows), so FILE and the current folder stay as they were.
#pragma once
#include <iosfwd>
#include <string>

namespace tavrel::sim {

// Prints each key that is missing, malformed or not loaded as written on
// `err` ("FILE: [Section] key=value: loads as X"), or one line on `out` when
// every key loads as written. Returns 0 when all do, 3 when one does not,
// 2 when FILE cannot be read, and a scenario run's own status (1) when the
// plug-in faults.
int checkIniFile(const std::string& file, std::ostream& out, std::ostream& err);

}  // namespace tavrel::sim
