#include "platform/fake/FakePowerInhibitor.h"

namespace corvane::platform {

namespace {

class CountedHold final : public PowerHold {
public:
    explicit CountedHold(std::shared_ptr<int> alive) : alive_(std::move(alive)) { ++*alive_; }
    ~CountedHold() override { --*alive_; }

private:
    std::shared_ptr<int> alive_;
};

}  // namespace

Result<std::unique_ptr<PowerHold>> FakePowerInhibitor::hold(AssertionKind kind, const std::string& why)
{
    if (refuse)
        return fail(Error::make(Error::Code::Unavailable, "Inhibit", "refused"));
    taken.push_back({kind, why});
    return std::unique_ptr<PowerHold>(std::make_unique<CountedHold>(alive_));
}

void FakePowerInhibitor::listInhibitors(std::function<void(Inhibitors)> done) { done(inhibitors); }

void FakePowerInhibitor::sendSleep(bool goingToSleep) const
{
    if (sleep_)
        sleep_(goingToSleep);
}

void FakePowerInhibitor::sendLock(bool locked) const
{
    if (lock_)
        lock_(locked);
}

}  // namespace corvane::platform
