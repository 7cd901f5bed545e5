// Upkeep of the tracked car's lights, neon and engine by the 300 ms world
// pass; the light and neon pages call the same operations after a change.
#pragma once

namespace tavrel {

// Headlights by Settings.headlights_at_movement (HeadlightMode); `reset`
// forgets that the car has moved.
void updateHeadlights(bool reset);
// Neon sides by Settings.neon_lights (NeonMode).
void updateNeon();
// Interior light by Settings.interior_lights (InteriorLightMode); `reset`
// forgets that the car has moved.
void updateInteriorLight(bool reset);
// kEngineUntilLocked and kEngineAlwaysOn: keep the engine running.
void keepEngineRunning();
// One timed step of the running neon light; faster with speed.
void stepSequentialNeon();
// Maps a running-light position 0 ... 3 to its neon side: left, front, right, back.
int neonSideAt(int position);
// Moves the running light one side on: forwards or backwards.
void advanceNeonLight(int vehicle, bool backwards);

}  // namespace tavrel
