#include <cstdlib>

#include <gtest/gtest.h>

#include "platform/linux/LibsecretStore.h"

using namespace corvane;

TEST(LibsecretStore, a_build_that_may_not_read_secrets_is_refused_before_any_bus_is_asked)
{
    // Should the gate leak, the lookup would fail on this address instead of
    // reaching a real keyring.
    ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/lunebox-test-bus", 1);
    platform::LibsecretStore store(false);
    auto read = store.read("com.corvane.telegram", "token");
    ASSERT_FALSE(read);
    EXPECT_EQ(read.error().code, Error::Code::PermissionDenied);
    EXPECT_EQ(read.error().context, "com.corvane.telegram / token");

    auto write = store.write("com.corvane.telegram", "token", std::string("a\0b", 3));
    ASSERT_FALSE(write);
    EXPECT_EQ(write.error().code, Error::Code::Invalid);
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
}
