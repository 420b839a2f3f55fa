#include "core/notch/AlertCardPlan.h"

namespace corvane {

std::optional<Brand> AlertCardPlan::recogniseBrand(std::string_view kind, std::string_view text)
{
    if (auto brand = AgentBrand::inText(text))
        return brand;
    // Kinds are dotted ("claude.notify"); dots separate words as well as spaces do.
    return AgentBrand::inText(kind);
}

std::string AlertCardPlan::tint(std::optional<Brand> brand, std::string_view fallbackHex)
{
    if (brand == Brand::claude)
        return std::string(claudeTint);
    if (brand == Brand::codex)
        return std::string(codexTint);
    return std::string(fallbackHex);
}

void AlertCardPlan::applyBrand(std::string_view kind, std::string_view text)
{
    if (auto recognised = recogniseBrand(kind, text))
        brand = recognised;
    tintHex = tint(brand, tintHex);
}

}  // namespace corvane
