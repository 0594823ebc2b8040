#pragma once

// What the X server and the window manager say about the program's windows, for the tests' run on
// a real desktop (tests/ui/support/on_desktop.sh), where Qt's own view could hide a fault.

#include <QGuiApplication>
#include <QRect>
#include <QTest>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <xcb/xcb.h>

namespace kolvane::testing {

// Set by on_desktop.sh: a window manager and a notification-area host are up, so the tests that
// need them must run, never skip.
inline bool OnRealDesktop() {
    return qEnvironmentVariableIsSet("KOLVANE_TEST_DESKTOP");
}

inline xcb_connection_t* XConnection() {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

template <typename Reply> using XReply = std::unique_ptr<Reply, decltype(&std::free)>;
template <typename Reply> XReply<Reply> Owned(Reply* reply) {
    return {reply, &std::free};
}

inline xcb_window_t XRoot() {
    return xcb_setup_roots_iterator(xcb_get_setup(XConnection())).data->root;
}

inline xcb_window_t XParent(xcb_window_t window) {
    const auto tree =
        Owned(xcb_query_tree_reply(XConnection(), xcb_query_tree(XConnection(), window), nullptr));
    return tree ? tree->parent : XCB_NONE;
}

// XCB_MAP_STATE_UNMAPPED, _UNVIEWABLE (mapped inside an unmapped window) or _VIEWABLE.
inline int XMapState(const QWidget* widget) {
    const auto attributes = Owned(xcb_get_window_attributes_reply(
        XConnection(), xcb_get_window_attributes(XConnection(), widget->winId()), nullptr));
    return attributes ? int(attributes->map_state) : int(XCB_MAP_STATE_UNMAPPED);
}

// The outermost window around the widget's window below the root, the frame where a window
// manager framed it, in root coordinates.
inline QRect XOuterRect(const QWidget* widget) {
    xcb_window_t outer = widget->winId();
    for (xcb_window_t parent = XParent(outer); parent != XCB_NONE && parent != XRoot();
         parent = XParent(outer))
        outer = parent;
    const auto geometry = Owned(
        xcb_get_geometry_reply(XConnection(), xcb_get_geometry(XConnection(), outer), nullptr));
    if (!geometry)
        return {};
    const int border = 2 * geometry->border_width;
    return {geometry->x, geometry->y, geometry->width + border, geometry->height + border};
}

inline xcb_atom_t XAtom(const char* name) {
    const auto reply = Owned(xcb_intern_atom_reply(
        XConnection(), xcb_intern_atom(XConnection(), 0, uint16_t(strlen(name)), name), nullptr));
    return reply ? reply->atom : XCB_NONE;
}

inline bool XHasProperty(xcb_window_t window, xcb_atom_t property) {
    const auto reply = Owned(xcb_get_property_reply(
        XConnection(),
        xcb_get_property(XConnection(), 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1),
        nullptr));
    return reply && reply->type != XCB_NONE;
}

// Returns once the window manager has handled everything the program sent it before: a request
// for frame extents goes behind it in the manager's queue, and its answer is a property on a
// window of this function's own. False when no answer came within the bound.
inline bool WindowManagerCaughtUp() {
    xcb_connection_t* connection = XConnection();
    const xcb_window_t probe = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, probe, XRoot(), 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_client_message_event_t request{};
    request.response_type = XCB_CLIENT_MESSAGE;
    request.format = 32;
    request.window = probe;
    request.type = XAtom("_NET_REQUEST_FRAME_EXTENTS");
    xcb_send_event(connection, 0, XRoot(),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&request));
    xcb_flush(connection);
    const xcb_atom_t extents = XAtom("_NET_FRAME_EXTENTS");
    const bool answered = QTest::qWaitFor([&] { return XHasProperty(probe, extents); }, 5000);
    xcb_destroy_window(connection, probe);
    xcb_flush(connection);
    return answered;
}

} // namespace kolvane::testing
