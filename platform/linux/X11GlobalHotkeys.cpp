#include "platform/linux/X11GlobalHotkeys.h"

#include <cstdlib>

#include <QSocketNotifier>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include "core/base/Log.h"

namespace corvane::platform {

namespace {

const Logger logger("hotkeys");

constexpr std::uint32_t numLockKeysym = 0xff7f;
constexpr std::uint8_t badAccess = 10;
// The modifier bits a key event reports; the rest are mouse buttons.
constexpr std::uint16_t keyboardModifiers = 0xff;

std::uint16_t xModifiers(std::uint8_t modifiers)
{
    std::uint16_t out = 0;
    if ((modifiers & KeyCombination::shift) != 0)
        out |= XCB_MOD_MASK_SHIFT;
    if ((modifiers & KeyCombination::ctrl) != 0)
        out |= XCB_MOD_MASK_CONTROL;
    if ((modifiers & KeyCombination::alt) != 0)
        out |= XCB_MOD_MASK_1;
    if ((modifiers & KeyCombination::logo) != 0)
        out |= XCB_MOD_MASK_4;
    return out;
}

}  // namespace

X11GlobalHotkeys::X11GlobalHotkeys(const char* display)
{
    if (connect(display))
        return;
    logger.info("no X server: global shortcuts are off");
    if (symbols_ != nullptr)
        xcb_key_symbols_free(symbols_);
    symbols_ = nullptr;
    if (connection_ != nullptr)
        xcb_disconnect(connection_);
    connection_ = nullptr;
}

X11GlobalHotkeys::~X11GlobalHotkeys()
{
    notifier_.reset();
    if (connection_ == nullptr)
        return;
    for (const auto& [name, held] : held_)
        ungrab(held);
    xcb_key_symbols_free(symbols_);
    xcb_disconnect(connection_);
}

bool X11GlobalHotkeys::connect(const char* display)
{
    int screenNumber = 0;
    connection_ = xcb_connect(display, &screenNumber);
    if (xcb_connection_has_error(connection_) != 0)
        return false;
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection_));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
        xcb_screen_next(&screens);
    if (screens.rem == 0)
        return false;
    root_ = screens.data->root;
    symbols_ = xcb_key_symbols_alloc(connection_);
    if (symbols_ == nullptr)
        return false;

    // Which of the eight modifiers holds a Num Lock key.
    std::unique_ptr<xcb_keycode_t, decltype(&std::free)> numLockCodes(
        xcb_key_symbols_get_keycode(symbols_, numLockKeysym), &std::free);
    std::unique_ptr<xcb_get_modifier_mapping_reply_t, decltype(&std::free)> map(
        xcb_get_modifier_mapping_reply(connection_, xcb_get_modifier_mapping(connection_), nullptr), &std::free);
    if (numLockCodes && map) {
        const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(map.get());
        int perModifier = map->keycodes_per_modifier;
        for (int modifier = 0; modifier < 8 && numLock_ == 0; ++modifier) {
            for (int i = 0; i < perModifier; ++i) {
                xcb_keycode_t code = codes[modifier * perModifier + i];
                for (const xcb_keycode_t* n = numLockCodes.get(); code != 0 && *n != XCB_NO_SYMBOL; ++n) {
                    if (*n == code)
                        numLock_ = std::uint16_t(1u << modifier);
                }
            }
        }
    }

    notifier_ = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(connection_), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { readEvents(); });
    return true;
}

std::vector<std::uint16_t> X11GlobalHotkeys::lockVariants() const
{
    std::vector<std::uint16_t> out{0, XCB_MOD_MASK_LOCK};
    if (numLock_ != 0) {
        out.push_back(numLock_);
        out.push_back(std::uint16_t(numLock_ | XCB_MOD_MASK_LOCK));
    }
    return out;
}

X11GlobalHotkeys::Grab X11GlobalHotkeys::add(const std::string& name, const KeyCombination& combination,
                                             std::function<void()> pressed)
{
    remove(name);
    if (notifier_ == nullptr)
        return Grab::noServer;
    std::unique_ptr<xcb_keycode_t, decltype(&std::free)> codes(
        xcb_key_symbols_get_keycode(symbols_, combination.keysym), &std::free);
    if (!codes || *codes == XCB_NO_SYMBOL)
        return Grab::noKey;
    Held held{*codes, xModifiers(combination.modifiers), std::move(pressed)};
    std::vector<xcb_void_cookie_t> cookies;
    for (std::uint16_t locks : lockVariants())
        cookies.push_back(xcb_grab_key_checked(connection_, 1, root_, std::uint16_t(held.modifiers | locks),
                                               held.keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    bool taken = false;
    for (xcb_void_cookie_t cookie : cookies) {
        if (xcb_generic_error_t* error = xcb_request_check(connection_, cookie)) {
            taken = taken || error->error_code == badAccess;
            std::free(error);
        }
    }
    if (taken) {
        // Some variants may be ours now: a half grab would confuse the user.
        ungrab(held);
        xcb_flush(connection_);
        return Grab::taken;
    }
    held_.emplace(name, std::move(held));
    return Grab::grabbed;
}

void X11GlobalHotkeys::remove(const std::string& name)
{
    auto found = held_.find(name);
    if (found == held_.end())
        return;
    ungrab(found->second);
    held_.erase(found);
    xcb_flush(connection_);
}

void X11GlobalHotkeys::ungrab(const Held& held)
{
    for (std::uint16_t locks : lockVariants())
        xcb_ungrab_key(connection_, held.keycode, root_, std::uint16_t(held.modifiers | locks));
}

void X11GlobalHotkeys::readEvents()
{
    std::vector<std::function<void()>> presses;
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        if ((event->response_type & 0x7f) == XCB_KEY_PRESS) {
            const auto* press = reinterpret_cast<const xcb_key_press_event_t*>(event);
            auto state = std::uint16_t(press->state & keyboardModifiers & ~(XCB_MOD_MASK_LOCK | numLock_));
            for (const auto& [name, held] : held_) {
                if (held.keycode == press->detail && held.modifiers == state)
                    presses.push_back(held.pressed);
            }
        }
        std::free(event);
    }
    if (xcb_connection_has_error(connection_) != 0) {
        logger.warning("the X server connection broke: global shortcuts are off");
        notifier_->setEnabled(false);
        notifier_.release()->deleteLater();
        held_.clear();
        return;
    }
    // A press may re-register shortcuts, which changes held_.
    for (const auto& pressed : presses)
        pressed();
}

}  // namespace corvane::platform
