// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "core/screen_info.h"
#include "desktop/qt_desktop_windows.h"
#include "support/logging.h"

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QPointer>
#include <QRegularExpression>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>
#include <xcb/xcbext.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <future>
#include <memory>
#include <optional>
#include <system_error>
#include <thread>

#include <poll.h>

namespace {

constexpr std::uint32_t ALL_DESKTOPS = 0xFFFFFFFF;
constexpr std::uint32_t NET_WM_STATE_REMOVE = 0;
constexpr std::uint32_t NET_WM_STATE_ADD = 1;
constexpr std::uint32_t SOURCE_APPLICATION = 1;
// A second start is the user asking for the window, as a taskbar click is.
constexpr std::uint32_t SOURCE_USER_REQUEST = 2;
constexpr std::uint32_t URGENCY_HINT = 1u << 8; // ICCCM's XUrgencyHint in WM_HINTS' flags
constexpr int FRAME_WAIT_MS = 3000;
constexpr int FRAME_POLL_MS = 20;
// How long the window's thread waits for an answer from the X server at most: a server that
// stopped reading (a stopped XWayland, a remote display gone) must not freeze the window.
constexpr int SERVER_PATIENCE_MS = 500;

using Reply = std::unique_ptr<void, decltype(&std::free)>;

// How long one wait on the connection's descriptor lasts at most: Qt's event thread may read a
// reply off the socket just before the wait begins, and it is then found at the next look.
constexpr int READ_BY_ANOTHER_MS = 20;

// The reply to a request on a connection whose events another thread reads (Qt's), or none
// once SERVER_PATIENCE_MS have passed or the server answered with an error. The wait is on the
// connection's descriptor, woken as soon as the server writes.
Reply replyWithin(xcb_connection_t* c, unsigned int sequence)
{
    xcb_flush(c);
    const QDeadlineTimer deadline(SERVER_PATIENCE_MS);
    pollfd readable{xcb_get_file_descriptor(c), POLLIN, 0};
    void* reply = nullptr;
    xcb_generic_error_t* error = nullptr;
    while (!xcb_poll_for_reply(c, sequence, &reply, &error) && !deadline.hasExpired() &&
           !xcb_connection_has_error(c)) {
        ::poll(&readable, 1, int(std::min<qint64>(deadline.remainingTime(), READ_BY_ANOTHER_MS)));
    }
    std::free(error);
    return Reply(reply, &std::free);
}

// The time a startup notification id carries at its end ("..._TIME1234"), when it does.
std::optional<std::uint32_t> launchTime(const QString& startupId)
{
    static const QRegularExpression timeAtEnd(QStringLiteral("_TIME([0-9]{1,10})$"));
    const QRegularExpressionMatch match = timeAtEnd.match(startupId);
    bool ok = false;
    const std::uint32_t time = match.hasMatch() ? match.captured(1).toUInt(&ok) : 0;
    return ok && time != XCB_CURRENT_TIME ? std::optional(time) : std::nullopt;
}

// The X server's time now: the time of a property change on a window of its own, on a
// connection of its own, since Qt's connection delivers its events to Qt alone.
std::optional<std::uint32_t> askServerTime()
{
    const std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> connection(
        xcb_connect(nullptr, nullptr), &xcb_disconnect);
    if (xcb_connection_has_error(connection.get()))
        return std::nullopt;
    xcb_connection_t* c = connection.get();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const xcb_window_t window = xcb_generate_id(c);
    const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                      &events);
    xcb_change_property(c, XCB_PROP_MODE_APPEND, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 0,
                        nullptr);
    xcb_flush(c);
    const QDeadlineTimer deadline(SERVER_PATIENCE_MS);
    pollfd readable{xcb_get_file_descriptor(c), POLLIN, 0};
    while (::poll(&readable, 1, int(deadline.remainingTime())) > 0) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            const bool changed = (event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY;
            const std::uint32_t time = reinterpret_cast<xcb_property_notify_event_t*>(event)->time;
            std::free(event);
            if (changed)
                return time;
        }
        if (xcb_connection_has_error(c))
            break;
    }
    return std::nullopt;
}

// The server's time, or none once SERVER_PATIENCE_MS have passed: xcb_connect waits for the
// server's greeting without a bound, so the asking runs on a thread of its own, left to end by
// itself when the server never answers.
std::optional<std::uint32_t> serverTime()
{
    std::packaged_task<std::optional<std::uint32_t>()> ask(askServerTime);
    std::future<std::optional<std::uint32_t>> time = ask.get_future();
    try {
        std::thread(std::move(ask)).detach();
    } catch (const std::system_error&) {
        return std::nullopt; // no thread to be had: the request goes with no time
    }
    if (time.wait_for(std::chrono::milliseconds(SERVER_PATIENCE_MS)) != std::future_status::ready)
        return std::nullopt;
    return time.get();
}

