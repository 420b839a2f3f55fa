#include <gtest/gtest.h>

#include "app/desktop/SettingsWindow.h"
#include "core/notch/DefaultsDomain.h"
#include "core/notch/Keys.h"
#include "tests/app/QtTestApplication.h"
#include "tests/core/base/TemporaryFolder.h"

#include <fstream>

using corvane::MemoryDefaultsDomain;
using corvane::SettingsStore;
using corvane::app::SettingsWindow;
using corvane::testing::TemporaryFolder;
namespace Keys = corvane::Keys;

TEST(SettingsWindow, an_exported_file_imports_back_after_the_preview_is_confirmed)
{
    TemporaryFolder folder;
    MemoryDefaultsDomain domain;
    SettingsStore store(domain);
    SettingsWindow window(store, [&](bool on) { store.set(Keys::quietMode, on); });
    store.set(Keys::quietMode, true);
    store.set(Keys::alertStyle, corvane::AlertStyle::ears);
    auto file = QString::fromStdString((folder / "settings.json").string());
    EXPECT_EQ(window.exportFile(file), "Exported to " + file + ".");

    store.set(Keys::quietMode, false);
    std::optional<SettingsStore::ImportPreview> shown;
    auto declined = window.importFile(file, [&](const SettingsStore::ImportPreview& preview) {
        shown = preview;
        return false;
    });
    EXPECT_EQ(declined, "Nothing imported.");
    EXPECT_EQ(shown, (SettingsStore::ImportPreview{.changed = 1, .unchanged = 1}));
    EXPECT_FALSE(store.get(Keys::quietMode));

    EXPECT_EQ(window.importFile(file, [](const auto&) { return true; }), "Imported 2 settings.");
    EXPECT_TRUE(store.get(Keys::quietMode));
}

TEST(SettingsWindow, an_import_that_fails_shows_why_and_changes_nothing)
{
    TemporaryFolder folder;
    MemoryDefaultsDomain domain;
    SettingsStore store(domain);
    SettingsWindow window(store, [&](bool on) { store.set(Keys::quietMode, on); });
    // "true" is no alert style: the whole import is refused.
    std::ofstream(folder / "bad.json") << R"({"corvane.events.quietMode": "dHJ1ZQ==", "corvane.alerts.style": "dHJ1ZQ=="})";
    bool asked = false;

    auto shown = window.importFile(QString::fromStdString((folder / "bad.json").string()), [&](const auto&) {
        asked = true;
        return true;
    });

    EXPECT_EQ(shown, "Import failed: import settings corvane.alerts.style: malformed");
    EXPECT_FALSE(asked);
    EXPECT_FALSE(store.hasValue(Keys::quietMode));
    EXPECT_EQ(window.importFile(QString::fromStdString((folder / "missing.json").string()), [](const auto&) { return true; })
                  .left(15),
              "Import failed: ");
}
