#pragma once
// A plain byte-substring test, the cheap pre-filter that keeps most
// transcript lines away from the JSON decoder. Vectorised because it sees
// every byte of every transcript; glibc's memmem costs noticeably more.

#include <string_view>

namespace corvane {

bool containsBytes(std::string_view haystack, std::string_view needle);

}  // namespace corvane
