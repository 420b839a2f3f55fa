#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/desktop/UrlDispatcher.h"
#include "core/notch/QuietURL.h"

using corvane::AppURL;
using corvane::app::UrlDispatcher;

namespace {

struct Recorder {
    std::vector<std::optional<bool>> quiet;
    std::vector<std::string> ears;

    UrlDispatcher dispatcher()
    {
        UrlDispatcher out;
        out.setHandler("quiet", [this](const AppURL&, std::string_view text) {
            quiet.push_back(corvane::QuietURL::parse(text));
        });
        out.setHandler("ear", [this](const AppURL& url, std::string_view) { ears.push_back(url.value("id").value_or("")); });
        return out;
    }
};

}  // namespace

TEST(UrlDispatcher, each_url_reaches_the_handler_of_its_host_whatever_the_case_of_scheme_and_host)
{
    Recorder recorder;
    auto dispatcher = recorder.dispatcher();

    EXPECT_EQ(dispatcher.dispatch("lunebox://quiet?on=1"), UrlDispatcher::Outcome::handled);
    EXPECT_EQ(dispatcher.dispatch("LUNEBOX://Quiet/?on=0"), UrlDispatcher::Outcome::handled);
    EXPECT_EQ(dispatcher.dispatch("lunebox://ear?id=build"), UrlDispatcher::Outcome::handled);

    EXPECT_EQ(recorder.quiet, (std::vector<std::optional<bool>>{true, false}));
    EXPECT_EQ(recorder.ears, std::vector<std::string>{"build"});
}

TEST(UrlDispatcher, unknown_hosts_other_schemes_and_plain_arguments_reach_no_handler)
{
    Recorder recorder;
    auto dispatcher = recorder.dispatcher();

    EXPECT_EQ(dispatcher.dispatch("lunebox://settings?page=general"), UrlDispatcher::Outcome::unknownHost);
    EXPECT_EQ(dispatcher.dispatch("https://quiet?on=1"), UrlDispatcher::Outcome::notOurs);
    EXPECT_EQ(dispatcher.dispatch("lunebox://quiet/extra?on=1"), UrlDispatcher::Outcome::notOurs);
    EXPECT_EQ(dispatcher.dispatch("--verbose"), UrlDispatcher::Outcome::notOurs);
    EXPECT_EQ(dispatcher.dispatch(""), UrlDispatcher::Outcome::notOurs);

    EXPECT_TRUE(recorder.quiet.empty());
    EXPECT_TRUE(recorder.ears.empty());
}
