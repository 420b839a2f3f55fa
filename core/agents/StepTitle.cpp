#include "core/agents/StepTitle.h"

#include <algorithm>
#include <set>

#include <fmt/format.h>

namespace corvane {

namespace {

using Kind = AgentStepKind;

// The text for a step with or without its subject.
std::string phrase(std::string_view withSubject, std::string_view without, const std::optional<std::string>& subject)
{
    if (subject && !subject->empty())
        return std::string(withSubject) + *subject;
    return std::string(without);
}

bool namesFiles(Kind kind) { return kind == Kind::edit || kind == Kind::write || kind == Kind::read; }

}  // namespace

std::string StepTitle::live(const AgentStep& step)
{
    switch (step.kind) {
    case Kind::edit:
        return phrase("Editing ", "Editing a file", step.subject);
    case Kind::write:
        return phrase("Writing ", "Writing a file", step.subject);
    case Kind::read:
        return phrase("Reading ", "Reading a file", step.subject);
    case Kind::search:
        return "Searching the code";
    case Kind::command:
    case Kind::git:
        return phrase("Running ", "Running a command", step.subject);
    case Kind::test:
        return "Running tests";
    case Kind::build:
        return "Building";
    case Kind::install:
        return "Installing packages";
    case Kind::web:
        return "Reading the web";
    case Kind::agent:
        return "Running a subagent";
    case Kind::plan:
        return "Updating its plan";
    case Kind::tool:
        return phrase("Using ", "Using a tool", step.subject);
    }
    return {};
}

std::string StepTitle::done(const AgentStep& step)
{
    switch (step.kind) {
    case Kind::edit:
        return phrase("Edited ", "Edited a file", step.subject);
    case Kind::write:
        return phrase("Wrote ", "Wrote a file", step.subject);
    case Kind::read:
        return phrase("Read ", "Read a file", step.subject);
    case Kind::search:
        return "Searched the code";
    case Kind::command:
    case Kind::git:
        return phrase("Ran ", "Ran a command", step.subject);
    case Kind::test:
        return "Ran tests";
    case Kind::build:
        return "Built";
    case Kind::install:
        return "Installed packages";
    case Kind::web:
        return "Read the web";
    case Kind::agent:
        return "Ran a subagent";
    case Kind::plan:
        return "Updated its plan";
    case Kind::tool:
        return phrase("Used ", "Used a tool", step.subject);
    }
    return {};
}

std::string StepTitle::waitingFor(const std::optional<AgentStep>& step)
{
    if (!step)
        return "Waiting for your reply";
    switch (step->kind) {
    case Kind::edit:
    case Kind::write:
        return "Approve file edit";
    case Kind::read:
    case Kind::search:
        return "Approve file access";
    case Kind::command:
    case Kind::git:
        return phrase("Approve ", "Approve command", step->subject);
    case Kind::test:
        return "Approve test run";
    case Kind::build:
        return "Approve build";
    case Kind::install:
        return "Approve package install";
    case Kind::web:
        return "Approve web access";
    case Kind::agent:
        return "Approve subagent";
    case Kind::plan:
        return "Waiting for your reply";
    case Kind::tool:
        return phrase("Approve ", "Approve tool", step->subject);
    }
    return {};
}

std::vector<StepTitle::Line> StepTitle::recent(const std::vector<AgentStep>& steps, std::size_t limit)
{
    std::vector<Line> lines;
    for (auto step = steps.rbegin(); step != steps.rend() && lines.size() < limit;) {
        auto runEnd = std::find_if(step, steps.rend(), [&](const AgentStep& s) { return s.kind != step->kind; });
        Line line{step->kind, done(*step), static_cast<std::size_t>(runEnd - step), false, step->at};
        std::set<std::string> files;
        for (auto it = step; it != runEnd; ++it) {
            line.failed = line.failed || it->failed.value_or(false);
            if (it->subject)
                files.insert(*it->subject);
        }
        if (namesFiles(step->kind) && files.size() > 1) {
            AgentStep merged = *step;
            merged.subject = fmt::format("{} files", files.size());
            line.text = done(merged);
        }
        lines.push_back(std::move(line));
        step = runEnd;
    }
    return lines;
}

}  // namespace corvane
