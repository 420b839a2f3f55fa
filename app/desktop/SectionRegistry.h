#pragma once
// The sections that modules contribute to the panel, by id: a
// SurfaceSection's raw value ("runtime", "clipboard") or "inbox" for the
// Notifications inbox. Modules register a factory at launch; the panel
// builds a section's widget when it builds its surface.

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include <QWidget>

#include "core/notch/Surface.h"

namespace corvane::app {

class AppEnvironment;

// A page of the panel: one of the five surfaces, or the inbox.
struct PanelPage {
    bool inbox = false;
    Surface surface = Surface::home;  // when not the inbox

    static PanelPage of(Surface surface) { return {false, surface}; }
    static PanelPage inboxPage() { return {true, Surface::home}; }
    bool operator==(const PanelPage&) const = default;
};

// The page that shows an id: "inbox", a surface's raw value, a section's,
// or a module's (by the section of the same name, else its group); none
// for an unknown id.
std::optional<PanelPage> pageFor(std::string_view id);

class SectionRegistry {
public:
    using Factory = std::function<QWidget*(AppEnvironment& environment, QWidget* parent)>;
    static constexpr std::string_view inbox = "inbox";

    // The sections the app itself provides: the Notifications inbox.
    static SectionRegistry builtIn();

    // A later factory for the same id replaces the earlier one.
    void add(std::string id, Factory factory) { factories_[std::move(id)] = std::move(factory); }
    const Factory* find(std::string_view id) const;
    // Lets another module take part in a registered section: `attach` sees
    // each widget the factory builds. Nothing when no section has the id.
    void extend(std::string_view id, std::function<void(QWidget* section)> attach);
    // Home always has content (its widgets); another surface only with a
    // registered section.
    bool hasContent(Surface surface) const;
    bool hasInbox() const { return find(inbox) != nullptr; }

private:
    std::map<std::string, Factory, std::less<>> factories_;
};

}  // namespace corvane::app
