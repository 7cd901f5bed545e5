# Copies IN to OUT with one change planted: the unlock's lock call locks.
# Fails when the line is not there, so that the plant never silently does
# nothing.
file(READ ${IN} text)
set(line "invoke(nat::SET_VEHICLE_DOORS_LOCKED, vehicle, kLockNone);")
string(FIND "${text}" "${line}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "plant.cmake: ${IN} has no line ${line}")
endif()
string(REPLACE "${line}" "invoke(nat::SET_VEHICLE_DOORS_LOCKED, vehicle, kLockLocked);" text "${text}")
file(WRITE ${OUT} "${text}")
