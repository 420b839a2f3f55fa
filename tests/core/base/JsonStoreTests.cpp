#include <fstream>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/base/JsonStore.h"
#include "tests/core/base/TemporaryFolder.h"

using namespace corvane;
using corvane::testing::TemporaryFolder;

namespace {

void writeText(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::optional<std::vector<int>> decodeNumbers(const Json& document)
{
    if (!document.is_object() || !document.contains("numbers"))
        return std::nullopt;
    return decodeLossy<int>(document["numbers"], [](const Json& element) -> std::optional<int> {
        if (!element.is_number_integer())
            return std::nullopt;
        return element.get<int>();
    });
}

const WallTime noon = WallTime::fromUnixSeconds(1772366400);  // 2026-03-01T12:00:00Z

}  // namespace

TEST(JsonStore, saved_file_is_private_and_replaces_the_old_one_whole)
{
    TemporaryFolder folder;
    JsonStoreFile file(folder / "nested/store.json", 1 << 20);
    ASSERT_TRUE(file.save(Json{{"numbers", {1, 2}}}).ok());
    ASSERT_TRUE(file.save(Json{{"numbers", {3}}}).ok());

    struct stat info {};
    ASSERT_EQ(::stat(file.path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder / "nested"), {}), 1)
        << "no temporary file is left behind";
    EXPECT_EQ(loadStore<std::vector<int>>(file, decodeNumbers, noon, Calendar::utc()), std::vector<int>{3});
}

TEST(JsonStore, absent_and_blank_files_start_empty_without_quarantine)
{
    TemporaryFolder folder;
    JsonStoreFile file(folder / "store.json", 1 << 20);
    bool corrupt = true;
    EXPECT_TRUE(loadStore<std::vector<int>>(file, decodeNumbers, noon, Calendar::utc(), &corrupt).empty());
    EXPECT_FALSE(corrupt);

    writeText(file.path(), " \n\t\r\n");
    EXPECT_TRUE(loadStore<std::vector<int>>(file, decodeNumbers, noon, Calendar::utc(), &corrupt).empty());
    EXPECT_FALSE(corrupt);
    EXPECT_TRUE(std::filesystem::exists(file.path()));
}

TEST(JsonStore, undecodable_files_are_moved_aside_under_a_time_stamped_name)
{
    TemporaryFolder folder;
    JsonStoreFile file(folder / "alerts.json", 1 << 20);
    auto quarantined = folder / "alerts.json.corrupt-20260301-120000";

    writeText(file.path(), "{not json");
    writeText(quarantined, "an older quarantined copy");
    bool corrupt = false;
    EXPECT_TRUE(loadStore<std::vector<int>>(file, decodeNumbers, noon, Calendar::utc(), &corrupt).empty());
    EXPECT_TRUE(corrupt);
    EXPECT_FALSE(std::filesystem::exists(file.path()));
    std::ifstream in(quarantined);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "{not json");

    // Valid JSON of the wrong shape is just as unusable.
    writeText(file.path(), "[1, 2]");
    loadStore<std::vector<int>>(file, decodeNumbers, noon.plusSeconds(1), Calendar::utc(), &corrupt);
    EXPECT_TRUE(corrupt);
    EXPECT_TRUE(std::filesystem::exists(folder / "alerts.json.corrupt-20260301-120001"));
}

TEST(JsonStore, lists_drop_the_elements_that_do_not_decode)
{
    TemporaryFolder folder;
    JsonStoreFile file(folder / "store.json", 1 << 20);
    writeText(file.path(), R"({"numbers": [1, "two", 3, null]})");
    bool corrupt = true;
    EXPECT_EQ(loadStore<std::vector<int>>(file, decodeNumbers, noon, Calendar::utc(), &corrupt), (std::vector<int>{1, 3}));
    EXPECT_FALSE(corrupt);
}

TEST(JsonStore, oversized_files_are_refused_before_parsing)
{
    TemporaryFolder folder;
    JsonStoreFile file(folder / "store.json", 16);
    writeText(file.path(), R"({"numbers": [1, 2, 3, 4, 5, 6]})");
    auto loaded = file.load(noon, Calendar::utc());
    EXPECT_EQ(loaded.state, JsonStoreFile::State::Corrupt);
    EXPECT_EQ(readFileCapped(folder / "store.json.corrupt-20260301-120000", 16).error().code, Error::Code::TooLarge);
}

TEST(JsonStore, unreadable_files_are_left_alone)
{
    // A folder where the file should be cannot be read, even by root.
    TemporaryFolder folder;
    JsonStoreFile file(folder / "store.json", 1 << 20);
    std::filesystem::create_directory(file.path());
    auto loaded = file.load(noon, Calendar::utc());
    EXPECT_EQ(loaded.state, JsonStoreFile::State::Unreadable);
    ASSERT_TRUE(loaded.error.has_value());
    EXPECT_TRUE(std::filesystem::is_directory(file.path()));
}
