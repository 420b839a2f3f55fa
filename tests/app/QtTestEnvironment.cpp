// Every app test runs with the shared application object in place, as the
// desktop code expects one before it creates timers or windows.

#include <gtest/gtest.h>

#include "tests/app/QtTestApplication.h"

namespace {

class QtEnvironment final : public ::testing::Environment {
public:
    void SetUp() override { corvane::testing::qtApplication(); }
};

[[maybe_unused]] auto* const environment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace
