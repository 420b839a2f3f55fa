#include "core/notch/NotchDriver.h"

#include <utility>

namespace corvane {

NotchDriver::NotchDriver(Scheduler& scheduler, NotchTimings timings, PresentationHandler onPresentation)
    : scheduler_(scheduler), timings_(timings), onPresentation_(std::move(onPresentation))
{
    machine_.openOnHover = timings_.openOnHover;
}

NotchDriver::~NotchDriver()
{
    cancel(dwellTimer_);
    cancel(collapseTimer_);
}

void NotchDriver::setTimings(const NotchTimings& timings)
{
    timings_ = timings;
    machine_.openOnHover = timings.openOnHover;
}

void NotchDriver::handle(const NotchEvent& event)
{
    NotchPresentation before = machine_.presentation;
    for (NotchEffect effect : machine_.handle(event))
        run(effect);
    if (machine_.presentation != before && onPresentation_)
        onPresentation_(machine_.presentation);
}

void NotchDriver::run(NotchEffect effect)
{
    switch (effect) {
    case NotchEffect::startDwellTimer:
        restart(dwellTimer_, timings_.dwellSeconds, NotchEvent::dwellElapsed());
        break;
    case NotchEffect::cancelDwellTimer:
        cancel(dwellTimer_);
        break;
    case NotchEffect::startCollapseTimer:
        restart(collapseTimer_, timings_.collapseSeconds, NotchEvent::collapseElapsed());
        break;
    case NotchEffect::cancelCollapseTimer:
        cancel(collapseTimer_);
        break;
    }
}

void NotchDriver::restart(std::optional<Scheduler::TimerId>& timer, double delay, NotchEvent expiry)
{
    cancel(timer);
    timer = scheduler_.schedule(delay, [this, &timer, expiry] {
        timer.reset();
        handle(expiry);
    });
}

void NotchDriver::cancel(std::optional<Scheduler::TimerId>& timer)
{
    if (timer)
        scheduler_.cancel(*timer);
    timer.reset();
}

}  // namespace corvane
