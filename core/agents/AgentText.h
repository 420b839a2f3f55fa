#pragma once
// Text helpers for what the agents surface shows: session titles, project
// names and search queries. Text is UTF-8; cuts never split a character.

#include <cstddef>
#include <string>
#include <string_view>

namespace corvane::AgentText {

// Runs of white space and control characters become one blank; the result
// is trimmed. Ill-formed UTF-8 is repaired first.
std::string collapsed(std::string_view text);

// Whether `needle` occurs in `text`, ignoring case by Unicode's simple case
// mapping (É matches é, Σ matches σ). An empty needle is always found.
bool containsIgnoringCase(std::string_view text, std::string_view needle);

}  // namespace corvane::AgentText
