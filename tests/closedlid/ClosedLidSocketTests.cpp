// The helper's server and the app's client over real Unix sockets in a
// temporary folder; the lid itself is a fake.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <thread>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "closedlid/ClosedLidHelperClient.h"
#include "closedlid/Sha256.h"
#include "closedlid/helper/ClosedLidServer.h"
#include "tests/closedlid/FakeLidPlatform.h"
#include "tests/closedlid/ThisProcess.h"
#include "tests/core/base/TemporaryFolder.h"

namespace corvane {
namespace {

using namespace std::chrono_literals;
using testing::thisProcess;

const LidHoldTerms terms{120, 3600, 10};

bool eventually(const std::function<bool()>& condition)
{
    auto until = std::chrono::steady_clock::now() + 3s;
    while (std::chrono::steady_clock::now() < until) {
        if (condition())
            return true;
        std::this_thread::sleep_for(20ms);
    }
    return condition();
}

// A raw connection for what our own client never sends.
class RawConnection {
public:
    explicit RawConnection(const std::filesystem::path& path) : fd_(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
        connected_ = ::connect(fd_.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }
    bool connected() const { return connected_; }
    void send(const std::string& bytes) { ASSERT_EQ(::send(fd_.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL), ssize_t(bytes.size())); }
    Result<std::string> line() { return readLine(fd_.get(), buffer_, 3); }

private:
    FileDescriptor fd_;
    bool connected_ = false;
    LineBuffer buffer_{closedLidLineCap};
};

class ClosedLidSocketTest : public ::testing::Test {
protected:
    ~ClosedLidSocketTest() override
    {
        if (server) {
            server->stop();
            thread.join();
        }
    }

    void start(ClosedLidClientRecord allowed, double checkInterval = 0.05)
    {
        auto listener = ClosedLidServer::listenAt(socketPath);
        ASSERT_TRUE(listener) << listener.error().message();
        gate = std::make_unique<PeerGate>(std::move(allowed));
        server = std::make_unique<ClosedLidServer>(std::move(*listener), machine, *gate, clock, checkInterval);
        thread = std::thread([this] { server->run(); });
    }

    ClosedLidHelperClient client(double timeout = 3) { return ClosedLidHelperClient(socketPath.string(), timeout); }

