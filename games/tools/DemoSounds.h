#pragma once
// The demo's sound effects (synthesised) and songs (MIDI written note by note).

#include <string>
#include <vector>

namespace demo {

struct SoundFile {
    std::string name;   // file name inside sounds/ or music/
    std::string bytes;  // the whole file
};

std::vector<SoundFile> demoSounds();
std::vector<SoundFile> demoSongs();

// Mono 16-bit samples at `rate` for the clip's sound track: a lantern's hiss
// and a low hum that swells as the vision appears.
std::vector<double> clipSoundTrack(int rate, double seconds);

}  // namespace demo
