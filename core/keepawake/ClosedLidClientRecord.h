#pragma once
// The program the closed-lid helper serves: the user who installed it and
// the SHA-256 of that user's Lunebox executable. The installer writes it
// with root rights; the helper reads it at start and refuses every other
// peer.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

struct ClosedLidClientRecord {
    std::uint32_t uid = 0;
    std::string appSHA256;  // 64 lowercase hex digits

    std::string encoded() const;
    // None unless both fields are there and well formed.
    static std::optional<ClosedLidClientRecord> decode(std::string_view data);

    bool operator==(const ClosedLidClientRecord&) const = default;
};

// 64 lowercase hex digits.
bool isSHA256Hex(std::string_view text);

}  // namespace corvane
