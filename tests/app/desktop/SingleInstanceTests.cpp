#include <chrono>
#include <fstream>
#include <optional>
#include <thread>

#include <gtest/gtest.h>

#include "app/desktop/SingleInstance.h"
#include "tests/app/QtTestApplication.h"
#include "tests/core/base/TemporaryFolder.h"

using corvane::app::SingleInstance;
using corvane::testing::runEventsUntil;
using corvane::testing::TemporaryFolder;

TEST(SingleInstance, the_lock_makes_a_second_claim_secondary_and_its_arguments_reach_the_first)
{
    TemporaryFolder folder;
    // A socket file left by a crashed run must not stand in the way.
    std::ofstream(folder / "com.lunebox.test.socket") << "stale";

    SingleInstance first(folder.path(), "com.lunebox.test");
    ASSERT_EQ(*first.claim(), SingleInstance::Role::Primary);
    ASSERT_TRUE(first.listen());
    std::optional<QStringList> received;
    QObject::connect(&first, &SingleInstance::argumentsReceived, [&](const QStringList& arguments) { received = arguments; });

    SingleInstance second(folder.path(), "com.lunebox.test");
    ASSERT_EQ(*second.claim(), SingleInstance::Role::Secondary);
    // The later launch blocks on its socket; the first answers from its event loop.
    std::optional<bool> delivered;
    std::thread launch([&] {
        delivered = second.handOff({"lunebox://quiet?on=1", "ümlaut \"quoted\""}, std::chrono::seconds(10)).ok();
    });
    bool done = runEventsUntil([&] { return received.has_value() && delivered.has_value(); });
    launch.join();

    ASSERT_TRUE(done);
    EXPECT_TRUE(*delivered);
    EXPECT_EQ(*received, (QStringList{"lunebox://quiet?on=1", "ümlaut \"quoted\""}));
}

TEST(SingleInstance, a_hand_off_with_nobody_listening_fails_within_its_time)
{
    TemporaryFolder folder;
    SingleInstance lonely(folder.path(), "com.lunebox.test");

    auto started = std::chrono::steady_clock::now();
    auto result = lonely.handOff({"lunebox://quiet?on=1"}, std::chrono::milliseconds(300));

    EXPECT_FALSE(result.ok());
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));
}

TEST(SingleInstance, only_a_short_array_of_strings_decodes)
{
    EXPECT_EQ(SingleInstance::decode(SingleInstance::encode({})), QStringList{});
    EXPECT_FALSE(SingleInstance::decode("[\"a\", 1]"));
    EXPECT_FALSE(SingleInstance::decode("{\"a\": \"b\"}"));
    EXPECT_FALSE(SingleInstance::decode("[\"a\""));
    QStringList many;
    for (int i = 0; i <= SingleInstance::maxArguments; ++i)
        many << "x";
    EXPECT_FALSE(SingleInstance::decode(SingleInstance::encode(many)));
    EXPECT_FALSE(SingleInstance::decode("[\"" + QByteArray(SingleInstance::maxMessageBytes, 'a') + "\"]"));
}
