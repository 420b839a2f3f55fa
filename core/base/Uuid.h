#pragma once
// Random (version 4) UUIDs for records that need an identity of their own,
// written the way the stores have always held them: upper-case hex in the
// 8-4-4-4-12 form.

#include <array>
#include <compare>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

class Uuid {
public:
    // A fresh version 4 UUID from the system's entropy source.
    static Uuid random();
    // Accepts either case; nothing for any other shape.
    static std::optional<Uuid> parse(std::string_view text);

    // "E621E1F8-C36C-495A-93FC-0C247A3E6E5F"
    std::string string() const;
    const std::array<std::uint8_t, 16>& bytes() const { return bytes_; }

    auto operator<=>(const Uuid&) const = default;

private:
    explicit Uuid(const std::array<std::uint8_t, 16>& bytes) : bytes_(bytes) {}
    std::array<std::uint8_t, 16> bytes_;
};

std::ostream& operator<<(std::ostream& out, const Uuid& id);

}  // namespace corvane
