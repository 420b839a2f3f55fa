// The built `lunebox` as a user starts it: real processes, real files, the
// offscreen platform, and every folder it may touch in a temporary one.

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <variant>

#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>

#include "app/desktop/EarPainter.h"
#include "app/desktop/SnapshotRenderer.h"
#include "core/notch/FileDefaultsDomain.h"
#include "core/notch/Keys.h"
#include "core/notch/SettingsStore.h"
#include "tests/app/QtTestApplication.h"
#include "tests/core/base/TemporaryFolder.h"

namespace EarPainter = corvane::app::EarPainter;
namespace SnapshotRenderer = corvane::app::SnapshotRenderer;
using corvane::testing::runEventsUntil;
using corvane::testing::TemporaryFolder;
namespace fs = std::filesystem;

namespace {

const QString executable = QStringLiteral(LUNEBOX_BIN_DIR "/lunebox");
constexpr int startLimitMs = 30'000;  // sanitizer builds start slowly

// A session of its own: no display server, no session bus, no harness marker.
class Session {
public:
    Session()
    {
        for (const char* name : {"home", "data", "config", "cache", "runtime"})
            fs::create_directories(folder_ / name);
        fs::permissions(folder_ / "runtime", fs::perms::owner_all, fs::perm_options::replace);
        environment_ = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "LUNEBOX_HARNESS", "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION"})
            environment_.remove(name);
        environment_.insert("QT_QPA_PLATFORM", "offscreen");
        environment_.insert("HOME", path("home"));
        environment_.insert("XDG_DATA_HOME", path("data"));
        environment_.insert("XDG_CONFIG_HOME", path("config"));
        environment_.insert("XDG_CACHE_HOME", path("cache"));
        environment_.insert("XDG_RUNTIME_DIR", path("runtime"));
        environment_.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + path("runtime") + "/no-bus");
    }

    QString path(const char* name) const { return QString::fromStdString((folder_ / name).string()); }
    fs::path folder() const { return folder_.path(); }
    QProcessEnvironment& environment() { return environment_; }

    std::unique_ptr<QProcess> start(const QStringList& arguments)
    {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(environment_);
        process->start(executable, arguments);
        return process;
    }

    // What the settings file says now, read as another process would.
    std::optional<bool> storedQuietMode() const
    {
        corvane::FileDefaultsDomain domain(folder_ / "config" / "Lunebox" / "defaults.json");
        corvane::SettingsStore store(domain);
        if (!store.hasValue(corvane::Keys::quietMode))
            return std::nullopt;
        return store.get(corvane::Keys::quietMode);
    }

private:
    TemporaryFolder folder_;
    QProcessEnvironment environment_;
};

std::string readText(const fs::path& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

TEST(Main, without_a_display_the_app_says_so_in_one_line_and_touches_nothing)
{
    Session session;
    session.environment().remove("QT_QPA_PLATFORM");
    auto process = session.start({});

    ASSERT_TRUE(process->waitForFinished(startLimitMs));
    EXPECT_EQ(process->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process->exitCode(), 1);
    EXPECT_EQ(process->readAllStandardError().toStdString(),
              "lunebox: no graphical session (DISPLAY or WAYLAND_DISPLAY is not set)\n");
    EXPECT_TRUE(fs::is_empty(session.folder() / "config"));
    EXPECT_TRUE(fs::is_empty(session.folder() / "data"));
}

TEST(Main, a_second_launch_hands_its_url_to_the_first_and_the_first_quits_cleanly_on_sigterm)
{
    Session session;
    // The first launch handles its own URL too: quiet mode gets a stored value.
    auto first = session.start({"lunebox://quiet?on=0"});
    ASSERT_TRUE(first->waitForStarted());
    ASSERT_TRUE(runEventsUntil([&] { return session.storedQuietMode() == false; }, std::chrono::milliseconds(startLimitMs)))
        << first->readAllStandardError().toStdString();

    auto started = std::chrono::steady_clock::now();
    auto second = session.start({"lunebox://quiet?on=1"});
    ASSERT_TRUE(second->waitForFinished(startLimitMs));
    EXPECT_EQ(second->exitCode(), 0) << second->readAllStandardError().toStdString();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_TRUE(runEventsUntil([&] { return session.storedQuietMode() == true; }));
    EXPECT_EQ(first->state(), QProcess::Running);

    // A normal run registers itself for the URL scheme.
    auto desktopFile = readText(session.folder() / "data" / "applications" / "com.lunebox.app.desktop");
    EXPECT_NE(desktopFile.find("\nExec=" + executable.toStdString() + " %u\n"), std::string::npos) << desktopFile;
    EXPECT_NE(desktopFile.find("\nMimeType=x-scheme-handler/lunebox;\n"), std::string::npos);

    first->terminate();
    ASSERT_TRUE(first->waitForFinished(startLimitMs));
    EXPECT_EQ(first->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first->exitCode(), 0) << first->readAllStandardError().toStdString();
    EXPECT_FALSE(fs::exists(session.folder() / "runtime" / "com.lunebox.app.socket"));
}

TEST(Main, snapshots_render_every_view_offscreen_without_a_display)
{
    Session session;
    session.environment().remove("QT_QPA_PLATFORM");
    auto output = session.folder() / "snapshots";
    auto process = session.start({"--snapshots", QString::fromStdString(output.string())});

    ASSERT_TRUE(process->waitForFinished(startLimitMs));
    EXPECT_EQ(process->exitCode(), 0) << process->readAllStandardError().toStdString();
    QImage closed(QString::fromStdString((output / "closed.png").string()));
    ASSERT_FALSE(closed.isNull());
    EXPECT_EQ(closed.size(), QSize(400, 64));
    EXPECT_EQ(closed.pixelColor(200, 10), QColor(Qt::black));
    EXPECT_EQ(closed.pixelColor(0, 63).alpha(), 0);

    std::vector<std::string> expected;
    for (const auto& content : SnapshotRenderer::sampleContents())
        expected.push_back("ear-" + EarPainter::caseName(content) + ".png");
    EXPECT_EQ(std::set<std::string>(expected.begin(), expected.end()).size(),
              std::variant_size_v<decltype(corvane::EarContent::value)>)
        << "one picture for every ear content case";
    for (const char* name : {"card.png", "panel-home.png", "panel-dev.png", "panel-stash.png", "panel-focus.png",
                             "panel-system.png", "panel-inbox.png", "inbox.png"})
        expected.push_back(name);
    for (const auto& name : expected) {
        QImage image(QString::fromStdString((output / name).string()));
        ASSERT_FALSE(image.isNull()) << name;
        EXPECT_FALSE(SnapshotRenderer::isBlank(image)) << name;
    }
    // A different surface is a different picture.
    EXPECT_NE(QImage(QString::fromStdString((output / "panel-dev.png").string())),
              QImage(QString::fromStdString((output / "panel-system.png").string())));
}
