#include <gtest/gtest.h>

#include "core/notch/EntryCommand.h"

using corvane::EntryCommand;
using Mode = EntryCommand::Mode;

TEST(EntryCommand, status_anywhere_wins_over_everything_else)
{
    EXPECT_EQ(EntryCommand::parse({"lunebox", "--json", "--status"}).mode, Mode::Status);
    EXPECT_EQ(EntryCommand::parse({"lunebox", "--snapshots", "/tmp/x", "--status"}).mode, Mode::Status);
    EXPECT_EQ(EntryCommand::parse({"lunebox", "--usage", "--status"}).mode, Mode::Status);
}

TEST(EntryCommand, usage_prints_a_table_unless_json_is_asked_for)
{
    EXPECT_EQ(EntryCommand::parse({"lunebox", "--usage"}), (EntryCommand{Mode::Usage, {}, false, {}}));
    EXPECT_EQ(EntryCommand::parse({"lunebox", "--json", "--usage"}), (EntryCommand{Mode::Usage, {}, true, {}}));
}

TEST(EntryCommand, snapshots_needs_a_folder_after_it)
{
    EXPECT_EQ(EntryCommand::parse({"lunebox", "--snapshots", "/tmp/out"}), (EntryCommand{Mode::Snapshots, "/tmp/out", false, {}}));
    EXPECT_EQ(EntryCommand::parse({"lunebox", "--snapshots"}).mode, Mode::App);
    EXPECT_EQ(EntryCommand::parse({"lunebox"}).mode, Mode::App);
}

TEST(EntryCommand, connect_and_disconnect_take_the_integration_after_them)
{
    EXPECT_EQ(EntryCommand::parse({"lunebox", "--integrations"}).mode, Mode::Integrations);
    EXPECT_EQ(EntryCommand::parse({"lunebox", "--connect", "claude.hooks"}),
              (EntryCommand{Mode::Connect, {}, false, "claude.hooks"}));
    EXPECT_EQ(EntryCommand::parse({"lunebox", "--disconnect", "shell.commandHook"}),
              (EntryCommand{Mode::Disconnect, {}, false, "shell.commandHook"}));
    // Without one the command says which ids there are rather than starting the app.
    EXPECT_EQ(EntryCommand::parse({"lunebox", "--connect"}), (EntryCommand{Mode::Connect, {}, false, {}}));
}
