#include <cstdlib>
#include <fstream>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/base/Files.h"
#include "core/notch/FileDefaultsDomain.h"
#include "tests/core/base/TemporaryFolder.h"

using namespace corvane;
using corvane::testing::TemporaryFolder;
using Value = DefaultsDomain::Value;

namespace {

const WallTime noon = WallTime::fromUnixSeconds(1772366400);  // 2026-03-01T12:00:00Z

Json readDocument(const std::filesystem::path& path) { return Json::parse(*readFileCapped(path, 1 << 20)); }

}  // namespace

TEST(FileDefaultsDomain, entries_read_back_byte_for_byte_from_a_readable_private_file)
{
    TemporaryFolder folder;
    auto path = folder / "config/Lunebox/defaults.json";
    {
        FileDefaultsDomain domain(path);
        ASSERT_TRUE(domain.setData("corvane.general.hoverDelayMs", "200").ok());
        ASSERT_TRUE(domain.setData("corvane.odd.spacing", "{ \"a\": 1e5 }").ok());
        ASSERT_TRUE(domain.setData("corvane.odd.binary", std::string("\x00\xff", 2)).ok());
        ASSERT_TRUE(domain.setPlain("corvane.internal.legacyMigrated", true).ok());
    }
    Json document = readDocument(path);
    EXPECT_EQ(document["settings"]["corvane.general.hoverDelayMs"], 200) << "settings stay readable JSON";
    EXPECT_EQ(document["data"]["corvane.odd.spacing"], "eyAiYSI6IDFlNSB9");
    EXPECT_EQ(document["plain"]["corvane.internal.legacyMigrated"], true);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    FileDefaultsDomain reopened(path);
    EXPECT_EQ(reopened.data("corvane.general.hoverDelayMs"), "200");
    EXPECT_EQ(reopened.data("corvane.odd.spacing"), "{ \"a\": 1e5 }");
    EXPECT_EQ(reopened.data("corvane.odd.binary"), std::string("\x00\xff", 2));
    EXPECT_TRUE(reopened.plainFlag("corvane.internal.legacyMigrated"));
    EXPECT_EQ(reopened.data("corvane.internal.legacyMigrated"), std::nullopt) << "plain entries are not data";
}

TEST(FileDefaultsDomain, a_file_that_does_not_parse_is_moved_aside_and_the_domain_starts_empty)
{
    TemporaryFolder folder;
    auto path = folder / "defaults.json";
    std::ofstream(path) << "{\"settings\": {\"corvane.a\": 1";
    ManualClock clock(noon);
    FileDefaultsDomain domain(path, clock, Calendar::utc());
    EXPECT_TRUE(domain.keys().empty());
    ASSERT_TRUE(domain.quarantinedTo().has_value());
    EXPECT_EQ(domain.quarantinedTo()->filename(), "defaults.json.corrupt-20260301-120000");
    EXPECT_EQ(*readFileCapped(*domain.quarantinedTo(), 1024), "{\"settings\": {\"corvane.a\": 1");

    ASSERT_TRUE(domain.setData("corvane.b", "true").ok());
    EXPECT_EQ(FileDefaultsDomain(path).data("corvane.b"), "true");
}

TEST(FileDefaultsDomain, malformed_members_are_dropped_one_by_one)
{
    Json document = {{"settings", {{"corvane.a", 1}}},
                     {"data", {{"corvane.b", "not base64!"}, {"corvane.c", 5}, {"corvane.d", "dHJ1ZQ=="}}},
                     {"plain", "not an object"}};
    auto entries = FileDefaultsDomain::decodeDocument(document);
    ASSERT_TRUE(entries.has_value());
    EXPECT_EQ(*entries, (std::map<std::string, Value>{{"corvane.a", DefaultsDomain::Data{"1"}},
                                                      {"corvane.d", DefaultsDomain::Data{"true"}}}));
    EXPECT_EQ(FileDefaultsDomain::decodeDocument(Json::array()), std::nullopt);
}

TEST(FileDefaultsDomain, changes_written_by_another_process_are_seen_reported_and_kept)
{
    TemporaryFolder folder;
    auto path = folder / "defaults.json";
    FileDefaultsDomain domain(path);
    ASSERT_TRUE(domain.setData("corvane.mine", "1").ok());
    std::vector<std::string> reported;
    domain.setExternalChangeHandler([&](const std::vector<std::string>& keys) {
        reported.insert(reported.end(), keys.begin(), keys.end());
    });

    // Another process replaces the file the way every writer does: a new file renamed over it.
    std::string command = "cd '" + folder.path().string()
        + "' && printf '%s' '{\"settings\": {\"corvane.mine\": 1, \"corvane.theirs\": true}}' > .next"
          " && mv .next defaults.json";
    ASSERT_EQ(std::system(command.c_str()), 0);

    EXPECT_EQ(domain.data("corvane.theirs"), "true") << "a read notices the new file";
    EXPECT_EQ(reported, std::vector<std::string>{"corvane.theirs"});
    EXPECT_TRUE(domain.reloadIfChanged().empty()) << "nothing new since";

    ASSERT_TRUE(domain.setData("corvane.later", "2").ok());
    EXPECT_EQ(FileDefaultsDomain(path).data("corvane.theirs"), "true") << "our write keeps their entry";

    FileDefaultsDomain other(path);
    ASSERT_TRUE(other.remove("corvane.mine").ok());
    EXPECT_EQ(domain.reloadIfChanged(), std::vector<std::string>{"corvane.mine"});
    EXPECT_EQ(domain.data("corvane.mine"), std::nullopt);
}
