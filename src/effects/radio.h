// The tracked car's radio station and loud radio, set at every lock and
// unlock and previewed by the sound page. Main fibre or menu fibre.
#pragma once

namespace tavrel {

inline constexpr int kRadioUseCurrent = -1;
inline constexpr int kRadioOff = 37;

// Tunes the tracked car to Settings.radio_station_index: 37 sends "OFF" (even
// to handle 0), -1 the player's current station, below -1 leaves it alone.
void applyRadioStation();

// Sets the tracked car's loud-radio flag; loud also enables the radio.
void applyLoudRadio();

}  // namespace tavrel
