#pragma once
// Decides whether one process is work that keeps the machine awake: a
// coding agent, a build, or something the user named. Pure: the scanner
// hands it what it read from the process table.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/keepawake/WorkloadRule.h"

namespace corvane::WorkloadMatcher {

// The built-in rules, agents first, then builds; the user's rules follow them.
const std::vector<WorkloadRule>& defaultRules();

// The lowercased names a process goes by: its own name, the last path
// component of its first two arguments and of the first further argument
// that is not an option, and the tool folder of a version-managed install
// (".../claude/versions/2.1.0" also gives "claude").
std::vector<std::string> candidateNames(std::string_view name, const std::vector<std::string>& argv);

// The first rule the process matches, as a workload of that rule's kind
// labelled with its `match`. `cpu` is the percent of one core since the last
// scan, -1 when unknown; a rule with a CPU threshold never matches then.
std::optional<Workload> match(std::int32_t pid, std::string_view name, const std::vector<std::string>& argv,
                              double cpu, const std::vector<WorkloadRule>& rules);

// Whether a process of this name is worth reading further (its arguments,
// its CPU time): the name could satisfy a rule, or it is a name under which
// the tools run (an interpreter, a version-named executable).
bool worthExamining(std::string_view name, const std::vector<WorkloadRule>& rules);

}  // namespace corvane::WorkloadMatcher
