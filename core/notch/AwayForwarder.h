#pragma once
// Sees every alert that was not dropped, so that a step-away session can
// keep its timeline and forward what matters to the phone. It decides for
// itself whether a session is running.

#include <string_view>

#include "core/notch/AlertRecord.h"

namespace corvane {

class AwayForwarder {
public:
    virtual ~AwayForwarder() = default;
    // `coalesceKey` with the kind identifies the forwarding slot.
    virtual void observe(const AlertRecord& alert, std::string_view coalesceKey) = 0;
};

}  // namespace corvane
