#pragma once
// A plain byte-substring test, the cheap pre-filter that keeps most
// transcript lines away from the JSON decoder. Vectorised because it sees
// every byte of every transcript; glibc's memmem costs noticeably more.

#include <initializer_list>
#include <string_view>

namespace corvane {

bool containsBytes(std::string_view haystack, std::string_view needle);
// Whether any of the needles occurs, in one pass over the haystack.
bool containsAnyBytes(std::string_view haystack, std::initializer_list<std::string_view> needles);

}  // namespace corvane
