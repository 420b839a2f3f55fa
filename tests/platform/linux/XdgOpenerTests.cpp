// The opener against a file manager served on a private bus, with a
// stand-in for xdg-open: a real shell script that writes down its
// arguments, so nothing on the machine is ever opened.

#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include <QStringList>

#include "platform/linux/XdgOpener.h"
#include "tests/core/base/TemporaryFolder.h"
#include "tests/platform/PrivateBus.h"

using namespace corvane;
using namespace corvane::platform;
using corvane::testing::FakeObject;
using corvane::testing::PrivateBus;
using corvane::testing::TemporaryFolder;
using corvane::testing::waitUntil;
namespace fs = std::filesystem;

namespace {

// A stand-in xdg-open: one line per call with its arguments.
struct RecordingProgram {
    explicit RecordingProgram(const TemporaryFolder& folder) : path(folder / "xdg-open"), log(folder / "calls")
    {
        std::ofstream(path) << "#!/bin/sh\nprintf '%s|' \"$@\" >> '" << log.string() << "'\necho >> '" << log.string()
                            << "'\n";
        fs::permissions(path, fs::perms::owner_all, fs::perm_options::replace);
    }
    std::string calls() const
    {
        std::ifstream in(log);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    fs::path path;
    fs::path log;
};

}  // namespace

TEST(XdgOpener, opens_the_checked_target_as_the_only_argument_of_a_detached_opener)
{
    PrivateBus bus;
    ASSERT_TRUE(bus.isRunning()) << bus.failure().toStdString();
    TemporaryFolder folder;
    RecordingProgram program(folder);
    std::ofstream(folder / "notes.txt") << "notes";
    XdgOpener opener(bus.connect(), program.path.string());

    ASSERT_TRUE(opener.open(*OpenTarget::webAddress("https://example.com/a?b=c")).ok());
    ASSERT_TRUE(opener.open(*OpenTarget::file((folder / "notes.txt").string())).ok());
    std::string expected = "https://example.com/a?b=c|\n" + (folder / "notes.txt").string() + "|\n";
    EXPECT_TRUE(waitUntil([&] { return program.calls() == expected; })) << program.calls();

    XdgOpener missing(bus.connect(), "lunebox-no-such-opener");
    auto failed = missing.open(*OpenTarget::webAddress("https://example.com/"));
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(failed.error().code, Error::Code::Unavailable);
}

TEST(XdgOpener, reveal_asks_the_file_manager_and_opens_the_folder_when_none_answers)
{
    PrivateBus bus;
    ASSERT_TRUE(bus.isRunning()) << bus.failure().toStdString();
    TemporaryFolder folder;
    RecordingProgram program(folder);
    fs::create_directory(folder / "out dir");
    std::ofstream(folder / "out dir" / "build.log") << "ok";

    // No file manager on the bus: the folder opens instead.
    XdgOpener alone(bus.connect(), program.path.string(), 2000);
    alone.reveal({folder / "out dir" / "build.log"});
    EXPECT_TRUE(waitUntil([&] { return program.calls() == (folder / "out dir").string() + "|\n"; })) << program.calls();

    FakeObject manager([](const QDBusMessage& call) -> std::optional<QDBusMessage> { return call.createReply(); });
    ASSERT_TRUE(bus.serve(XdgOpener::fileManagerService, XdgOpener::fileManagerPath, manager));
    XdgOpener opener(bus.connect(), program.path.string());
    opener.reveal({folder / "out dir" / "build.log", folder / "xdg-open"});
    ASSERT_TRUE(waitUntil([&] { return manager.calls.size() == 1; }));
    const QDBusMessage& call = manager.calls[0];
    EXPECT_EQ(call.interface(), XdgOpener::fileManagerInterface);
    EXPECT_EQ(call.member(), "ShowItems");
    EXPECT_EQ(call.arguments().value(0).toStringList(),
              (QStringList{QString::fromStdString("file://" + (folder / "out%20dir" / "build.log").string()),
                           QString::fromStdString("file://" + (folder / "xdg-open").string())}));
    EXPECT_EQ(call.arguments().value(1).toString(), QString());
    // The file manager answered: nothing else was opened, however long one waits.
    (void)waitUntil([] { return false; }, 300);
    EXPECT_EQ(program.calls(), (folder / "out dir").string() + "|\n");
}
