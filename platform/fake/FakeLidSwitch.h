#pragma once
// A lid for tests: reads answer at once with what the test set; a change
// can be announced or left for the next read, as logind leaves it.

#include "platform/LidSwitch.h"

namespace corvane::platform {

class FakeLidSwitch final : public LidSwitch {
public:
    void read(std::function<void(std::optional<bool> closed)> done) override
    {
        ++reads;
        done(closed);
    }
    void onChange(std::function<void(bool closed)> handler) override { handler_ = std::move(handler); }

    // Sets the lid and, with `announce`, tells the listener at once.
    void set(bool isClosed, bool announce)
    {
        closed = isClosed;
        if (announce && handler_)
            handler_(isClosed);
    }

    std::optional<bool> closed = false;  // none: the login manager does not answer
    int reads = 0;

private:
    std::function<void(bool)> handler_;
};

}  // namespace corvane::platform
