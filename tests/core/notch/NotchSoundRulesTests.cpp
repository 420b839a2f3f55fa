#include <gtest/gtest.h>

#include "core/notch/NotchSoundRules.h"

using namespace corvane;
namespace Rules = corvane::NotchSoundRules;

namespace {
WallTime at(double seconds) { return WallTime::fromUnixSeconds(1'700'000'000 + seconds); }
}  // namespace

TEST(NotchSoundRules, only_finishing_and_urgent_module_kinds_chime_by_default)
{
    EXPECT_TRUE(Rules::defaultOn("ai.finished"));
    EXPECT_FALSE(Rules::defaultOn("ai.working"));
    EXPECT_FALSE(Rules::defaultOn("clipboard.copied"));
    EXPECT_TRUE(Rules::defaultOn("pet.chatAnswer"));
}

TEST(NotchSoundRules, silence_wins_and_does_not_use_up_the_limiter)
{
    Rules::Limiter limiter;
    for (Rules::Context silent : {Rules::Context{false, false, false, false}, Rules::Context{true, true, false, false},
                                  Rules::Context{true, false, true, false}, Rules::Context{true, false, false, true}})
        EXPECT_EQ(Rules::decide("ai.finished", false, true, false, silent, limiter, at(0)), std::nullopt);
    EXPECT_FALSE(limiter.last);

    auto babble = Rules::PetReaction::babble(PetVoice::first);
    EXPECT_EQ(Rules::react(babble, {}, limiter, at(1)), babble);
    EXPECT_EQ(babble.babbleSeconds, 0.8);
    EXPECT_EQ(Rules::PetReaction::babble(PetVoice::second).babbleSeconds, 1.0);
    EXPECT_EQ(Rules::react(Rules::PetReaction::playing(NotchSound::petNom), {}, limiter, at(2)), std::nullopt);
}
