#pragma once
// Plays the short alert sounds.

#include "core/notch/NotchSoundRules.h"

namespace corvane {

class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    // `volume` is 0...1 ("sounds.volume").
    virtual void play(NotchSound sound, double volume) = 0;
};

}  // namespace corvane
