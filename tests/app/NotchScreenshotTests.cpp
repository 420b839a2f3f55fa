// The built `lunebox` on a private X server, checked on the root window's
// pixels: the island at the top centre, an ear sent by a second launch that
// goes after its time, and a card raised through the whole alert pipeline
// that also lands in "alerts.json". Skipped where Xvfb or ImageMagick's
// `import` is not installed.

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QStandardPaths>

#include "tests/core/base/TemporaryFolder.h"

using corvane::testing::TemporaryFolder;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

const QString executable = QStringLiteral(LUNEBOX_BIN_DIR "/lunebox");
constexpr int startLimitMs = 30'000;  // sanitizer builds start slowly
constexpr int screenWidth = 1280;
constexpr int centre = screenWidth / 2;

// A private X server with a white root window, on a display number it picks.
class Xvfb {
public:
    Xvfb()
    {
        server_.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                               QStringLiteral("0"), QStringLiteral("%1x800x24").arg(screenWidth),
                                               QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-wr")});
        // It writes the display number once it accepts clients.
        auto deadline = Clock::now() + std::chrono::seconds(10);
        while (!server_.canReadLine() && Clock::now() < deadline && server_.state() != QProcess::NotRunning)
            server_.waitForReadyRead(100);
        if (server_.canReadLine())
            display_ = QStringLiteral(":") + QString::fromLatin1(server_.readLine()).trimmed();
    }
    ~Xvfb()
    {
        server_.terminate();
        server_.waitForFinished(5000);
    }

    const QString& display() const { return display_; }

    QImage grab() const
    {
        QProcess import;
        import.start(QStringLiteral("import"), {QStringLiteral("-display"), display_, QStringLiteral("-window"),
                                                QStringLiteral("root"), QStringLiteral("png:-")});
        if (!import.waitForFinished(10'000))
            return {};
        return QImage::fromData(import.readAllStandardOutput(), "PNG");
    }

    // Grabs until `shows` holds for a grab; how long that took, or nothing.
    std::optional<double> waitFor(const std::function<bool(const QImage&)>& shows, int limitMs) const
    {
        auto started = Clock::now();
        while (Clock::now() - started < std::chrono::milliseconds(limitMs)) {
            QImage screen = grab();
            if (!screen.isNull() && shows(screen))
                return std::chrono::duration<double>(Clock::now() - started).count();
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return std::nullopt;
    }

private:
    QProcess server_;
    QString display_;
};

bool dark(const QImage& screen, int x, int y) { return screen.pixelColor(x, y).lightness() < 40; }
bool white(const QImage& screen, int x, int y) { return screen.pixelColor(x, y).lightness() > 240; }

// The closed island is 200 points wide and 32 high; an ear adds 80 on each side.
bool islandShows(const QImage& screen) { return dark(screen, centre, 10) && white(screen, centre - 130, 10); }
bool earShows(const QImage& screen) { return dark(screen, centre - 175, 10) && dark(screen, centre + 175, 10); }
bool earGone(const QImage& screen) { return islandShows(screen) && white(screen, centre - 175, 10); }
// The card hangs 6 points under the island: 380 wide, 78 high.
bool cardShows(const QImage& screen) { return dark(screen, centre - 180, 77) && dark(screen, centre + 180, 77); }

// The ear's text: light pixels on the island's black, right of the centre.
int lightPixelsRightOfIsland(const QImage& screen)
{
    int light = 0;
    for (int x = centre + 100; x < centre + 180; ++x)
        for (int y = 6; y < 26; ++y)
            light += screen.pixelColor(x, y).lightness() > 160 ? 1 : 0;
    return light;
}

std::string readText(const fs::path& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class NotchOnScreen : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* tool : {"Xvfb", "import"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                GTEST_SKIP() << tool << " is not installed";
        }
        ASSERT_FALSE(xvfb_.display().isEmpty()) << "Xvfb did not start";
        for (const char* name : {"home", "data", "config", "cache", "runtime", "tmp"})
            fs::create_directories(folder_ / name);
        fs::permissions(folder_ / "runtime", fs::perms::owner_all, fs::perm_options::replace);
        environment_ = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "LUNEBOX_HARNESS", "XDG_CURRENT_DESKTOP",
                                 "DESKTOP_SESSION", "CORVANE_OPEN_MODULE"})
            environment_.remove(name);
        environment_.insert("DISPLAY", xvfb_.display());
        environment_.insert("HOME", path("home"));
        environment_.insert("XDG_DATA_HOME", path("data"));
        environment_.insert("XDG_CONFIG_HOME", path("config"));
        environment_.insert("XDG_CACHE_HOME", path("cache"));
        environment_.insert("XDG_RUNTIME_DIR", path("runtime"));
        environment_.insert("TMPDIR", path("tmp"));
        environment_.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + path("runtime") + "/no-bus");
    }

    QString path(const char* name) const { return QString::fromStdString((folder_ / name).string()); }

    std::unique_ptr<QProcess> start(const QProcessEnvironment& environment, const QStringList& arguments = {})
    {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(environment);
        process->start(executable, arguments);
        return process;
    }

    static void quit(QProcess& app)
    {
        app.terminate();
        app.waitForFinished(startLimitMs);
    }

    TemporaryFolder folder_;
    Xvfb xvfb_;
    QProcessEnvironment environment_;
};

}  // namespace

