#include "platform/linux/X11ActiveWindow.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include <QSocketNotifier>
#include <QStandardPaths>
#include <QString>

#include <xcb/randr.h>
#include <xcb/xcb.h>

#include "core/base/Log.h"
#include "core/notch/MovieMode.h"
#include "platform/DesktopAppID.h"

namespace corvane::platform {

namespace {

const Logger logger("window");

constexpr std::array<std::string_view, 6> atomNames{"_NET_ACTIVE_WINDOW", "_NET_WM_STATE", "_NET_WM_STATE_FULLSCREEN",
                                                     "_GTK_APPLICATION_ID", "_KDE_NET_WM_DESKTOP_FILE", "UTF8_STRING"};

// Other clients write these properties: a name longer than this is no
// desktop-file id, and a state list longer than this is not one we know.
constexpr std::uint32_t maxNameLongs = 64;   // 256 bytes
constexpr std::uint32_t maxStateAtoms = 64;

template <typename T>
struct Freed {
    void operator()(T* value) const { std::free(value); }
};
template <typename T>
using Reply = std::unique_ptr<T, Freed<T>>;

std::string lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

// KDE's property holds an id, sometimes written with its file's suffix.
std::string withoutSuffix(std::string id)
{
    constexpr std::string_view suffix = ".desktop";
    if (id.size() > suffix.size() && id.ends_with(suffix))
        id.resize(id.size() - suffix.size());
    return id;
}

}  // namespace

std::optional<std::string> X11ActiveWindow::appID(const WindowNames& names, const DesktopFileExists& exists)
{
    for (const auto& declared : {names.gtkApplicationID, names.kdeDesktopFile}) {
        if (!declared)
            continue;
        std::string id = withoutSuffix(*declared);
        if (DesktopAppID::isValid(id))
            return id;
    }
    std::vector<std::string> candidates;
    for (const auto& part : {names.className, names.instance}) {
        if (part)
            candidates.push_back(*part);
    }
    for (const auto& part : {names.className, names.instance}) {
        if (part)
            candidates.push_back(lowered(*part));
    }
    for (const auto& candidate : candidates) {
        if (DesktopAppID::isValid(candidate) && exists(candidate))
            return candidate;
    }
    if (names.className && DesktopAppID::isValid(*names.className))
        return lowered(*names.className);
    return std::nullopt;
}

bool X11ActiveWindow::hasDesktopFile(std::string_view id)
{
    if (!DesktopAppID::isValid(id))
        return false;
    QString file = QString::fromUtf8(id.data(), qsizetype(id.size())) + QStringLiteral(".desktop");
    return !QStandardPaths::locate(QStandardPaths::ApplicationsLocation, file).isEmpty();
}

X11ActiveWindow::X11ActiveWindow(const char* display)
{
    if (!connect(display)) {
        if (connection_ != nullptr)
            xcb_disconnect(connection_);
        connection_ = nullptr;
        return;
    }
    refresh();
    readEvents();
}

X11ActiveWindow::~X11ActiveWindow()
{
    notifier_.reset();
    if (connection_ != nullptr)
        xcb_disconnect(connection_);
}

bool X11ActiveWindow::connect(const char* display)
{
    int screenNumber = 0;
    connection_ = xcb_connect(display, &screenNumber);
    if (xcb_connection_has_error(connection_) != 0) {
        logger.info("no X server: the active window stays unknown");
        return false;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection_));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
        xcb_screen_next(&screens);
    if (screens.rem == 0)
        return false;
    root_ = screens.data->root;

