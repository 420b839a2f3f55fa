// Real sockets opened by the test process, found through the kernel's
// socket tables and /proc; the /proc/net parser on checked-in dumps.

#include <algorithm>
#include <fstream>
#include <memory>
#include <sstream>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include "core/base/FileDescriptor.h"
#include "core/runtime/ListenerScanner.h"
#include "tests/core/runtime/ChildProcess.h"

using namespace corvane;

namespace {

struct OpenSocket {
    FileDescriptor fd;
    int port = 0;
    std::uint64_t inode = 0;
};

// Listens on `address` ("127.0.0.1", "::1", "0.0.0.0", "::"), port 0 for any.
OpenSocket listenOn(const std::string& address, int port = 0)
{
    bool ipv6 = address.find(':') != std::string::npos;
    OpenSocket open{FileDescriptor(::socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))};
    sockaddr_storage storage{};
    socklen_t length = 0;
    if (ipv6) {
        int only = 1;
        ::setsockopt(open.fd.get(), IPPROTO_IPV6, IPV6_V6ONLY, &only, sizeof only);
        auto* in6 = reinterpret_cast<sockaddr_in6*>(&storage);
        in6->sin6_family = AF_INET6;
        in6->sin6_port = htons(static_cast<std::uint16_t>(port));
        ::inet_pton(AF_INET6, address.c_str(), &in6->sin6_addr);
        length = sizeof *in6;
    } else {
        auto* in4 = reinterpret_cast<sockaddr_in*>(&storage);
        in4->sin_family = AF_INET;
        in4->sin_port = htons(static_cast<std::uint16_t>(port));
        ::inet_pton(AF_INET, address.c_str(), &in4->sin_addr);
        length = sizeof *in4;
    }
    if (::bind(open.fd.get(), reinterpret_cast<sockaddr*>(&storage), length) != 0 || ::listen(open.fd.get(), 4) != 0)
        return {};
    ::getsockname(open.fd.get(), reinterpret_cast<sockaddr*>(&storage), &length);
    open.port = ntohs(ipv6 ? reinterpret_cast<sockaddr_in6*>(&storage)->sin6_port
                           : reinterpret_cast<sockaddr_in*>(&storage)->sin_port);
    struct stat info {};
    ::fstat(open.fd.get(), &info);
    open.inode = info.st_ino;
    return open;
}

std::vector<Listener> ownListeners()
{
    auto all = ListenerScanner::scan();
    std::erase_if(all, [](const Listener& listener) { return listener.pid != ::getpid(); });
    return all;
}

std::vector<ListeningSocket> only(std::vector<ListeningSocket> sockets, const std::vector<std::uint64_t>& inodes)
{
    std::erase_if(sockets, [&](const ListeningSocket& socket) {
        return std::find(inodes.begin(), inodes.end(), socket.inode) == inodes.end();
    });
    std::sort(sockets.begin(), sockets.end(), [](const auto& a, const auto& b) { return a.inode < b.inode; });
    return sockets;
}

