#include <fstream>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "core/notch/InboundEar.h"
#include "tests/core/base/TemporaryFolder.h"

using namespace corvane;
using corvane::testing::TemporaryFolder;

namespace {

WallTime at(double seconds) { return WallTime::fromReferenceSeconds(790'000'000 + seconds); }

bool knowsNoSymbols(std::string_view) { return false; }
bool nothingIsExecutable(std::string_view) { return false; }

std::optional<InboundEar> parse(std::string_view url)
{
    return InboundEar::parse(url, knowsNoSymbols, nothingIsExecutable);
}

InboundEar::Request request(std::string_view url)
{
    auto ear = parse(url);
    if (!ear || !ear->request()) {
        ADD_FAILURE() << "no ear for " << url;
        return {};
    }
    return *ear->request();
}

}  // namespace

TEST(InboundEar, a_plain_request_gets_the_defaults_and_an_oversized_ttl_is_capped)
{
    EXPECT_EQ(request("lunebox://ear?text=Build%20done&ttl=99999"),
              (InboundEar::Request{.id = "default", .text = "Build done", .symbol = "terminal", .ttl = 3600}));

    auto full = request("lunebox://ear?id=ci&text=Tests&symbol=hammer.fill&progress=1.7&tint=%23a1B2c3&ttl=30"
                        "&open=/home/me/report.html");
    EXPECT_EQ(full, (InboundEar::Request{.id = "ci", .text = "Tests", .symbol = "hammer.fill", .progress = 1.0,
                                         .tintHex = "#a1B2c3", .ttl = 30, .openPath = "/home/me/report.html"}));

    // Progress alone is enough; without text or progress there is nothing to show.
    EXPECT_EQ(request("lunebox://ear?progress=0.5").progress, 0.5);
    EXPECT_EQ(parse("lunebox://ear?text=%20%0A%20"), std::nullopt);
    EXPECT_EQ(parse("lunebox://ear"), std::nullopt);
    EXPECT_EQ(parse("lunebox://quiet?text=x"), std::nullopt);
    EXPECT_EQ(parse("https://ear?text=x"), std::nullopt);
}

TEST(InboundEar, clear_comes_as_a_path_or_a_query_item_with_or_without_an_id)
{
    EXPECT_EQ(parse("lunebox://ear/clear"), (InboundEar{InboundEar::Clear{}}));
    EXPECT_EQ(parse("lunebox://ear/clear/?id=ci"), (InboundEar{InboundEar::Clear{"ci"}}));
    EXPECT_EQ(parse("lunebox://ear?clear&id=ci&text=x"), (InboundEar{InboundEar::Clear{"ci"}}));
    EXPECT_EQ(parse("lunebox://ear/other?text=x"), std::nullopt);
}

TEST(InboundEar, hostile_values_are_cleaned_or_fall_back_to_their_defaults)
{
    auto ear = request("lunebox://ear?text=%1B%5B31mred%07%C2%85end%FF&ttl=-5");
    EXPECT_EQ(ear.text, "[31mred  end\xEF\xBF\xBD");
    EXPECT_EQ(ear.ttl, 8);

    std::string longText(70, 'a');
    EXPECT_EQ(request("lunebox://ear?text=" + longText).text, std::string(60, 'a'));
    std::string accents;
    for (int i = 0; i < 61; ++i)
        accents += "%C3%A9";
    EXPECT_EQ(request("lunebox://ear?text=" + accents).text.size(), 120u);  // 60 characters of 2 bytes

    for (const char* bad : {"nan", "inf", "1e999", "0x10", "%205", "5s", "", "0"})
        EXPECT_EQ(request(std::string("lunebox://ear?text=x&ttl=") + bad).ttl, 8) << bad;
    EXPECT_EQ(request("lunebox://ear?text=x&progress=nan").progress, std::nullopt);
    EXPECT_EQ(request("lunebox://ear?text=x&progress=-3").progress, 0.0);

    for (const char* tint : {"red", "#12345", "#1234567", "#12345g", "%2312345"})
        EXPECT_EQ(request(std::string("lunebox://ear?text=x&tint=") + tint).tintHex, std::nullopt) << tint;

    for (const char* symbol : {"Terminal", "rm%20-rf", "a..b", "a.b.c.d.e.f.g", "%2Fetc%2Fpasswd", ""})
        EXPECT_EQ(request(std::string("lunebox://ear?text=x&symbol=") + symbol).symbol, "terminal") << symbol;
    auto knowsAll = [](std::string_view) { return true; };
    EXPECT_EQ(InboundEar::parse("lunebox://ear?text=x&symbol=a.b.c.d.e.f", knowsAll, nothingIsExecutable)->request()->symbol,
              "a.b.c.d.e.f");
    EXPECT_EQ(request("lunebox://ear?text=x&symbol=a.b.c.d.e.f").symbol, "terminal");  // unknown to the theme
    EXPECT_EQ(request("lunebox://ear?text=x&symbol=shippingbox.fill").symbol, "shippingbox.fill");
}

