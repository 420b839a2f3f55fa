#pragma once
// A power manager for tests: counts the holds alive, remembers every one
// taken, can refuse, answers the radar with rows the test sets, and lets
// the test send sleep, wake, lock and unlock.

#include <memory>
#include <string>
#include <vector>

#include "platform/PowerInhibitor.h"

namespace corvane::platform {

class FakePowerInhibitor final : public PowerInhibitor {
public:
    struct Taken {
        AssertionKind kind = AssertionKind::none;
        std::string why;
        bool operator==(const Taken&) const = default;
    };

    Result<std::unique_ptr<PowerHold>> hold(AssertionKind kind, const std::string& why) override;
    void listInhibitors(std::function<void(Inhibitors)> done) override;
    void onSleep(std::function<void(bool goingToSleep)> handler) override { sleep_ = std::move(handler); }
    void onLock(std::function<void(bool locked)> handler) override { lock_ = std::move(handler); }

    void sendSleep(bool goingToSleep) const;
    void sendLock(bool locked) const;

    // Holds not yet released.
    int alive() const { return *alive_; }
    // Every hold taken, oldest first.
    std::vector<Taken> taken;
    bool refuse = false;
    std::vector<Inhibitor> inhibitors;

private:
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    std::function<void(bool)> sleep_;
    std::function<void(bool)> lock_;
};

}  // namespace corvane::platform
