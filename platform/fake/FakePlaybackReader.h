#pragma once
// A playback reader for tests: the test says what plays.

#include "platform/PlaybackReader.h"

namespace corvane::platform {

class FakePlaybackReader final : public PlaybackReader {
public:
    void set(std::vector<PlayingApp> playing) { publish(std::move(playing)); }
};

}  // namespace corvane::platform
