#include "core/agents/LimitAlerts.h"

#include "core/agents/LimitPace.h"

namespace corvane::LimitAlerts {

namespace {

std::string heading(std::optional<AIProviderID> provider, std::string_view windowLabel)
{
    if (!provider)
        return std::string(windowLabel);
    return std::string(title(*provider)) + " · " + std::string(windowLabel);
}

AlertPost made(std::string kind, std::string title, std::string headline, std::string_view symbol)
{
    AlertPost post;
    post.kind = std::move(kind);
    post.title = std::move(title);
    post.body = headline;
    post.key = post.kind + " " + post.title;
    AlertCardPlan card;
    card.symbol = std::string(symbol);
    card.tintHex = std::string(tint);
    card.eyebrow = post.title;
    card.headline = std::move(headline);
    card.primary = AlertCardPlan::Primary::open(std::string(moduleID));
    card.applyBrand(post.kind, post.title);
    post.card = std::move(card);
    post.ear = EarPayload{std::string(symbol), post.title};
    return post;
}

}  // namespace

std::string kind(LimitAlertTracker::Level level) { return "ai.limit" + std::string(levelName(level)); }

AlertPost crossed(AIProviderID provider, const UsageWindow& window, LimitAlertTracker::Level level, double percent,
                  WallTime now, const Calendar& calendar)
{
    std::string headline = LimitWindowText::percent(percent) + " of the " + window.label
                           + (percent >= LimitAlertTracker::reachedPercent ? " limit reached" : " limit");
    AlertPost post = made(kind(level), heading(provider, window.label), headline, crossedSymbol);
    post.card->badge = std::string(levelName(level));
    if (window.resetsAt) {
        std::string resets = "Resets " + LimitPace::moment(*window.resetsAt, now, calendar);
        post.card->context = resets;
        *post.body += " · " + resets;
    }
    post.ear = EarPayload{std::string(crossedSymbol),
                          LimitWindowText::compactLabel(window.label) + " " + LimitWindowText::percent(percent)};
    return post;
}

AlertPost reset(std::optional<AIProviderID> provider, std::string_view windowLabel)
{
    return made(std::string(resetKind), heading(provider, windowLabel), "Reset", resetSymbol);
}

AlertPost post(const LimitIngest::Fired& fired, WallTime now, const Calendar& calendar)
{
    if (fired.alert.kind == LimitAlertTracker::Alert::Kind::reset)
        return reset(fired.provider, fired.window.label);
    return crossed(fired.provider, fired.window, fired.alert.level, fired.alert.percent, now, calendar);
}

}  // namespace corvane::LimitAlerts
