#pragma once
// When a module's sources run: between start() and stop(), while the
// module is switched on in settings and the app is not paused. Every
// change that crosses that line calls the module back once, so a module
// never starts or stops its watchers twice.

#include <functional>
#include <utility>

namespace corvane::app {

class ModuleRun {
public:
    ModuleRun(bool enabled, std::function<void()> startSources, std::function<void()> stopSources)
        : enabled_(enabled), startSources_(std::move(startSources)), stopSources_(std::move(stopSources))
    {
    }

    bool active() const { return running_ && enabled_ && !frozen_; }
    bool running() const { return running_; }

    void setRunning(bool running) { change(running_, running); }
    void setEnabled(bool enabled) { change(enabled_, enabled); }
    void setFrozen(bool frozen) { change(frozen_, frozen); }

private:
    void change(bool& flag, bool value)
    {
        if (flag == value)
            return;
        bool was = active();
        flag = value;
        if (was && !active())
            stopSources_();
        else if (!was && active())
            startSources_();
    }

    bool running_ = false;
    bool enabled_;
    bool frozen_ = false;
    std::function<void()> startSources_;
    std::function<void()> stopSources_;
};

}  // namespace corvane::app
