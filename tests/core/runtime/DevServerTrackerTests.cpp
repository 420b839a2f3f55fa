#include <gtest/gtest.h>

#include "core/runtime/DevScanCadence.h"
#include "core/runtime/DevServerTracker.h"

using namespace corvane;

namespace corvane {

void PrintTo(const DevServerEvent& event, std::ostream* out)
{
    if (const auto* up = std::get_if<DevServerEvent::Up>(&event.value))
        *out << "up(" << up->server << ")";
    else if (const auto* down = std::get_if<DevServerEvent::Down>(&event.value))
        *out << "down(" << down->server << ")";
    else if (const auto* restarted = std::get_if<DevServerEvent::Restarted>(&event.value))
        *out << "restarted(" << restarted->old << " -> " << restarted->current << ")";
}

}  // namespace corvane

namespace {

DevServer server(int port, std::int32_t pid, std::uint64_t started = 1)
{
    DevServer out;
    out.listener = {pid, port, ListenAddress::loopback, IPFamily::ipv4};
    out.identity = {pid, started, "/usr/bin/node"};
    out.name = "node";
    out.runtime = Runtime::node;
    out.framework = Framework::vite;
    return out;
}

using Events = std::vector<DevServerEvent>;

}  // namespace

TEST(DevServerTracker, servers_running_at_the_first_scan_are_never_announced)
{
    DevServerTracker tracker(2);
    EXPECT_TRUE(tracker.update({server(3000, 10), server(5173, 11)}).empty());
    EXPECT_EQ(tracker.current().size(), 2u);
    EXPECT_FALSE(tracker.isFirstScan());
    EXPECT_TRUE(tracker.update({server(3000, 10), server(5173, 11)}).empty());
}

TEST(DevServerTracker, a_server_stops_only_after_the_set_number_of_missing_scans_and_starts_at_once)
{
    DevServerTracker tracker(2);
    tracker.update({server(3000, 10)});
    EXPECT_EQ(tracker.update({server(8080, 20)}), (Events{DevServerEvent::up(server(8080, 20))}));
    EXPECT_EQ(tracker.update({server(8080, 20)}), (Events{DevServerEvent::down(server(3000, 10))}));
    EXPECT_TRUE(tracker.update({server(8080, 20)}).empty());

    // Back within the grace: no events at all.
    tracker.update({});
    EXPECT_TRUE(tracker.update({server(8080, 20)}).empty());

    EXPECT_EQ(DevServerTracker(0).missesBeforeStopped(), 1);
    DevServerTracker eager(1);
    eager.update({server(3000, 10)});
    EXPECT_EQ(eager.update({}), (Events{DevServerEvent::down(server(3000, 10))}));
}

TEST(DevServerTracker, a_new_identity_on_a_port_is_a_restart_and_the_lowest_pid_per_port_counts)
{
    DevServerTracker tracker(2);
    tracker.update({server(3000, 10), server(3000, 12)});
    EXPECT_EQ(tracker.current().at(3000).listener.pid, 10);
    EXPECT_EQ(tracker.update({server(3000, 10, 99)}),
              (Events{DevServerEvent::restarted(server(3000, 10), server(3000, 10, 99))}));
    EXPECT_EQ(tracker.update({server(3000, 44), server(5173, 45), server(4000, 46)}),
              (Events{DevServerEvent::restarted(server(3000, 10, 99), server(3000, 44)),
                      DevServerEvent::up(server(4000, 46)), DevServerEvent::up(server(5173, 45))}));
}

TEST(DevServerTracker, adoption_hides_one_reappearance_and_forget_drops_the_stop)
{
    DevServerTracker tracker(2);
    tracker.update({server(3000, 10), server(4000, 11)});
    tracker.forget(3000);
    tracker.update({server(4000, 11)});
    EXPECT_TRUE(tracker.update({server(4000, 11)}).empty());

    tracker.adopt(3000);
    EXPECT_TRUE(tracker.update({server(3000, 30), server(4000, 11)}).empty());
    tracker.update({server(4000, 11)});
    tracker.update({server(4000, 11)});
    tracker.adopt(3000);
    tracker.update({server(4000, 11)});
    EXPECT_EQ(tracker.update({server(3000, 31), server(4000, 11)}), (Events{DevServerEvent::up(server(3000, 31))}));
}

TEST(DevScanCadence, visible_intervals_stay_within_two_and_ten_seconds)
{
    EXPECT_EQ(DevScanCadence::interval(0, true), 2);
    EXPECT_EQ(DevScanCadence::interval(2, true), 2);
    EXPECT_EQ(DevScanCadence::interval(3, true), 3);
    EXPECT_EQ(DevScanCadence::interval(10, true), 10);
    EXPECT_EQ(DevScanCadence::interval(60, true), 10);
    EXPECT_EQ(DevScanCadence::interval(3, false), DevScanCadence::background);
}
