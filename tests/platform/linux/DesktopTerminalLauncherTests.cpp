// The terminal launcher with stand-in terminals: real shell scripts on a
// private PATH that write down their folder and arguments, so no window
// ever opens.

#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "platform/linux/DesktopTerminalLauncher.h"
#include "tests/core/base/TemporaryFolder.h"
#include "tests/platform/PrivateBus.h"

using namespace corvane;
using namespace corvane::platform;
using corvane::testing::TemporaryFolder;
using corvane::testing::waitUntil;
namespace fs = std::filesystem;

namespace {

struct Terminals {
    TemporaryFolder folder;
    fs::path bin = folder / "bin";
    fs::path log = folder / "calls";
    fs::path project = folder / "my project";

    Terminals()
    {
        fs::create_directories(bin);
        fs::create_directories(project);
    }

    // A terminal that notes the folder it started in and its arguments.
    void install(const std::string& name)
    {
        fs::path path = bin / name;
        std::ofstream(path) << "#!/bin/sh\n{ echo \"" << name << " in $(pwd)\"; printf '%s|' \"$@\"; echo; } >> '"
                            << log.string() << "'\n";
        fs::permissions(path, fs::perms::owner_all, fs::perm_options::replace);
    }

    std::string calls() const
    {
        std::ifstream in(log);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    DesktopTerminalLauncher::Environment environment(std::optional<std::string> terminal) const
    {
        return {std::move(terminal), bin.string()};
    }

    TerminalCommand command() const { return *TerminalCommand::make(project, {"claude", "--resume", "abc-123"}); }
};

}  // namespace

TEST(DesktopTerminalLauncher, runs_the_command_in_the_folder_through_the_terminal_named_by_TERMINAL)
{
    Terminals terminals;
    terminals.install("myterm");
    terminals.install("x-terminal-emulator");
    DesktopTerminalLauncher launcher(terminals.environment("myterm"));

    auto opened = launcher.open(terminals.command());
    ASSERT_TRUE(opened) << opened.error().message();
    EXPECT_EQ(*opened, "myterm");
    std::string expected = "myterm in " + terminals.project.string() + "\n-e|claude|--resume|abc-123|\n";
    EXPECT_TRUE(waitUntil([&] { return terminals.calls() == expected; })) << terminals.calls();
}

TEST(DesktopTerminalLauncher, an_unusable_TERMINAL_falls_back_to_the_desktop_default_then_the_known_terminals)
{
    Terminals terminals;
    terminals.install("konsole");
    terminals.install("gnome-terminal");
    // Not on PATH, a path, a command line with arguments, an option: none of them is run.
    for (std::optional<std::string> terminal :
         {std::optional<std::string>("missing"), std::optional<std::string>((terminals.bin / "konsole").string()),
          std::optional<std::string>("konsole --new-tab"), std::optional<std::string>("-e"),
          std::optional<std::string>()}) {
        auto choice = DesktopTerminalLauncher::choose(terminals.environment(terminal));
        ASSERT_TRUE(choice);
        EXPECT_EQ(choice->name, "gnome-terminal") << terminal.value_or("(unset)");
        EXPECT_EQ(choice->program, (terminals.bin / "gnome-terminal").string());
    }
    terminals.install("x-terminal-emulator");
    EXPECT_EQ(DesktopTerminalLauncher::choose(terminals.environment("missing"))->name, "x-terminal-emulator");

    auto opened = DesktopTerminalLauncher(terminals.environment(std::nullopt)).open(terminals.command());
    ASSERT_TRUE(opened);
    EXPECT_EQ(*opened, "x-terminal-emulator");
    std::string expected = "x-terminal-emulator in " + terminals.project.string() + "\n-e|claude|--resume|abc-123|\n";
    EXPECT_TRUE(waitUntil([&] { return terminals.calls() == expected; })) << terminals.calls();

    // gnome-terminal is told the folder: a running server would not start in ours.
    EXPECT_EQ(DesktopTerminalLauncher::arguments("gnome-terminal", terminals.command()),
              (std::vector<std::string>{"--working-directory=" + terminals.project.string(), "--", "claude", "--resume",
                                        "abc-123"}));
    EXPECT_EQ(DesktopTerminalLauncher::arguments("konsole", terminals.command()),
              (std::vector<std::string>{"--workdir", terminals.project.string(), "-e", "claude", "--resume", "abc-123"}));
}

TEST(DesktopTerminalLauncher, without_any_terminal_it_says_so_and_runs_nothing)
{
    Terminals terminals;
    // A terminal that is not executable does not count.
    std::ofstream(terminals.bin / "xfce4-terminal") << "#!/bin/sh\n";
    // Nor does one found only through a relative PATH entry: it would run
    // from whatever folder the terminal starts in.
    terminals.install("myterm");
    fs::path was = fs::current_path();
    fs::current_path(terminals.folder.path());
    bool chosen = DesktopTerminalLauncher::choose({"myterm", "bin"}).has_value();
    fs::current_path(was);
    EXPECT_FALSE(chosen);

    auto opened = DesktopTerminalLauncher(terminals.environment("missing")).open(terminals.command());
    ASSERT_FALSE(opened);
    EXPECT_EQ(opened.error().code, Error::Code::Unavailable);
}