    testing::TemporaryFolder folder;
    std::filesystem::path socketPath = folder / "closedlid.sock";
    testing::FakeLidPlatform platform;
    LidHoldMachine machine{platform};
    SystemClock clock;
    std::unique_ptr<PeerGate> gate;
    std::unique_ptr<ClosedLidServer> server;
    std::thread thread;
};

TEST_F(ClosedLidSocketTest, the_app_holds_renews_and_releases_the_lid)
{
    start(thisProcess());
    auto app = client();

    auto held = app.hold(terms);
    ASSERT_TRUE(held);
    EXPECT_TRUE(held->ok);
    EXPECT_TRUE(held->holding);
    EXPECT_TRUE(held->sleepDisabled);
    ASSERT_TRUE(held->hold);

    std::this_thread::sleep_for(50ms);
    auto renewed = app.renew();
    ASSERT_TRUE(renewed && renewed->ok);
    EXPECT_GT(renewed->hold->leaseUntil, held->hold->leaseUntil);

    auto released = app.release();
    ASSERT_TRUE(released);
    EXPECT_TRUE(released->ok);
    EXPECT_FALSE(released->holding);
    EXPECT_FALSE(released->sleepDisabled);
    EXPECT_EQ(released->lastStop, LidStopReason::released);
}

TEST_F(ClosedLidSocketTest, the_hold_ends_when_its_owner_goes_away_but_not_when_another_client_does)
{
    start(thisProcess());
    auto owner = client();
    auto watcher = client();
    auto bystander = client();
    ASSERT_TRUE(owner.hold(terms)->ok);
    ASSERT_TRUE(bystander.status());

    bystander.disconnect();
    std::this_thread::sleep_for(100ms);
    EXPECT_TRUE(watcher.status()->holding);

    owner.disconnect();
    EXPECT_TRUE(eventually([&] {
        auto now = watcher.status();
        return now && now->lastStop == LidStopReason::connectionLost;
    }));
    auto after = watcher.status();
    EXPECT_FALSE(after->holding);
    EXPECT_FALSE(after->sleepDisabled);
}

TEST_F(ClosedLidSocketTest, an_unrenewed_lease_lapses_on_the_periodic_check)
{
    start(thisProcess());
    auto app = client();
    ASSERT_TRUE(app.hold({1, 3600, 10})->ok);
    EXPECT_TRUE(eventually([&] {
        auto now = app.status();
        return now && now->lastStop == LidStopReason::leaseLapsed;
    }));
    EXPECT_FALSE(app.status()->sleepDisabled);
}

TEST_F(ClosedLidSocketTest, another_executable_or_another_user_is_not_served)
{
    auto other = thisProcess();
    other.appSHA256 = std::string(64, '0');
    start(other);
    auto app = client();
    EXPECT_EQ(app.status(), std::nullopt);
    EXPECT_EQ(app.hold(terms), std::nullopt);
    EXPECT_EQ(machine.clients().size(), 0u);
}

TEST(ClosedLidPeerGate, a_peer_of_another_uid_is_refused)
{
    testing::TemporaryFolder folder;
    auto listener = ClosedLidServer::listenAt(folder / "s.sock");
    ASSERT_TRUE(listener);
    RawConnection peer(folder / "s.sock");
    ASSERT_TRUE(peer.connected());
    FileDescriptor accepted(::accept(listener->get(), nullptr, nullptr));
    auto record = thisProcess();
    EXPECT_TRUE(PeerGate(record).admits(accepted.get()));
    record.uid += 1;
    EXPECT_FALSE(PeerGate(record).admits(accepted.get()));
}

TEST_F(ClosedLidSocketTest, a_request_of_another_version_gets_a_refusal_naming_the_helpers_version)
{
    start(thisProcess());
    RawConnection raw(socketPath);
    ASSERT_TRUE(raw.connected());
    raw.send(R"({"version":2,"request":"hold","leaseSeconds":60,"hardDeadlineSeconds":60,"batteryFloor":5})" "\n");
    auto line = raw.line();
    ASSERT_TRUE(line) << line.error().message();
    auto status = ClosedLidHelperStatus::decode(*line);
    ASSERT_TRUE(status);
    EXPECT_FALSE(status->ok);
    EXPECT_FALSE(status->holding);
    EXPECT_EQ(status->helperVersion, ClosedLidHelperVersion);
    EXPECT_TRUE(status->message);
}

TEST_F(ClosedLidSocketTest, garbage_or_an_endless_line_closes_the_connection)
{
    start(thisProcess());
    RawConnection garbage(socketPath);
    garbage.send("not json\n");
    auto closed = garbage.line();
    ASSERT_FALSE(closed);
    EXPECT_EQ(closed.error().code, Error::Code::Unavailable);

    RawConnection endless(socketPath);
    endless.send(std::string(closedLidLineCap + 10, 'x'));
    ASSERT_FALSE(endless.line());

    auto app = client();
    EXPECT_TRUE(app.status()) << "the helper still serves others";
}

TEST_F(ClosedLidSocketTest, a_helper_that_does_not_answer_gives_no_status_within_the_time_out)
{
    auto silent = ClosedLidServer::listenAt(socketPath);  // listens, never answers
    ASSERT_TRUE(silent);
    auto app = client(0.3);
    auto begun = std::chrono::steady_clock::now();
    EXPECT_EQ(app.status(), std::nullopt);
    EXPECT_LT(std::chrono::steady_clock::now() - begun, 2s);

    ClosedLidHelperClient nobody((folder / "missing.sock").string(), 0.3);
    EXPECT_EQ(nobody.status(), std::nullopt);
}

}  // namespace
}  // namespace corvane
