#pragma once
// Music in front: while something plays, the music ear stays in front of
// other ongoing activities, which only get short glances.

#include <array>
#include <string_view>

namespace corvane {

struct MusicFront {
    // The activity kind that counts as music.
    static constexpr std::string_view musicKind = "media.nowplaying";
    // The choices offered for `glanceMinutes`.
    static constexpr std::array<int, 4> options{0, 3, 5, 10};

    bool on = false;        // "notch.musicInFront"
    int glanceMinutes = 0;  // every this many minutes other activities get a glance; 0: never
    double glanceSeconds = 5;  // "notch.otherActivityGlance": how long a glance lasts

    static MusicFront off() { return {}; }

    bool operator==(const MusicFront&) const = default;
};

}  // namespace corvane
