// Tavrel.log's lines of the lock and unlock requests: how each came (key or
// controller combination), what became of it (acted on at once, after the
// gesture, or refused and why) and the car chosen (its handle, model kind and
// distance) or why none was. Main fibre only. With the log off nothing here
// calls a native or touches a file.
#pragma once
#include "locking/lock_sequence.h"

namespace tavrel {

// The request as it came, then `outcome` ("acting at once", "refused: ...").
void logRequest(bool lock, bool combo, const char* outcome);

// The car a lock or unlock chose, or why it found none. Asks the game the
// model kind and distance of a car the search did not measure.
void logChoice(bool lock, const VehicleChoice& choice);

// A request was served for the hotkey's current press: that press is no
// new one for noteRefusedPresses.
void noteServedPress(bool lock);

// A new press of the lock or unlock hotkey (a key-down that is no repeat,
// not yet told, not the one a request was served for) that cannot be served
// now, told once with `reason`. Reads the key table only.
void noteRefusedPresses(const char* reason);

void resetRequestLog();

}  // namespace tavrel
