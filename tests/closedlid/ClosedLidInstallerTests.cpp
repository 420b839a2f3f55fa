#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include <sys/stat.h>
#include <unistd.h>

#include "core/base/ProcessRunner.h"
#include "core/keepawake/ClosedLidInstaller.h"
#include "core/keepawake/ClosedLidLaunchCheck.h"
#include "core/keepawake/ClosedLidPaths.h"
#include "tests/core/base/TemporaryFolder.h"

namespace corvane {
namespace {

const std::string helperHash(64, 'a');
const ClosedLidClientRecord client{1000, std::string(64, 'b')};
const ClosedLidInstallSources sources{"/opt/Lune Box/libexec/lunebox/lunebox-closedlid-helper",
                                      "/opt/Lune Box/share/lunebox/closedlid/lunebox-closedlid.service",
                                      "/opt/Lune Box/share/lunebox/closedlid/lunebox-closedlid.socket"};

// Parses the command with a real shell without running it.
bool shellAccepts(const std::string& command)
{
    ChildRegistry registry;
    ProcessRequest request;
    request.program = "/bin/sh";
    request.arguments = {"-n", "-c", command};
    request.timeoutSeconds = 10;
    auto output = ProcessRunner(registry).run(request);
    return output && output->succeeded();
}

std::string contents(const std::filesystem::path& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(ClosedLidInstaller, only_plain_absolute_paths_may_reach_the_command_line)
{
    EXPECT_TRUE(ClosedLidInstaller::isSafePath("/usr/libexec/lunebox/lunebox-closedlid-helper"));
    EXPECT_TRUE(ClosedLidInstaller::isSafePath("/home/ada/My Builds/lune_box-1.0/bin/x"));
    for (const char* bad : {"", "/", "relative/path", "/a/'b", "/a/$(id)", "/a;b", "/a/../etc/shadow", "/a/./b",
                            "/a/b\n", "/a/`b`", "/ä"})
        EXPECT_FALSE(ClosedLidInstaller::isSafePath(bad)) << bad;
}

TEST(ClosedLidInstaller, refuses_to_build_a_command_from_an_unsafe_path_or_hash)
{
    EXPECT_TRUE(ClosedLidInstaller::installCommand(sources, helperHash, client));

    auto badSource = sources;
    badSource.socketUnit = "/tmp/x'; rm -rf /; '";
    EXPECT_EQ(ClosedLidInstaller::installCommand(badSource, helperHash, client), std::nullopt);
    EXPECT_EQ(ClosedLidInstaller::installCommand(sources, std::string(64, 'A'), client), std::nullopt);
    EXPECT_EQ(ClosedLidInstaller::installCommand(sources, std::string(63, 'a'), client), std::nullopt);
    EXPECT_EQ(ClosedLidInstaller::installCommand(sources, helperHash, {1000, "abc"}), std::nullopt);
}

TEST(ClosedLidInstaller, the_install_command_checks_the_copy_before_it_replaces_and_starts_anything)
{
    auto command = ClosedLidInstaller::installCommand(sources, helperHash, client);
    ASSERT_TRUE(command);
    EXPECT_TRUE(shellAccepts(*command)) << *command;

    const std::string helper(ClosedLidPaths::installedHelper);
    std::vector<std::string> steps{
        "/usr/bin/install -o root -g root -m 0755 '" + sources.helper + "' " + helper + ".new",
        "/bin/echo '" + helperHash + "  " + helper + ".new' | /usr/bin/sha256sum -c --status",
        "/usr/bin/install -o root -g root -m 0644 '" + sources.serviceUnit + "' /etc/systemd/system/lunebox-closedlid.service.new",
        "'" + client.encoded() + "' > /var/lib/lunebox-closedlid/client.json.new",
        "|| { /bin/rm -f " + helper + ".new",
        "/usr/bin/systemctl stop lunebox-closedlid.socket lunebox-closedlid.service",
        "/bin/mv -f " + helper + ".new " + helper,
        "/usr/bin/systemctl daemon-reload",
        "/usr/bin/systemctl enable --now lunebox-closedlid.socket || (/bin/sleep 2",
        "systemd would not start it (systemctl enable failed).' >&2; exit 1;",
    };
    std::size_t at = 0;
    for (const auto& step : steps) {
        auto found = command->find(step, at);
        ASSERT_NE(found, std::string::npos) << "missing or out of order: " << step << "\nin: " << *command;
        at = found + step.size();
    }
}

TEST(ClosedLidInstaller, removal_covers_the_current_and_the_former_helper)
{
    auto command = ClosedLidInstaller::uninstallCommand();
    EXPECT_TRUE(shellAccepts(command)) << command;
    EXPECT_NE(command.find("disable --now lunebox-closedlid.socket lunebox-closedlid.service"), std::string::npos);
    EXPECT_NE(command.find("disable --now corvane-closedlid.socket corvane-closedlid.service"), std::string::npos);
    EXPECT_NE(command.find("/bin/rm -f /usr/local/libexec/lunebox-closedlid-helper"), std::string::npos);
    EXPECT_NE(command.find("/bin/rm -rf /var/lib/lunebox-closedlid"), std::string::npos);
    EXPECT_TRUE(command.ends_with("true"));

    auto manual = ClosedLidInstaller::manualRemovalCommand();
    EXPECT_TRUE(manual.starts_with("sudo systemctl disable --now lunebox-closedlid.socket"));
    EXPECT_TRUE(shellAccepts(manual));

    auto request = ClosedLidInstaller::elevated(command);
    EXPECT_EQ(request.program, "/usr/bin/pkexec");
    EXPECT_EQ(request.arguments, (std::vector<std::string>{"/bin/sh", "-c", command}));
}

TEST(ClosedLidInstaller, finds_the_shipped_files_beside_a_build_or_under_an_installed_prefix)
{
    auto built = ClosedLidInstaller::bundledSources(LUNEBOX_BIN_DIR);
    EXPECT_EQ(built.helper, std::string(LUNEBOX_BIN_DIR) + "/lunebox-closedlid-helper");
    EXPECT_TRUE(std::filesystem::exists(built.serviceUnit));
    EXPECT_TRUE(std::filesystem::exists(built.socketUnit));

    auto installed = ClosedLidInstaller::bundledSources("/usr/bin");
    EXPECT_EQ(installed.helper, "/usr/libexec/lunebox/lunebox-closedlid-helper");
    EXPECT_EQ(installed.socketUnit, "/usr/share/lunebox/closedlid/lunebox-closedlid.socket");
}

TEST(ClosedLidInstaller, the_shipped_units_name_the_installed_helper_and_its_socket)
{
    auto built = ClosedLidInstaller::bundledSources(LUNEBOX_BIN_DIR);
    EXPECT_NE(contents(built.serviceUnit).find("ExecStart=" + std::string(ClosedLidPaths::installedHelper) + "\n"),
              std::string::npos);
    EXPECT_NE(contents(built.serviceUnit).find("StateDirectory=lunebox-closedlid\n"), std::string::npos)
        << "the state directory must be " << ClosedLidPaths::stateFolder;
    EXPECT_NE(contents(built.socketUnit).find("ListenStream=" + std::string(ClosedLidPaths::socketPath) + "\n"),
              std::string::npos);
}

TEST(ClosedLidClientRecord, reads_back_what_the_installer_writes_and_nothing_malformed)
{
    EXPECT_EQ(ClosedLidClientRecord::decode(client.encoded()), client);
    EXPECT_EQ(ClosedLidClientRecord::decode(R"({"uid":-1,"appSHA256":")" + client.appSHA256 + "\"}"), std::nullopt);
    EXPECT_EQ(ClosedLidClientRecord::decode(R"({"uid":1000,"appSHA256":"ABC"})"), std::nullopt);
    EXPECT_EQ(ClosedLidClientRecord::decode("{"), std::nullopt);
}

ClosedLidLaunchInputs healthy()
{
    ClosedLidLaunchInputs inputs;
    inputs.unitInstalled = true;
    inputs.file = InstalledHelperFile{true, 0, 0755};
    inputs.installedSHA256 = helperHash;
    inputs.expectedSHA256 = helperHash;
    inputs.reportedVersion = 3;
    inputs.requiredVersion = 3;
    return inputs;
}

TEST(ClosedLidLaunchCheck, a_trusted_matching_helper_that_answers_in_the_right_version_is_ready)
{
    EXPECT_EQ(ClosedLidLaunchCheck::state(healthy()), HelperState::ready);
    auto older = healthy();
    older.reportedVersion = 2;
    EXPECT_EQ(ClosedLidLaunchCheck::state(older), HelperState::needsUpdate);
    auto silent = healthy();
    silent.reportedVersion.reset();
    EXPECT_EQ(ClosedLidLaunchCheck::state(silent), HelperState::unreachable);
    ClosedLidLaunchInputs nothing;
    EXPECT_EQ(ClosedLidLaunchCheck::state(nothing), HelperState::notInstalled);
}

TEST(ClosedLidLaunchCheck, a_helper_file_others_could_have_changed_needs_repair_whatever_it_answers)
{
    auto check = [](auto change) {
        auto inputs = healthy();
        change(inputs);
        return ClosedLidLaunchCheck::state(inputs);
    };
    EXPECT_EQ(check([](auto& in) { in.file.reset(); }), HelperState::needsRepair);
    EXPECT_EQ(check([](auto& in) { in.file->isRegularFile = false; }), HelperState::needsRepair);
    EXPECT_EQ(check([](auto& in) { in.file->ownerUID = 1000; }), HelperState::needsRepair);
    EXPECT_EQ(check([](auto& in) { in.file->permissions = 0775; }), HelperState::needsRepair);
    EXPECT_EQ(check([](auto& in) { in.file->permissions = 0757; }), HelperState::needsRepair);
    EXPECT_EQ(check([](auto& in) { in.installedSHA256 = std::string(64, 'c'); }), HelperState::needsRepair);
    EXPECT_EQ(check([](auto& in) { in.installedSHA256.reset(); }), HelperState::needsRepair);
    EXPECT_EQ(check([](auto& in) { in.file->permissions = 04755; }), HelperState::ready);
}

TEST(InstalledHelperFile, reads_the_file_itself_never_what_a_link_points_to)
{
    testing::TemporaryFolder folder;
    EXPECT_EQ(InstalledHelperFile::read(folder / "missing"), std::nullopt);

    std::ofstream(folder / "helper") << "#!/bin/sh\n";
    ::chmod((folder / "helper").c_str(), 0751);
    auto file = InstalledHelperFile::read(folder / "helper");
    ASSERT_TRUE(file);
    EXPECT_EQ(*file, (InstalledHelperFile{true, static_cast<std::uint32_t>(::geteuid()), 0751}));

    std::filesystem::create_symlink(folder / "helper", folder / "link");
    auto link = InstalledHelperFile::read(folder / "link");
    ASSERT_TRUE(link);
    EXPECT_FALSE(link->isRegularFile);
    EXPECT_FALSE(link->isTrusted());
}

}  // namespace
}  // namespace corvane