// EWMH on X11, through Qt's own xcb connection.
class X11DesktopWindows final : public QtDesktopWindows
{
public:
    explicit X11DesktopWindows(xcb_connection_t* connection)
        : m_connection(connection),
          m_root(xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root),
          m_activeWindow(atom("_NET_ACTIVE_WINDOW"))
    {
    }

    // The box is modal to its owner, though not in Qt's sense, which Qt would tell the window
    // manager. It is told once the box has mapped: xfwm4 gives the keyboard to every window
    // that is modal as it maps.
    void alertShown(QWidget* box, bool activate) override
    {
        sendToRoot(windowOf(box), atom("_NET_WM_STATE"),
                   {NET_WM_STATE_ADD, atom("_NET_WM_STATE_MODAL"), 0, SOURCE_APPLICATION, 0});
        xcb_flush(m_connection);
        QtDesktopWindows::alertShown(box, activate);
    }

    // Qt may still take its window for active a while after the window manager gave the
    // keyboard to another program (after a minimize, say), so the window manager is asked.
    // Its answer may name a box of ours just closed: the ids the server gave this connection
    // tell any window of ours, gone or not.
    bool hasKeyboard() override
    {
        const std::optional<std::uint32_t> active =
            value32(m_root, m_activeWindow, XCB_ATOM_WINDOW);
        if (!active || *active == XCB_WINDOW_NONE)
            return QtDesktopWindows::hasKeyboard();
        const xcb_setup_t* setup = xcb_get_setup(m_connection);
        return (*active & ~setup->resource_id_mask) == setup->resource_id_base;
    }

    // Most window managers put a transient on its owner's workspace, and some ignore what the
    // box itself asks for: the owner is moved to the user's workspace first. The window manager
    // reads its requests in order, so the owner has moved by the time it maps the box.
    void prepareAlert(QWidget* box, QWidget* owner) override
    {
        QtDesktopWindows::prepareAlert(box, owner);
        const std::optional<std::uint32_t> desktop = currentDesktop();
        const std::uint32_t boxDesktop = desktop.value_or(ALL_DESKTOPS);
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, windowOf(box),
                            atom("_NET_WM_DESKTOP"), XCB_ATOM_CARDINAL, 32, 1, &boxDesktop);
        if (desktop && owner && owner->isVisible()) {
            const std::optional<std::uint32_t> ownerDesktop =
                cardinal(windowOf(owner), atom("_NET_WM_DESKTOP"));
            if (ownerDesktop && *ownerDesktop != *desktop && *ownerDesktop != ALL_DESKTOPS) {
                sendToRoot(windowOf(owner), atom("_NET_WM_DESKTOP"),
                           {*desktop, SOURCE_APPLICATION, 0, 0, 0});
            }
        }
        xcb_flush(m_connection);
    }

    // Qt asks for attention only while a window is not active, and ends it only when the
    // window is activated: the state and the hint are set here whatever the focus, and cleared
    // when the box says the user has seen it.
    void setAttention(QWidget* window, bool on) override
    {
        if (!window->isVisible())
            return;
        const xcb_window_t id = windowOf(window);
        askForAttention(id, on);
        setUrgency(id, on);
        xcb_flush(m_connection);
    }

    // A window manager that prevents focus stealing compares the request's time with the
    // user's last input elsewhere, and answers a request without one (CurrentTime) with a
    // flash at most: the time the launcher gave the second start, else the server's now.
    void bringToUser(QWidget* window, const QString& activationToken) override
    {
        window->showNormal();
        const xcb_window_t id = windowOf(window);
        if (const auto desktop = currentDesktop()) {
            sendToRoot(id, atom("_NET_WM_DESKTOP"), {*desktop, SOURCE_USER_REQUEST, 0, 0, 0});
        } else {
            // Where the root does not say which workspace the user is on (GNOME Shell's
            // XWayland until the user first switches), the window is put on every workspace
            // and taken off again: the window manager leaves it on the user's, and so has no
            // workspace to switch to as it activates it.
            for (const std::uint32_t action : {NET_WM_STATE_ADD, NET_WM_STATE_REMOVE}) {
                sendToRoot(id, atom("_NET_WM_STATE"),
                           {action, atom("_NET_WM_STATE_STICKY"), 0, SOURCE_USER_REQUEST, 0});
            }
        }
        window->raise();
        std::optional<std::uint32_t> time = launchTime(activationToken);
        if (!time)
            time = serverTime();
        qCDebug(lcDesktop).noquote() << "Bringing the window to the user, launch token"
                                     << activationToken << "time" << time.value_or(0);
        sendToRoot(id, atom("_NET_ACTIVE_WINDOW"),
                   {SOURCE_USER_REQUEST, time.value_or(XCB_CURRENT_TIME), 0, 0, 0});
        xcb_flush(m_connection);
    }

    // The window manager frames the window some time after it is mapped; until then its outer
    // size is its inner one. Once the frame is known the window is centred by it, once. The
    // window itself is placed, by the margins just read: the widget learns of its frame only
    // when it next hears that it moved, which the window manager may not have told it yet.
    void centreWhenFramed(QWidget* window, const QRect& screen) override
    {
        auto* poll = new QTimer(window);
        QPointer<QWidget> guarded(window);
        QObject::connect(poll, &QTimer::timeout, window, [=, waited = 0]() mutable {
            waited += FRAME_POLL_MS;
            const QWindow* handle = guarded ? guarded->windowHandle() : nullptr;
            const QMargins frame = handle ? handle->frameMargins() : QMargins();
            const bool framed = !frame.isNull();
            if (framed) {
                const QSize outer = guarded->size().grownBy(frame);
                const QPoint inside =
                    centredTopLeft(screen, outer) + QPoint(frame.left(), frame.top());
                guarded->setGeometry(QRect(inside, guarded->size()));
            }
            if (framed || waited >= FRAME_WAIT_MS) {
                poll->stop();
                poll->deleteLater();
            }
        });
        poll->start(FRAME_POLL_MS);
    }

