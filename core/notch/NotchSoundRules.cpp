#include "core/notch/NotchSoundRules.h"

#include <algorithm>
#include <array>

namespace corvane {

namespace NotchSoundRules {

namespace {

constexpr std::array<std::string_view, 3> doneKinds = {"ai.finished", "timers.done", "shelf.exportFinished"};
constexpr std::array<std::string_view, 6> attentionKinds = {
    "ai.stuck", "calendar.meeting", "git.ciFail", "vitals.lowBattery", "audio.headphonesLowBattery", "keepAwake.battery",
};

template <std::size_t N>
bool contains(const std::array<std::string_view, N>& list, std::string_view kind)
{
    return std::find(list.begin(), list.end(), kind) != list.end();
}

}  // namespace

bool isDoneKind(std::string_view kind) { return contains(doneKinds, kind); }

bool isAttentionKind(std::string_view kind) { return contains(attentionKinds, kind); }

bool isPetRelevant(std::string_view kind) { return !kind.starts_with("pet.") && !kind.starts_with("app."); }

bool defaultOn(std::string_view kind) { return !isPetRelevant(kind) || isDoneKind(kind) || isAttentionKind(kind); }

std::optional<NotchSound> pick(std::string_view kind, bool byPet, bool soundSwitchOn, bool coalesced)
{
    if (!soundSwitchOn || coalesced)
        return std::nullopt;
    if (isDoneKind(kind))
        return NotchSound::success;
    return byPet ? NotchSound::petChime : NotchSound::earTick;
}

bool Limiter::allow(WallTime now)
{
    if (last && now.secondsSince(*last) < minimumGap)
        return false;
    last = now;
    return true;
}

std::optional<NotchSound> decide(std::string_view kind, bool byPet, bool soundSwitchOn, bool coalesced,
                                 const Context& context, Limiter& limiter, WallTime now)
{
    auto sound = pick(kind, byPet, soundSwitchOn, coalesced);
    if (!sound || context.silenced() || !limiter.allow(now))
        return std::nullopt;
    return sound;
}

double babbleMaxSeconds(PetVoice voice) { return voice == PetVoice::first ? 0.8 : 1.0; }

std::optional<PetReaction> react(const PetReaction& reaction, const Context& context, Limiter& limiter, WallTime now)
{
    if (context.silenced() || !limiter.allow(now))
        return std::nullopt;
    return reaction;
}

}  // namespace NotchSoundRules

}  // namespace corvane
