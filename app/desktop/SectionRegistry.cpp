#include "app/desktop/SectionRegistry.h"

#include "app/desktop/NotificationsSurface.h"
#include "core/notch/ModuleCatalog.h"
#include "core/notch/SurfaceSection.h"

namespace corvane::app {

namespace {

Surface surfaceOf(ModuleGroup group)
{
    switch (group) {
    case ModuleGroup::dev: return Surface::dev;
    case ModuleGroup::tools: return Surface::stash;
    case ModuleGroup::life: return Surface::focus;
    case ModuleGroup::system: return Surface::system;
    case ModuleGroup::home: return Surface::home;
    }
    return Surface::home;
}

}  // namespace

std::optional<PanelPage> pageFor(std::string_view id)
{
    if (id == SectionRegistry::inbox)
        return PanelPage::inboxPage();
    if (auto surface = fromRawValue<Surface>(id))
        return PanelPage::of(*surface);
    if (auto section = fromRawValue<SurfaceSection>(id))
        return PanelPage::of(surface(*section));
    if (const auto* module = ModuleCatalog::descriptor(id))
        return PanelPage::of(surfaceOf(module->group));
    return std::nullopt;
}

SectionRegistry SectionRegistry::builtIn()
{
    SectionRegistry registry;
    registry.add(std::string(inbox),
                 [](AppEnvironment& environment, QWidget* parent) { return new NotificationsSurface(environment, parent); });
    return registry;
}

void SectionRegistry::extend(std::string_view id, std::function<void(QWidget* section)> attach)
{
    const Factory* existing = find(id);
    if (existing == nullptr)
        return;
    add(std::string(id), [factory = *existing, attach = std::move(attach)](AppEnvironment& environment, QWidget* parent) {
        QWidget* widget = factory(environment, parent);
        attach(widget);
        return widget;
    });
}

const SectionRegistry::Factory* SectionRegistry::find(std::string_view id) const
{
    auto found = factories_.find(id);
    return found != factories_.end() ? &found->second : nullptr;
}

bool SectionRegistry::hasContent(Surface surface) const
{
    if (surface == Surface::home)
        return true;
    for (SurfaceSection section : sections(surface)) {
        if (find(rawValue(section)) != nullptr)
            return true;
    }
    return false;
}

}  // namespace corvane::app