std::string fixture(const std::string& name)
{
    std::ifstream in(std::string(LUNEBOX_TEST_DATA) + "/proc/" + name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

TEST(ListenerScanner, finds_each_port_of_the_test_process_once_with_its_address_and_family)
{
    auto loopback4 = listenOn("127.0.0.1");
    auto loopback6 = listenOn("::1");
    auto any4 = listenOn("0.0.0.0");
    auto any6 = listenOn("::", any4.port);  // the same port on both families: one listener
    ASSERT_GT(loopback4.port, 0);
    ASSERT_GT(loopback6.port, 0);
    ASSERT_GT(any6.port, 0);

    std::vector<Listener> expected{
        {::getpid(), loopback4.port, ListenAddress::loopback, IPFamily::ipv4},
        {::getpid(), loopback6.port, ListenAddress::loopback, IPFamily::ipv6},
        {::getpid(), any4.port, ListenAddress::any, IPFamily::ipv4},  // the lower descriptor wins
    };
    std::sort(expected.begin(), expected.end(), [](const auto& a, const auto& b) { return a.port < b.port; });
    EXPECT_EQ(ownListeners(), expected);

    loopback6.fd.reset();
    EXPECT_EQ(ownListeners().size(), 2u);
}

TEST(ListenerScanner, a_process_the_filter_turns_away_is_never_taken_for_a_holder)
{
    auto socket = listenOn("127.0.0.1");
    ASSERT_GT(socket.port, 0);
    auto listed = [&](const SocketHolders::Filter& filter) {
        SocketHolders holders;
        auto all = ListenerScanner::scan(holders, static_cast<std::uint32_t>(::geteuid()), filter);
        return std::any_of(all.begin(), all.end(), [&](const Listener& l) { return l.port == socket.port; });
    };
    EXPECT_FALSE(listed([](std::int32_t pid) { return pid != ::getpid(); }));
    EXPECT_TRUE(listed([](std::int32_t) { return true; }));
}

TEST(ListenerScanner, netlink_and_proc_net_give_the_same_sockets)
{
    auto loopback4 = listenOn("127.0.0.1");
    auto loopback6 = listenOn("::1");
    auto any6 = listenOn("::");
    std::vector<std::uint64_t> ours{loopback4.inode, loopback6.inode, any6.inode};

    auto fromNetlink = ListenerScanner::sockets(ListenerScanner::Source::netlink);
    auto fromProc = ListenerScanner::sockets(ListenerScanner::Source::procNet);
    ASSERT_TRUE(fromNetlink);
    ASSERT_TRUE(fromProc);
    auto netlinkOurs = only(*fromNetlink, ours);
    EXPECT_EQ(netlinkOurs.size(), 3u);
    EXPECT_EQ(netlinkOurs, only(*fromProc, ours));
    for (const auto& socket : netlinkOurs)
        EXPECT_EQ(socket.uid, ::geteuid());
}

TEST(ListenerScanner, parses_listening_rows_of_proc_net_dumps_and_skips_the_rest)
{
    auto ipv4 = ListenerScanner::parseProcNet(fixture("net-tcp"), IPFamily::ipv4);
    std::vector<ListeningSocket> expected4{
        {51234, 1000, 8080, ListenAddress::loopback, IPFamily::ipv4},
        {1234, 0, 22, ListenAddress::any, IPFamily::ipv4},
        {51300, 1000, 80, ListenAddress::other, IPFamily::ipv4},
    };
    EXPECT_EQ(ipv4, expected4);

    auto ipv6 = ListenerScanner::parseProcNet(fixture("net-tcp6"), IPFamily::ipv6);
    std::vector<ListeningSocket> expected6{
        {61000, 1000, 3000, ListenAddress::loopback, IPFamily::ipv6},
        {61001, 1000, 8080, ListenAddress::any, IPFamily::ipv6},
        {61002, 1000, 3001, ListenAddress::other, IPFamily::ipv6},  // IPv4-mapped
    };
    EXPECT_EQ(ipv6, expected6);

    EXPECT_TRUE(ListenerScanner::parseProcNet("", IPFamily::ipv4).empty());
    EXPECT_TRUE(ListenerScanner::parseProcNet("header\n   0: zz:1 00:0 0A\n", IPFamily::ipv4).empty());
}

TEST(ListenerScanner, listeners_are_one_per_pid_and_port_sorted_by_port_then_pid)
{
    std::vector<ListeningSocket> sockets{
        {1, 0, 8080, ListenAddress::any, IPFamily::ipv6},
        {2, 0, 8080, ListenAddress::any, IPFamily::ipv4},
        {3, 0, 8080, ListenAddress::loopback, IPFamily::ipv4},
        {4, 0, 3000, ListenAddress::loopback, IPFamily::ipv4},
        {5, 0, 9999, ListenAddress::any, IPFamily::ipv4},  // no holder found
    };
    std::unordered_map<std::uint64_t, SocketHolder> holders{
        {1, {700, 5}}, {2, {700, 4}}, {3, {650, 3}}, {4, {900, 3}},
    };
    std::vector<Listener> expected{
        {900, 3000, ListenAddress::loopback, IPFamily::ipv4},
        {650, 8080, ListenAddress::loopback, IPFamily::ipv4},
        {700, 8080, ListenAddress::any, IPFamily::ipv4},
    };
    EXPECT_EQ(ListenerScanner::listeners(sockets, holders), expected);
}

TEST(SocketHolders, a_second_resolve_reuses_the_holders_and_walks_proc_only_for_new_sockets)
{
    ManualClock clock(WallTime::fromUnixSeconds(1'800'000'000));
    SocketHolders holders(clock);
    auto first = listenOn("127.0.0.1");
    auto found = holders.resolve({first.inode}, ::geteuid());
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[first.inode], (SocketHolder{::getpid(), first.fd.get()}));
    EXPECT_EQ(holders.walks(), 1u);

    EXPECT_EQ(holders.resolve({first.inode}, ::geteuid()), found);
    EXPECT_EQ(holders.walks(), 1u);

    auto second = listenOn("127.0.0.1");
    EXPECT_EQ(holders.resolve({first.inode, second.inode}, ::geteuid()).size(), 2u);
    EXPECT_EQ(holders.walks(), 2u);

    // Another user's processes are never searched.
    EXPECT_TRUE(SocketHolders(clock).resolve({first.inode}, ::geteuid() + 1).empty());
}

TEST(SocketHolders, a_socket_no_process_holds_is_searched_again_only_after_new_processes_and_the_retry_time)
{
    ManualClock clock(WallTime::fromUnixSeconds(1'800'000'000));
    SocketHolders holders(clock);
    auto socket = listenOn("127.0.0.1");
    const std::uint64_t nowhere = 0xFFFFFFF0;
    holders.resolve({socket.inode, nowhere}, ::geteuid());
    EXPECT_EQ(holders.walks(), 1u);

    clock.advance(SocketHolders::retrySeconds / 2);
    holders.resolve({socket.inode, nowhere}, ::geteuid());
    EXPECT_EQ(holders.walks(), 1u);

    {
        corvane::testing::ChildProcess started({"/bin/true"}, {}, "/");
    }
    clock.advance(SocketHolders::retrySeconds);
    auto found = holders.resolve({socket.inode, nowhere}, ::geteuid());
    EXPECT_EQ(holders.walks(), 2u);
    EXPECT_EQ(found.size(), 1u);
}

TEST(SocketHolders, among_hundreds_of_processes_a_shared_socket_goes_to_the_lowest_pid_and_late_holders_are_found)
{
    // Hundreds of processes between the test process and the late holder.
    std::vector<std::unique_ptr<corvane::testing::ChildProcess>> crowd;
    for (int i = 0; i < 300; ++i)
        crowd.push_back(std::make_unique<corvane::testing::ChildProcess>(
            std::vector<std::string>{"/bin/sleep", "60"}, std::vector<std::string>{}, "/"));
    auto shared = listenOn("127.0.0.1");
    auto handedOver = listenOn("127.0.0.1");
    ASSERT_GT(shared.port, 0);
    ASSERT_GT(handedOver.port, 0);
    // The newest process inherits both, as a forked server's workers do.
    ::fcntl(shared.fd.get(), F_SETFD, 0);
    ::fcntl(handedOver.fd.get(), F_SETFD, 0);
    corvane::testing::ChildProcess late({"/bin/sleep", "60"}, {}, "/");
    ASSERT_GT(late.pid(), 0);
    handedOver.fd.reset();

    auto found = SocketHolders().resolve({shared.inode, handedOver.inode}, ::geteuid());
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[shared.inode].pid, ::getpid());
    EXPECT_EQ(found[handedOver.inode].pid, late.pid());
}
