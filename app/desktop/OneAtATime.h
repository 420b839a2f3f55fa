#pragma once
// A job a module runs on its queue one at a time: asked for while one runs,
// it runs once more afterwards, however often it was asked meanwhile.

#include <utility>

namespace corvane::app {

class OneAtATime {
public:
    // Whether to start the job now; otherwise one more run is noted.
    bool begin()
    {
        if (running_) {
            again_ = true;
            return false;
        }
        running_ = true;
        return true;
    }

    // The job is over; whether it was asked for again meanwhile.
    bool end()
    {
        running_ = false;
        return std::exchange(again_, false);
    }

    // For a module that stops: what ran or was asked for is forgotten.
    void reset() { running_ = again_ = false; }

private:
    bool running_ = false;
    bool again_ = false;
};

}  // namespace corvane::app
