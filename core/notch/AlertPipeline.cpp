#include "core/notch/AlertPipeline.h"

#include "core/notch/AlertCenter.h"
#include "core/notch/EventRouting.h"
#include "core/notch/Keys.h"
#include "core/notch/ModuleCatalog.h"
#include "core/notch/SettingsStore.h"

namespace corvane {

namespace {

// Defaults of the per-kind switches; a kind the catalogue does not know is
// on, may use the ears and posts no notification.
const AlertKind& kindDefaults(std::string_view kind)
{
    static const AlertKind unknown;
    const AlertKind* known = ModuleCatalog::alertKind(kind);
    return known != nullptr ? *known : unknown;
}

AlertRecord makeRecord(const AppEvent& event, const AlertPost& post)
{
    return AlertRecord{
        .kind = event.kind,
        .moduleID = event.moduleID,
        .title = post.title,
        .text = post.body.value_or(""),
        .date = event.date,
        .action = post.action,
    };
}

}  // namespace

AlertPipeline::AlertPipeline(SettingsStore& settings, AlertCenter& alerts, EventCenter& events, Outlets outlets,
                             const Clock& clock)
    : settings_(settings)
    , alerts_(alerts)
    , events_(events)
    , outlets_(outlets)
    , clock_(clock)
{
}

EventDecision AlertPipeline::post(std::string_view moduleID, const AlertPost& post)
{
    log_.debug("event {}", post.kind);
    AppEvent event{
        .kind = post.kind,
        .moduleID = std::string(moduleID),
        .coalesceKey = EventKey::derive(post.key, post.project, post.title, post.body),
        .isPlainCopy = post.isPlainCopy,
        .isPrivate = post.isPrivate,
        .ignoresCopyMode = post.ignoresCopyMode,
        .date = clock_.now(),
    };
    EventCenter::Decided decided = events_.decide(event, post.duration);
    if (decided.decision.as<EventDecision::Drop>())
        return decided.decision;

    EventEffects effects = EventRouting::effects(decided.decision, kindDefaults(event.kind).keepsHistory);
    AlertRecord record = makeRecord(event, post);
    if (effects.contains(EventEffect::record))
        alerts_.add(record);
    if (away_ != nullptr)
        away_->observe(record, event.coalesceKey);

    // Muting keeps the history complete but shows and plays nothing.
    bool muted = settings_.get(Keys::muteAll);
    if (!muted && (effects.contains(EventEffect::present) || effects.contains(EventEffect::update)))
        show(event, post, decided);
    if (effects.contains(EventEffect::deliverExternal))
        deliverExternal(event, post, decided, muted);
    return decided.decision;
}

void AlertPipeline::show(const AppEvent& event, const AlertPost& post, const EventCenter::Decided& decided)
{
    PresentedAlert alert{
        .kind = event.kind,
        .moduleID = event.moduleID,
        .coalesceKey = event.coalesceKey,
        .title = post.title,
        .body = post.body.value_or(""),
        .date = event.date,
        .duration = decided.settings.duration,
        .card = post.card,
        .ear = post.ear,
        .action = post.action,
    };

    if (const auto* repeat = decided.decision.as<EventDecision::Coalesce>()) {
        alert.surface = events_.visibleStyle().value_or(EventStyle::card);
        alert.count = repeat->count;
        outlets_.presenter.update(alert);
        events_.didCoalesce(event, alert.duration);
        return;
    }

    // No pet carries alerts yet, so every kind takes its base look: an ear
    // where both the kind and its module allow ears, a card otherwise.
    const auto& shown = *decided.decision.as<EventDecision::Show>();
    bool earAllowed = settings_.get(AlertSwitch::ears(event.kind, kindDefaults(event.kind).defaultEars))
                      && settings_.get(ModuleSwitch::ears(event.moduleID));
    alert.surface = shown.style == EventStyle::ear && earAllowed ? EventStyle::ear : EventStyle::card;
    alert.duration = shown.duration;
    outlets_.presenter.present(alert);
    events_.didShow(event, alert.surface, alert.duration);
}

void AlertPipeline::deliverExternal(const AppEvent& event, const AlertPost& post, const EventCenter::Decided& decided,
                                    bool muted)
{
    const AlertKind& defaults = kindDefaults(event.kind);
    ExternalAlert alert{
        .kind = event.kind,
        .moduleID = event.moduleID,
        .title = post.title,
        .body = post.body.value_or(""),
        .date = event.date,
        .timeSensitive = decided.settings.timeSensitive,
        .action = post.action,
    };
    if (settings_.get(AlertSwitch::notify(event.kind, defaults.defaultNotify)))
        outlets_.delivery.postNotification(alert);
    if (phone_ != nullptr && settings_.get(AlertSwitch::phone(event.kind)))
        phone_->handOff(alert);

    NotchSoundRules::Context context{
        .master = settings_.get(Keys::soundsEnabled),
        .quiet = decided.settings.quietOn && decided.settings.quietSilences,
        .muteAll = muted,
        .inCall = inCall_,
    };
    bool soundOn = settings_.get(AlertSwitch::sound(event.kind, NotchSoundRules::defaultOn(event.kind)));
    bool coalesced = decided.decision.as<EventDecision::Coalesce>() != nullptr;
    if (auto sound = NotchSoundRules::decide(event.kind, /*byPet*/ false, soundOn, coalesced, context, soundLimiter_, event.date))
        outlets_.sounds.play(*sound, settings_.get(Keys::soundsVolume));
}

}  // namespace corvane
