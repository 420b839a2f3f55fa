#include "core/agents/AgentStepIndex.h"

#include <algorithm>

namespace corvane {

namespace {

template <typename T>
void keepLast(std::vector<T>& items, std::size_t count)
{
    if (items.size() > count)
        items.erase(items.begin(), items.end() - static_cast<std::ptrdiff_t>(count));
}

}  // namespace

std::optional<AgentStep> SessionSteps::last() const
{
    if (!pending.empty() && (steps.empty() || pending.back().at >= steps.back().at))
        return pending.back();
    return steps.empty() ? std::nullopt : std::optional(steps.back());
}

std::optional<AgentStep> SessionSteps::waitingOn() const
{
    return pending.empty() ? std::nullopt : std::optional(pending.back());
}

std::optional<double> SessionSteps::contextPercent() const
{
    if (!contextTokens || !contextWindow || *contextWindow <= 0)
        return std::nullopt;
    return static_cast<double>(*contextTokens) * 100.0 / static_cast<double>(*contextWindow);
}

void AgentStepIndex::apply(const std::string& session, const std::vector<AgentStepEvent>& events)
{
    if (events.empty())
        return;
    SessionSteps& entry = sessions_[session];
    for (const AgentStepEvent& event : events) {
        if (const auto* tool = event.as<AgentStepEvent::Tool>()) {
            entry.pending.push_back(tool->step);
            keepLast(entry.pending, SessionSteps::pendingCap);
            entry.updated = std::max(entry.updated, tool->step.at);
        } else if (const auto* results = event.as<AgentStepEvent::Results>()) {
            // Several pending steps may share a call id (a patch of several files).
            auto answered = [&](const AgentStep& step) {
                return step.id && std::find(results->ids.begin(), results->ids.end(), *step.id) != results->ids.end();
            };
            for (AgentStep& step : entry.pending) {
                if (!answered(step))
                    continue;
                step.failed = results->failed;
                entry.steps.push_back(step);
            }
            std::erase_if(entry.pending, answered);
            keepLast(entry.steps, SessionSteps::cap);
        } else if (const auto* reply = event.as<AgentStepEvent::Reply>()) {
            // A reply ends the turn: calls still open were abandoned.
            entry.pending.clear();
            entry.updated = std::max(entry.updated, reply->at);
        } else if (const auto* context = event.as<AgentStepEvent::Context>()) {
            entry.contextTokens = context->tokens;
            if (context->window)
                entry.contextWindow = context->window;
            if (context->model)
                entry.model = context->model;
        }
    }
    std::erase(order_, session);
    order_.push_back(session);
    while (order_.size() > sessionCap) {
        sessions_.erase(order_.front());
        order_.erase(order_.begin());
    }
}

void AgentStepIndex::remove(const std::string& session)
{
    sessions_.erase(session);
    std::erase(order_, session);
}

const SessionSteps* AgentStepIndex::steps(const std::string& session) const
{
    auto found = sessions_.find(session);
    return found == sessions_.end() ? nullptr : &found->second;
}

}  // namespace corvane
