#include <fstream>

#include <gtest/gtest.h>

#include "platform/TerminalLauncher.h"
#include "tests/core/base/TemporaryFolder.h"

using corvane::platform::shellQuoted;
using corvane::platform::TerminalCommand;
using corvane::testing::TemporaryFolder;
namespace fs = std::filesystem;

TEST(TerminalCommand, only_an_existing_absolute_folder_and_plain_words_make_a_command)
{
    TemporaryFolder folder;
    std::ofstream(folder / "file") << "x";
    const std::vector<std::string> words{"claude", "--resume", "0d5e7c1a-2b3c"};
    ASSERT_TRUE(TerminalCommand::make(folder.path(), words));

    EXPECT_FALSE(TerminalCommand::make("relative/folder", words));
    EXPECT_FALSE(TerminalCommand::make(folder / "missing", words));
    EXPECT_FALSE(TerminalCommand::make(folder / "file", words));
    EXPECT_FALSE(TerminalCommand::make(folder.path(), {}));
    EXPECT_FALSE(TerminalCommand::make(folder.path(), {"claude", ""}));
    EXPECT_FALSE(TerminalCommand::make(folder.path(), {"--help"}));
    EXPECT_FALSE(TerminalCommand::make(folder.path(), {"claude", "--resume", "id\n; rm -rf ~"}));

    // A folder whose name carries a line break exists, yet never reaches a command line.
    fs::create_directory(folder / "evil\nname");
    EXPECT_FALSE(TerminalCommand::make(folder / "evil\nname", words));
}

TEST(TerminalCommand, the_shell_line_quotes_what_a_shell_would_read_specially)
{
    TemporaryFolder folder;
    fs::path odd = folder / "it's $HOME; a `folder`";
    fs::create_directory(odd);
    auto command = TerminalCommand::make(odd, {"codex", "resume", "019a-44"});
    ASSERT_TRUE(command);
    EXPECT_EQ(command->shellLine(), "cd '" + folder.path().string() + "/it'\\''s $HOME; a `folder`' && codex resume 019a-44");

    EXPECT_EQ(shellQuoted("plain-word_1.2"), "plain-word_1.2");
    EXPECT_EQ(shellQuoted(""), "''");
    EXPECT_EQ(shellQuoted("a b"), "'a b'");
}
