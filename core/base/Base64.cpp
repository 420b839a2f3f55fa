#include "core/base/Base64.h"

#include <array>
#include <cstdint>

namespace corvane {

namespace {

constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<std::int8_t, 256> decodingTable()
{
    std::array<std::int8_t, 256> table{};
    table.fill(-1);
    for (int i = 0; i < 64; ++i)
        table[static_cast<unsigned char>(alphabet[i])] = static_cast<std::int8_t>(i);
    return table;
}

constexpr auto sextets = decodingTable();

}  // namespace

std::string base64Encode(std::string_view bytes)
{
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        std::uint32_t group = static_cast<unsigned char>(bytes[i]) << 16 | static_cast<unsigned char>(bytes[i + 1]) << 8
            | static_cast<unsigned char>(bytes[i + 2]);
        out += alphabet[group >> 18 & 63];
        out += alphabet[group >> 12 & 63];
        out += alphabet[group >> 6 & 63];
        out += alphabet[group & 63];
    }
    std::size_t rest = bytes.size() - i;
    if (rest > 0) {
        std::uint32_t group = static_cast<unsigned char>(bytes[i]) << 16;
        if (rest == 2)
            group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        out += alphabet[group >> 18 & 63];
        out += alphabet[group >> 12 & 63];
        out += rest == 2 ? alphabet[group >> 6 & 63] : '=';
        out += '=';
    }
    return out;
}

std::optional<std::string> base64Decode(std::string_view text)
{
    if (text.size() % 4 != 0)
        return std::nullopt;
    std::size_t padding = 0;
    if (!text.empty() && text.back() == '=')
        padding = text[text.size() - 2] == '=' ? 2 : 1;
    std::string out;
    out.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        bool last = i + 4 == text.size();
        std::uint32_t group = 0;
        for (std::size_t j = 0; j < 4; ++j) {
            char c = text[i + j];
            std::int8_t value = sextets[static_cast<unsigned char>(c)];
            bool padded = last && j >= 4 - padding;
            if (padded)
                value = 0;
            else if (value < 0)
                return std::nullopt;  // a foreign character, or "=" before the end
            group = group << 6 | static_cast<std::uint32_t>(value);
        }
        out += static_cast<char>(group >> 16 & 0xff);
        if (!last || padding < 2)
            out += static_cast<char>(group >> 8 & 0xff);
        if (!last || padding < 1)
            out += static_cast<char>(group & 0xff);
    }
    return out;
}

}  // namespace corvane