TEST(InboundEar, only_absolute_paths_that_cannot_launch_anything_are_kept_for_opening)
{
    EXPECT_EQ(request("lunebox://ear?text=x&open=/Applications/Tool.app").openPath, std::nullopt);
    EXPECT_EQ(request("lunebox://ear?text=x").openPath, std::nullopt);
    for (const char* path : {"/Applications/Tool.app/", "/tmp/install.SH", "/home/me/x.desktop", "/tmp/a.AppImage",
                             "relative/file.txt", "~/file.txt", "/tmp/a%00.txt"})
        EXPECT_EQ(request(std::string("lunebox://ear?text=x&open=") + path).openPath, std::nullopt) << path;
    std::string longPath = "/" + std::string(1024, 'a');
    EXPECT_EQ(request("lunebox://ear?text=x&open=" + longPath).openPath, std::nullopt);
    EXPECT_EQ(request("lunebox://ear?text=x&open=" + longPath.substr(1)).openPath, std::nullopt);
    EXPECT_EQ(request("lunebox://ear?text=x&open=/" + std::string(1023, 'a')).openPath, "/" + std::string(1023, 'a'));

    // On real files: an executable script without an extension is refused.
    TemporaryFolder folder;
    auto script = folder.path() / "deploy";
    auto notes = folder.path() / "notes.md";
    std::ofstream(script) << "#!/bin/sh\n";
    std::ofstream(notes) << "# notes\n";
    ASSERT_EQ(::chmod(script.c_str(), 0700), 0);
    EXPECT_FALSE(InboundEar::opensSafely(script.string(), InboundEar::isExecutableFile));
    EXPECT_TRUE(InboundEar::opensSafely(notes.string(), InboundEar::isExecutableFile));
    EXPECT_TRUE(InboundEar::opensSafely(folder.path().string(), InboundEar::isExecutableFile));
}

TEST(InboundEar, a_request_becomes_a_transient_ear_and_the_book_tracks_until_when_each_stays)
{
    auto progress = request("lunebox://ear?id=dl&progress=0.4&ttl=20&tint=%23FF9F0A");
    Activity ear = InboundEar::activity(progress, at(0));
    EXPECT_EQ(ear.id, "inbound.dl");
    EXPECT_EQ(ear.kind, "projects.inbound");
    EXPECT_EQ(ear.left, EarContent::progress(0.4));
    EXPECT_EQ(ear.right, EarContent::progressPercent(0.4));
    EXPECT_EQ(ear.expiresAt, at(20));
    EXPECT_EQ(ear.tintHex, "#FF9F0A");
    EXPECT_EQ(InboundEar::activity(request("lunebox://ear?text=Done"), at(0)).left, EarContent::symbol("terminal"));

    InboundEarBook book;
    book.show(progress, at(0));
    book.show(request("lunebox://ear?text=a"), at(0));
    book.show(request("lunebox://ear?id=ci&text=b&ttl=60"), at(0));
    book.show(request("lunebox://ear?text=again"), at(5));  // replaces "default"
    EXPECT_EQ(book.until().at("default"), at(13));
    EXPECT_EQ(book.nextExpiry(), at(13));
    EXPECT_EQ(book.expire(at(20)), (std::vector<std::string>{"default", "dl"}));
    EXPECT_EQ(book.clear(std::string("nope")), std::vector<std::string>{});
    book.show(request("lunebox://ear?text=a"), at(20));
    EXPECT_EQ(book.clear(std::nullopt), (std::vector<std::string>{"ci", "default"}));
    EXPECT_EQ(book.nextExpiry(), std::nullopt);
}
