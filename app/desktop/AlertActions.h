#pragma once
// The one place where the primary buttons of alert cards and inbox rows
// act. Joining, opening and revealing happen here through the platform's
// opener, and only for targets that pass their checks: a meeting link that
// still validates, an http(s) address, an existing file that opening cannot
// run. Actions that belong to modules (container logs, a timer restart, a
// terminal, an app's leftovers) go to the handler the module registered;
// without one the answer is "unavailable", and no button offers it.

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

#include "app/desktop/SectionRegistry.h"
#include "core/base/Result.h"
#include "core/notch/AlertCenter.h"
#include "core/notch/AlertPresenter.h"
#include "core/notch/InboundEar.h"
#include "platform/Opener.h"

namespace corvane::app {

class AlertActions final : public AlertActionHandler {
public:
    // Carries out an action for its module; gets the record with its payload.
    using ModuleHandler = std::function<Result<void>(const AlertRecord& record)>;
    // The panel as far as actions need it.
    struct Panel {
        std::function<bool(const PanelPage&)> canShow;
        std::function<void(const PanelPage&)> show;
    };

    // At most this many files are shown at once.
    static constexpr std::size_t maxRevealed = 64;

    explicit AlertActions(platform::Opener& opener,
                          InboundEar::ExecutableCheck isExecutable = InboundEar::isExecutableFile);

    // A later handler for the same action replaces the earlier one.
    void setHandler(InboxAction action, ModuleHandler handler);
    void setPanel(Panel panel) { panel_ = std::move(panel); }

    bool canPerform(InboxAction action, const AlertRecord& record) const override;
    // As run(), with a failure logged: the inbox has nobody to tell.
    void perform(InboxAction action, const AlertRecord& record) override;
    // Unavailable when nothing here carries the action out; Invalid when its
    // target was refused.
    Result<void> run(InboxAction action, const AlertRecord& record);

    // What the card's button does: the card's own primary when its source
    // planned one, else the inbox's action for the alert; none when that
    // cannot act.
    std::optional<InboxAction> cardAction(const PresentedAlert& alert, WallTime now) const;
    Result<void> runCard(const PresentedAlert& alert, WallTime now);

    // The file an inbound ear names, opened on a click.
    Result<void> openFile(std::string_view path);

private:
    // What an action comes down to once its target passed: one of these.
    struct Step {
        std::optional<platform::OpenTarget> open{};
        std::vector<std::filesystem::path> reveal{};
        std::optional<PanelPage> page{};
        const ModuleHandler* handler = nullptr;
    };

    // The card's request in the inbox's terms: the action and the record it acts on.
    static std::optional<std::pair<InboxAction, AlertRecord>> cardRequest(const PresentedAlert& alert, WallTime now);

    // Fills `step` when the action can be carried out.
    Result<void> resolve(InboxAction action, const AlertRecord& record, Step& step) const;
    Result<void> openStep(std::string_view target, Step& step) const;
    std::optional<PanelPage> showablePage(std::string_view id) const;
    Result<void> carryOut(const Step& step, const AlertRecord& record);

    platform::Opener& opener_;
    InboundEar::ExecutableCheck isExecutable_;
    std::map<InboxAction, ModuleHandler> handlers_;
    Panel panel_;
};

}  // namespace corvane::app