    std::array<xcb_intern_atom_cookie_t, atomCount> cookies{};
    for (std::size_t i = 0; i < atomCount; ++i)
        cookies[i] = xcb_intern_atom(connection_, 0, std::uint16_t(atomNames[i].size()), atomNames[i].data());
    for (std::size_t i = 0; i < atomCount; ++i) {
        Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection_, cookies[i], nullptr));
        if (!reply)
            return false;
        atoms_[i] = reply->atom;
    }

    std::uint32_t rootEvents = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &rootEvents);
    const xcb_query_extension_reply_t* randr = xcb_get_extension_data(connection_, &xcb_randr_id);
    if (randr != nullptr && randr->present != 0) {
        randrEvents_ = randr->first_event;
        xcb_randr_select_input(connection_, root_, XCB_RANDR_NOTIFY_MASK_SCREEN_CHANGE);
    }
    loadMonitors();

    notifier_ = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(connection_), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { readEvents(); });
    return true;
}

void X11ActiveWindow::readEvents()
{
    // Round trips made while refreshing may read further events into
    // xcb's queue without the socket signalling again: drain until no
    // event that matters is left.
    for (;;) {
        bool changed = false;
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
            changed = matters(event) || changed;
            std::free(event);
        }
        if (xcb_connection_has_error(connection_) != 0) {
            logger.warning("the X server connection broke: the active window is unknown from now on");
            // We may be inside the notifier's own signal.
            notifier_->setEnabled(false);
            notifier_.release()->deleteLater();
            followed_ = 0;
            publish({});
            return;
        }
        if (!changed)
            return;
        refresh();
    }
}

bool X11ActiveWindow::matters(const void* raw)
{
    const auto* event = static_cast<const xcb_generic_event_t*>(raw);
    std::uint8_t type = event->response_type & 0x7f;  // synthetic events count the same
    if (type == XCB_PROPERTY_NOTIFY) {
        const auto* notify = static_cast<const xcb_property_notify_event_t*>(raw);
        if (notify->window == root_)
            return notify->atom == atoms_[activeWindow];
        return notify->window == followed_
            && (notify->atom == atoms_[wmState] || notify->atom == XCB_ATOM_WM_CLASS
                || notify->atom == atoms_[gtkApplicationID] || notify->atom == atoms_[kdeDesktopFile]);
    }
    if (type == XCB_CONFIGURE_NOTIFY) {
        const auto* notify = static_cast<const xcb_configure_notify_event_t*>(raw);
        if (notify->window == root_)
            loadMonitors();
        return notify->window == followed_ || notify->window == root_;
    }
    if (type == XCB_DESTROY_NOTIFY)
        return static_cast<const xcb_destroy_notify_event_t*>(raw)->window == followed_;
    if (randrEvents_ && type == *randrEvents_ + XCB_RANDR_SCREEN_CHANGE_NOTIFY) {
        loadMonitors();
        return true;
    }
    // Errors (a window that went away before we asked) and everything else.
    return false;
}

void X11ActiveWindow::refresh()
{
    follow(currentActiveWindow());
    if (followed_ == 0) {
        publish({});
        return;
    }
    publish({.appID = appID(names(followed_), hasDesktopFile), .fullScreen = isFullScreen(followed_)});
}

void X11ActiveWindow::follow(std::uint32_t window)
{
    if (window == followed_)
        return;
    // Selecting before reading: a change made in between still arrives.
    if (followed_ != 0) {
        std::uint32_t none = XCB_EVENT_MASK_NO_EVENT;
        xcb_change_window_attributes(connection_, followed_, XCB_CW_EVENT_MASK, &none);
    }
    followed_ = window;
    if (followed_ != 0) {
        std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection_, followed_, XCB_CW_EVENT_MASK, &events);
    }
}

std::uint32_t X11ActiveWindow::currentActiveWindow()
{
    auto cookie = xcb_get_property(connection_, 0, root_, atoms_[activeWindow], XCB_ATOM_WINDOW, 0, 1);
    xcb_generic_error_t* error = nullptr;
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection_, cookie, &error));
    std::free(error);
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4)
        return 0;
    return *static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
}

std::optional<std::string> X11ActiveWindow::property(std::uint32_t window, std::uint32_t atom, std::uint32_t type)
{
    auto cookie = xcb_get_property(connection_, 0, window, atom, type, 0, maxNameLongs);
    xcb_generic_error_t* error = nullptr;
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection_, cookie, &error));
    std::free(error);
    if (!reply || reply->type == XCB_NONE || reply->format != 8)
        return std::nullopt;
    const auto* value = static_cast<const char*>(xcb_get_property_value(reply.get()));
    return std::string(value, std::size_t(xcb_get_property_value_length(reply.get())));
}

X11ActiveWindow::WindowNames X11ActiveWindow::names(std::uint32_t window)
{
    WindowNames names{
        .gtkApplicationID = property(window, atoms_[gtkApplicationID], atoms_[utf8String]),
        .kdeDesktopFile = property(window, atoms_[kdeDesktopFile], XCB_GET_PROPERTY_TYPE_ANY),
    };
    // WM_CLASS: the instance and the class, each ended by a zero byte.
    if (auto wmClass = property(window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING)) {
        std::string_view text = *wmClass;
        std::size_t end = text.find('\0');
        if (end != std::string_view::npos) {
            names.instance = std::string(text.substr(0, end));
            std::string_view rest = text.substr(end + 1);
            names.className = std::string(rest.substr(0, rest.find('\0')));
        }
    }
    for (auto* name : {&names.gtkApplicationID, &names.kdeDesktopFile, &names.instance, &names.className}) {
        if (*name && (*name)->empty())
            name->reset();
    }
    return names;
}

bool X11ActiveWindow::isFullScreen(std::uint32_t window)
{
    auto cookie = xcb_get_property(connection_, 0, window, atoms_[wmState], XCB_ATOM_ATOM, 0, maxStateAtoms);
    xcb_generic_error_t* error = nullptr;
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection_, cookie, &error));
    std::free(error);
    if (reply && reply->format == 32) {
        const auto* states = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
        int count = xcb_get_property_value_length(reply.get()) / 4;
        if (std::find(states, states + count, atoms_[wmStateFullScreen]) != states + count)
            return true;
    }
    // Some players fill the screen without saying so.
    auto frame = frameOf(window);
    if (!frame)
        return false;
    auto monitor = std::find_if(monitors_.begin(), monitors_.end(),
                                [&](const Rect& area) { return area.contains(frame->midX(), frame->midY()); });
    return monitor != monitors_.end() && MovieMode::covers(*frame, *monitor, 0);
}

std::optional<Rect> X11ActiveWindow::frameOf(std::uint32_t window)
{
    auto geometryCookie = xcb_get_geometry(connection_, window);
    auto originCookie = xcb_translate_coordinates(connection_, window, root_, 0, 0);
    xcb_generic_error_t* error = nullptr;
    Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(connection_, geometryCookie, &error));
    std::free(error);
    error = nullptr;
    Reply<xcb_translate_coordinates_reply_t> origin(xcb_translate_coordinates_reply(connection_, originCookie, &error));
    std::free(error);
    if (!geometry || !origin)
        return std::nullopt;
    return Rect{double(origin->dst_x), double(origin->dst_y), double(geometry->width), double(geometry->height)};
}

void X11ActiveWindow::loadMonitors()
{
    monitors_.clear();
    if (randrEvents_) {
        auto cookie = xcb_randr_get_monitors(connection_, root_, 1);
        xcb_generic_error_t* error = nullptr;
        Reply<xcb_randr_get_monitors_reply_t> reply(xcb_randr_get_monitors_reply(connection_, cookie, &error));
        std::free(error);
        if (reply) {
            for (auto it = xcb_randr_get_monitors_monitors_iterator(reply.get()); it.rem > 0;
                 xcb_randr_monitor_info_next(&it))
                monitors_.push_back(Rect{double(it.data->x), double(it.data->y), double(it.data->width),
                                         double(it.data->height)});
        }
    }
    if (!monitors_.empty())
        return;
    // Without RandR's monitors the root window is the one screen.
    if (auto root = frameOf(root_))
        monitors_.push_back(*root);
}

}  // namespace corvane::platform