TEST_F(NotchOnScreen, an_ear_sent_by_a_second_launch_shows_beside_the_island_for_its_time)
{
    auto app = start(environment_);
    ASSERT_TRUE(xvfb_.waitFor(islandShows, startLimitMs)) << app->readAllStandardError().toStdString();
    EXPECT_FALSE(earShows(xvfb_.grab()));

    auto second = start(environment_, {QStringLiteral("lunebox://ear?text=Build%20done&symbol=hammer&ttl=5")});
    ASSERT_TRUE(second->waitForFinished(startLimitMs));
    EXPECT_EQ(second->exitCode(), 0) << second->readAllStandardError().toStdString();
    auto sent = Clock::now();

    ASSERT_TRUE(xvfb_.waitFor(earShows, 5000)) << app->readAllStandardError().toStdString();
    EXPECT_GT(lightPixelsRightOfIsland(xvfb_.grab()), 20) << "the text of the right ear";
    ASSERT_TRUE(xvfb_.waitFor(earGone, 10'000));
    double shown = std::chrono::duration<double>(Clock::now() - sent).count();
    EXPECT_GT(shown, 4.5);
    EXPECT_LT(shown, 10.0);  // grabs are slow on a busy machine
    EXPECT_TRUE(islandShows(xvfb_.grab())) << "the island stays";
    quit(*app);
}

TEST_F(NotchOnScreen, a_raised_event_shows_a_card_under_the_island_and_lands_in_the_inbox_file)
{
    // A harness run keeps its data in TMPDIR; the timer fixture raises "Timer done" after a second.
    QProcessEnvironment harness = environment_;
    harness.insert("LUNEBOX_HARNESS", "1");
    harness.insert("CORVANE_TIMER_FIXTURE", "1");
    auto app = start(harness);
    ASSERT_TRUE(app->waitForStarted());
    fs::path alerts = folder_ / "tmp" / ("lunebox-harness-" + std::to_string(app->processId())) / "Lunebox" / "alerts.json";

    ASSERT_TRUE(xvfb_.waitFor(cardShows, startLimitMs)) << app->readAllStandardError().toStdString();
    EXPECT_TRUE(islandShows(xvfb_.grab()));
    auto saved = Clock::now() + std::chrono::seconds(10);
    while (readText(alerts).find("\"timers.done\"") == std::string::npos && Clock::now() < saved)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::string stored = readText(alerts);
    EXPECT_NE(stored.find("\"timers.done\""), std::string::npos) << stored;
    EXPECT_NE(stored.find("\"Timer done\""), std::string::npos) << stored;
    EXPECT_EQ(fs::status(alerts).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);

    // Its 6 seconds over, the card goes and the island stays.
    ASSERT_TRUE(xvfb_.waitFor([](const QImage& screen) { return !cardShows(screen) && islandShows(screen); }, 15'000));
    quit(*app);
}
