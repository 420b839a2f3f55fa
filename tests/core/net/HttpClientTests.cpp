// The HTTP client against a real server on 127.0.0.1: answers, headers, the
// time-out, the body cap, HTTP statuses and the refusals.

#include <chrono>

#include <gtest/gtest.h>

#include "core/net/HttpClient.h"
#include "tests/core/net/LocalHttpServer.h"

using namespace corvane;
using corvane::testing::LocalHttpServer;

namespace {

const HttpClient local{HttpClient::Options{.allowPlainHttp = true}};
constexpr std::size_t megabyte = 1024 * 1024;

}  // namespace

TEST(HttpClient, a_get_sends_its_headers_and_returns_the_body)
{
    LocalHttpServer server;
    ASSERT_NE(server.port(), 0);
    HttpResult result = local.get(server.url("/json"), {{"Authorization", "Bearer abc"}, {"Accept", "application/json"}},
                                  5, megabyte);
    ASSERT_TRUE(result.ok()) << result.error();
    EXPECT_EQ(result.response().status, 200);
    EXPECT_NE(result.response().body.find(R"("five_hour": {"utilization": 42})"), std::string::npos);
    EXPECT_NE(result.response().body.find(R"("authorization": "Bearer abc")"), std::string::npos);
    EXPECT_NE(result.response().body.find(R"("accept": "application/json")"), std::string::npos);
    // No cookie engine, nothing but what was asked for.
    EXPECT_EQ(result.response().body.find("cookie"), std::string::npos);
}

TEST(HttpClient, answers_outside_2xx_and_bodies_past_the_cap_are_typed_errors)
{
    LocalHttpServer server;
    ASSERT_NE(server.port(), 0);
    HttpResult unavailable = local.get(server.url("/status/503"), {}, 5, megabyte);
    ASSERT_FALSE(unavailable.ok());
    EXPECT_EQ(unavailable.error().kind, HttpError::Kind::httpStatus);
    EXPECT_EQ(unavailable.error().status, 503);

    HttpResult huge = local.get(server.url("/huge"), {}, 5, megabyte);
    ASSERT_FALSE(huge.ok());
    EXPECT_EQ(huge.error().kind, HttpError::Kind::tooLarge);

    // Right at the cap is still an answer.
    HttpResult fits = local.get(server.url("/huge"), {}, 5, 2 * megabyte);
    ASSERT_TRUE(fits.ok()) << fits.error();
    EXPECT_EQ(fits.response().body.size(), 2 * megabyte);
}

TEST(HttpClient, a_slow_server_times_out_within_the_limit)
{
    LocalHttpServer server;
    ASSERT_NE(server.port(), 0);
    auto started = std::chrono::steady_clock::now();
    HttpResult result = local.get(server.url("/slow"), {}, 0.5, megabyte);
    auto took = std::chrono::steady_clock::now() - started;
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().kind, HttpError::Kind::timedOut);
    EXPECT_LT(took, std::chrono::seconds(2));
}

TEST(HttpClient, nothing_listening_is_no_network_and_a_plain_server_fails_the_tls_handshake)
{
    LocalHttpServer server;
    ASSERT_NE(server.port(), 0);
    std::string plain = server.url("/json");
    std::string secure = "https" + plain.substr(4);
    HttpResult handshake = local.get(secure, {}, 5, megabyte);
    ASSERT_FALSE(handshake.ok());
    EXPECT_EQ(handshake.error().kind, HttpError::Kind::tls) << handshake.error();

    HttpResult closed = local.get("http://127.0.0.1:1/json", {}, 5, megabyte);
    ASSERT_FALSE(closed.ok());
    EXPECT_EQ(closed.error().kind, HttpError::Kind::noNetwork) << closed.error();
}

TEST(HttpClient, plain_http_other_schemes_and_broken_headers_are_refused_before_connecting)
{
    LocalHttpServer server;
    ASSERT_NE(server.port(), 0);
    HttpClient production;
    HttpResult plain = production.get(server.url("/json"), {}, 5, megabyte);
    ASSERT_FALSE(plain.ok());
    EXPECT_EQ(plain.error().kind, HttpError::Kind::refused);
    EXPECT_EQ(local.get("file:///etc/passwd", {}, 5, megabyte).error().kind, HttpError::Kind::refused);
    HttpResult smuggled = local.get(server.url("/json"), {{"Authorization", "Bearer a\r\nX-Evil: 1"}}, 5, megabyte);
    ASSERT_FALSE(smuggled.ok());
    EXPECT_EQ(smuggled.error().kind, HttpError::Kind::refused);
}
