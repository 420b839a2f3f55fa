#include "ui/Palette.h"

namespace corvane::ui::Palette {

QColor fromHex(std::string_view hex, const QColor& fallback)
{
    if (hex.size() != 7 || hex[0] != '#')
        return fallback;
    int channels[3] = {};
    for (int channel = 0; channel < 3; ++channel) {
        for (int i = 0; i < 2; ++i) {
            char c = hex[1 + channel * 2 + i];
            int digit = c >= '0' && c <= '9' ? c - '0'
                : c >= 'a' && c <= 'f'       ? c - 'a' + 10
                : c >= 'A' && c <= 'F'       ? c - 'A' + 10
                                             : -1;
            if (digit < 0)
                return fallback;
            channels[channel] = channels[channel] * 16 + digit;
        }
    }
    return QColor(channels[0], channels[1], channels[2]);
}

}  // namespace corvane::ui::Palette
