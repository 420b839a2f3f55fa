#pragma once
// The configuration of a test's own dbus-daemon: it listens only in the
// test's folder and has no service folders, so a call to a missing name
// fails instead of starting a program on the machine.

#include <filesystem>
#include <string>

namespace corvane::testing {

inline std::string privateBusConfiguration(const std::filesystem::path& folder)
{
    return R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=)" + folder.string() + R"(</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";
}

}  // namespace corvane::testing