private:
    xcb_window_t windowOf(QWidget* window) const { return xcb_window_t(window->winId()); }

    xcb_atom_t atom(const char* name)
    {
        const auto cookie =
            xcb_intern_atom(m_connection, 0, std::uint16_t(std::strlen(name)), name);
        const Reply reply = replyWithin(m_connection, cookie.sequence);
        return reply ? static_cast<xcb_intern_atom_reply_t*>(reply.get())->atom
                     : xcb_atom_t(XCB_ATOM_NONE);
    }

    std::optional<std::uint32_t> currentDesktop()
    {
        return cardinal(m_root, atom("_NET_CURRENT_DESKTOP"));
    }

    std::optional<std::uint32_t> cardinal(xcb_window_t window, xcb_atom_t property)
    {
        return value32(window, property, XCB_ATOM_CARDINAL);
    }

    std::optional<std::uint32_t> value32(xcb_window_t window, xcb_atom_t property, xcb_atom_t type)
    {
        const auto cookie = xcb_get_property(m_connection, 0, window, property, type, 0, 1);
        const Reply answer = replyWithin(m_connection, cookie.sequence);
        auto* reply = static_cast<xcb_get_property_reply_t*>(answer.get());
        if (!reply || xcb_get_property_value_length(reply) != 4)
            return std::nullopt;
        return *static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
    }

    void sendToRoot(xcb_window_t window, xcb_atom_t type, std::array<std::uint32_t, 5> data)
    {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = type;
        for (std::size_t i = 0; i < data.size(); ++i)
            event.data.data32[i] = data[i];
        xcb_send_event(m_connection, 0, m_root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&event));
    }

    void askForAttention(xcb_window_t window, bool on)
    {
        sendToRoot(window, atom("_NET_WM_STATE"),
                   {on ? NET_WM_STATE_ADD : NET_WM_STATE_REMOVE,
                    atom("_NET_WM_STATE_DEMANDS_ATTENTION"), 0, SOURCE_APPLICATION, 0});
    }

    // The ICCCM urgency hint, which older taskbars read instead of the EWMH state.
    void setUrgency(xcb_window_t window, bool on)
    {
        const auto cookie =
            xcb_get_property(m_connection, 0, window, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 0, 9);
        const Reply answer = replyWithin(m_connection, cookie.sequence);
        auto* reply = static_cast<xcb_get_property_reply_t*>(answer.get());
        if (!reply)
            return; // rather than the hints Qt set
        std::array<std::uint32_t, 9> hints{};
        if (xcb_get_property_value_length(reply) >= 4) {
            const int length = std::min(xcb_get_property_value_length(reply), int(sizeof hints));
            std::memcpy(hints.data(), xcb_get_property_value(reply), std::size_t(length));
        }
        hints[0] = on ? hints[0] | URGENCY_HINT : hints[0] & ~URGENCY_HINT;
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_HINTS,
                            XCB_ATOM_WM_HINTS, 32, 9, hints.data());
    }

    xcb_connection_t* m_connection;
    xcb_window_t m_root;
    xcb_atom_t m_activeWindow;
};

} // namespace

std::unique_ptr<DesktopWindows> makeDesktopWindows()
{
    if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
        if (xcb_connection_t* connection = x11->connection())
            return std::make_unique<X11DesktopWindows>(connection);
    }
    qCDebug(lcDesktop) << "Not on X11: the window manager is left to Qt";
    return std::make_unique<QtDesktopWindows>();
}
