#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>

#include <unistd.h>

#include <gtest/gtest.h>

#include "app/desktop/SingleInstance.h"
#include "tests/app/QtTestApplication.h"
#include "tests/core/base/TemporaryFolder.h"

using corvane::app::runtimeFolder;
using corvane::app::SingleInstance;
using corvane::testing::runEventsUntil;
using corvane::testing::TemporaryFolder;
namespace fs = std::filesystem;

namespace {

// Sets (or unsets) an environment variable until the end of the scope.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::optional<std::string>& value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        set(value);
    }
    ~ScopedVariable() { set(old_); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    void set(const std::optional<std::string>& value) const
    {
        if (value)
            ::setenv(name_, value->c_str(), 1);
        else
            ::unsetenv(name_);
    }

    const char* name_;
    std::optional<std::string> old_;
};

}  // namespace

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

TEST(SingleInstance, a_runtime_folder_that_is_missing_or_not_private_gives_way_to_the_temporary_one)
{
    TemporaryFolder folder;
    fs::create_directory(folder / "tmp");
    ScopedVariable temp("TMPDIR", (folder / "tmp").string());
    const fs::path fallback = folder / "tmp" / ("lunebox-" + std::to_string(::getuid()));
    const fs::path runtime = folder / "runtime";
    fs::create_directory(runtime);
    fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);

    auto folderWith = [](const std::optional<std::string>& xdgRuntimeDir) {
        ScopedVariable variable("XDG_RUNTIME_DIR", xdgRuntimeDir);
        auto chosen = runtimeFolder();
        return chosen ? chosen->string() : "error: " + chosen.error().message();
    };
    EXPECT_EQ(folderWith(runtime.string()), runtime.string());
    EXPECT_EQ(folderWith(std::nullopt), fallback.string());
    EXPECT_EQ(fs::status(fallback).permissions(), fs::perms::owner_all);
    EXPECT_EQ(folderWith((folder / "gone").string()), fallback.string());
    EXPECT_EQ(folderWith("relative/runtime"), fallback.string());

    fs::permissions(runtime, fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read
                    | fs::perms::others_exec, fs::perm_options::add);
    EXPECT_EQ(folderWith(runtime.string()), fallback.string()) << "others can enter it";
    if (::getuid() == 0) {
        fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
        ASSERT_EQ(::chown(runtime.c_str(), 65534, 65534), 0);
        EXPECT_EQ(folderWith(runtime.string()), fallback.string()) << "someone else's";
    }

    // The fallback lives in a shared folder: one that others can enter is never used.
    fs::permissions(fallback, fs::perms::others_exec, fs::perm_options::add);
    EXPECT_EQ(folderWith((folder / "gone").string()).rfind("error: ", 0), 0u);
}
