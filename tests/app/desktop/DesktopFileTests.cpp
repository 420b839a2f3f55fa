#include <cstdlib>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "app/desktop/DesktopFile.h"
#include "tests/core/base/TemporaryFolder.h"

namespace DesktopFile = corvane::app::DesktopFile;
using corvane::testing::TemporaryFolder;

namespace {

constexpr std::string_view id = "com.lunebox.app.desktop";
constexpr std::string_view mime = "x-scheme-handler/lunebox";

}  // namespace

TEST(DesktopFile, plain_paths_stay_bare_and_reserved_characters_are_quoted_and_escaped_twice)
{
    EXPECT_EQ(DesktopFile::execArgument("/opt/lunebox/bin/lunebox"), "/opt/lunebox/bin/lunebox");
    EXPECT_EQ(DesktopFile::execArgument("/home/a b/lunebox"), "\"/home/a b/lunebox\"");
    // Quoting escapes $ with one backslash; the string rules double it.
    EXPECT_EQ(DesktopFile::execArgument("/x/$HOME/lunebox"), R"("/x/\\$HOME/lunebox")");
    EXPECT_EQ(DesktopFile::execArgument(R"(/x\y/lunebox)"), R"("/x\\\\y/lunebox")");
    EXPECT_FALSE(DesktopFile::execArgument("/x/100%/lunebox"));
    EXPECT_FALSE(DesktopFile::execArgument("/x/a\nExec=evil"));
    EXPECT_FALSE(DesktopFile::execArgument(""));
}

TEST(DesktopFile, the_rendered_file_validates_with_the_desktop_tools)
{
    if (std::system("command -v desktop-file-validate >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "desktop-file-validate is not installed";
    TemporaryFolder folder;
    auto text = DesktopFile::text(*DesktopFile::execArgument("/home/a b/$x/lunebox"));
    EXPECT_NE(text.find(R"(Exec="/home/a b/\\$x/lunebox" %u)"), std::string::npos) << text;
    auto file = folder / std::string(id);
    std::ofstream(file) << text;
    EXPECT_EQ(std::system(("desktop-file-validate '" + file.string() + "'").c_str()), 0);
}

TEST(DesktopFile, the_default_handler_is_added_or_replaced_in_its_section_and_other_lines_stay)
{
    // No file yet.
    EXPECT_EQ(DesktopFile::withDefaultHandler("", mime, id),
              "[Default Applications]\nx-scheme-handler/lunebox=com.lunebox.app.desktop\n");

    // Another handler is the default: replaced, neighbours untouched.
    std::string other = "[Added Associations]\nx-scheme-handler/lunebox=other.desktop;\n\n"
                        "[Default Applications]\ntext/html=firefox.desktop\n"
                        "x-scheme-handler/lunebox=other.desktop;com.lunebox.app.desktop;\n";
    EXPECT_EQ(DesktopFile::withDefaultHandler(other, mime, id),
              "[Added Associations]\nx-scheme-handler/lunebox=other.desktop;\n\n"
              "[Default Applications]\ntext/html=firefox.desktop\n"
              "x-scheme-handler/lunebox=com.lunebox.app.desktop\n");

    // The section exists without the key: the entry goes at its end, before the blank line.
    std::string withoutKey = "[Default Applications]\ntext/html=firefox.desktop\n\n[Removed Associations]\n";
    EXPECT_EQ(DesktopFile::withDefaultHandler(withoutKey, mime, id),
              "[Default Applications]\ntext/html=firefox.desktop\n"
              "x-scheme-handler/lunebox=com.lunebox.app.desktop\n\n[Removed Associations]\n");
}

TEST(DesktopFile, an_existing_default_for_us_leaves_the_list_alone)
{
    EXPECT_FALSE(DesktopFile::withDefaultHandler(
        "[Default Applications]\nx-scheme-handler/lunebox = com.lunebox.app.desktop;\n", mime, id));
}

TEST(DesktopFile, without_xdg_mime_registration_edits_mimeapps_list_and_a_second_run_changes_nothing)
{
    TemporaryFolder folder;
    corvane::ChildRegistry children;
    corvane::ProcessRunner runner(children);
    corvane::app::DesktopFileLocations locations{folder / "data/applications", folder / "config/mimeapps.list"};
    auto text = DesktopFile::text("/opt/lunebox/bin/lunebox");

    auto first = corvane::app::registerUrlHandler(locations, "com.lunebox.app", text, "", runner);
    ASSERT_TRUE(first.ok()) << first.error().message();
    EXPECT_TRUE(first->wroteDesktopFile);
    EXPECT_TRUE(first->changedDefault);
    std::ifstream list(locations.mimeappsList);
    std::string written((std::istreambuf_iterator<char>(list)), std::istreambuf_iterator<char>());
    EXPECT_EQ(written, "[Default Applications]\nx-scheme-handler/lunebox=com.lunebox.app.desktop\n");

    auto second = corvane::app::registerUrlHandler(locations, "com.lunebox.app", text, "", runner);
    ASSERT_TRUE(second.ok());
    EXPECT_FALSE(second->wroteDesktopFile);
    EXPECT_FALSE(second->changedDefault);
}
