#include <gtest/gtest.h>

#include "core/agents/ClaudeOAuth.h"

namespace corvane {
namespace {

using namespace ClaudeOAuth;

const WallTime t0 = WallTime::fromUnixSeconds(1772359200);

const std::string stored = R"({"claudeAiOauth":{"accessToken":"sk-abc","expiresAt":1772362800000}})";

TEST(ClaudeOAuth, reads_the_token_and_its_expiry_in_milliseconds)
{
    EXPECT_EQ(credential(stored), (Credential{"sk-abc", WallTime::fromUnixSeconds(1772362800)}));
    EXPECT_EQ(credential(R"({"claudeAiOauth":{"accessToken":"a b"}})"), std::nullopt);
    EXPECT_EQ(credential(R"({"claudeAiOauth":{}})"), std::nullopt);
    EXPECT_EQ(credential("{"), std::nullopt);
    EXPECT_EQ(keychainRead(std::string("x"), false).kind, KeychainRead::Kind::declined);
    EXPECT_EQ(keychainRead(fail(Error::make(Error::Code::PermissionDenied, "open")), true).kind,
              KeychainRead::Kind::declined);
    EXPECT_EQ(keychainRead(fail(Error::make(Error::Code::NotFound, "open")), true).kind, KeychainRead::Kind::missing);
}

TEST(ClaudeOAuth, fetch_sends_the_bearer_token_and_reads_both_windows)
{
    std::optional<Request> sent;
    Transport transport = [&](const Request& request) -> std::optional<Response> {
        sent = request;
        return Response{200, R"({"five_hour":{"utilization":120,"resets_at":"2026-03-01T15:00:00.5+00:00"},)"
                             R"("seven_day":{"utilization":12.5,"resets_at":"2026-03-05T10:00:00Z"}})"};
    };
    Status status = fetch(KeychainRead{KeychainRead::Kind::found, stored}, t0, transport);
    ASSERT_EQ(status.kind, Status::Kind::ok);
    ASSERT_TRUE(sent);
    EXPECT_EQ(sent->url, "https://api.anthropic.com/api/oauth/usage");
    EXPECT_EQ(sent->headers[0], (std::pair<std::string, std::string>{"Authorization", "Bearer sk-abc"}));
    EXPECT_EQ(sent->headers[1].second, "oauth-2025-04-20");
    EXPECT_EQ(sent->timeoutSeconds, 15);
    ASSERT_EQ(status.usage->windows.size(), 2u);
    EXPECT_EQ(status.usage->windows[0].usedPercent, 100);
    EXPECT_EQ(status.usage->windows[0].resetsAt, WallTime::fromUnixSeconds(1772377200.5));
    EXPECT_EQ(status.usage->windows[1].resetsAt, WallTime::fromUnixSeconds(1772704800));
}

TEST(ClaudeOAuth, failures_become_statuses_with_their_texts)
{
    int requests = 0;
    Transport answer404 = [&](const Request&) -> std::optional<Response> {
        ++requests;
        return Response{404, ""};
    };
    Transport silent = [](const Request&) -> std::optional<Response> { return std::nullopt; };
    EXPECT_EQ(statusText(fetch(KeychainRead{KeychainRead::Kind::found, stored}, t0, answer404)),
              "Anthropic answered HTTP 404 — the unofficial endpoint may have changed");
    EXPECT_EQ(statusText(fetch(KeychainRead{KeychainRead::Kind::found, stored}, t0, silent)),
              "Anthropic couldn't be reached");
    // An expired token asks nothing.
    EXPECT_EQ(fetch(KeychainRead{KeychainRead::Kind::found, stored}, t0.plusSeconds(3600), answer404).kind,
              Status::Kind::expired);
    EXPECT_EQ(requests, 1);
    EXPECT_EQ(statusText(fetch(KeychainRead{KeychainRead::Kind::declined, {}}, t0, silent)),
              "Keychain access was declined — turn this off and on to ask again");
    EXPECT_EQ(statusText(fetch(KeychainRead{KeychainRead::Kind::missing, {}}, t0, silent)),
              "Claude Code isn't signed in on this computer");
    EXPECT_EQ(statusText(Status{Status::Kind::expired, {}, {}}), "Sign-in expired — open Claude Code to refresh it");
    EXPECT_EQ(statusText(std::nullopt), "Waiting for the first check");
}

TEST(ClaudeOAuth, a_recent_statusline_reading_holds_polling_back)
{
    const WallTime reading = t0;
    EXPECT_FALSE(shouldPoll(t0.plusSeconds(600), reading, std::nullopt));
    EXPECT_TRUE(shouldPoll(t0.plusSeconds(660), reading, std::nullopt));
    EXPECT_FALSE(shouldPoll(t0.plusSeconds(660), reading, t0.plusSeconds(400)));
    EXPECT_TRUE(shouldPoll(t0.plusSeconds(700), reading, t0.plusSeconds(400)));
    EXPECT_TRUE(shouldPoll(t0, std::nullopt, std::nullopt));
}

}  // namespace
}  // namespace corvane
