#include "windowmanager.h"

#include <QGuiApplication>
#include <QThread>
#include <QWidget>
#include <cstring>

#if defined(TOOLKIT_XCB) && QT_CONFIG(xcb)
#include <xcb/xcb.h>
#define TOOLKIT_USE_XCB 1
#endif
#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace toolkit {

#ifdef TOOLKIT_USE_XCB
namespace {

xcb_connection_t *x11Connection()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    xcb_intern_atom_reply_t *reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, false, uint16_t(strlen(name)), name), nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    return result;
}

// The 32-bit values of a window property, empty when it is not set.
QList<quint32> cardinals(xcb_connection_t *c, xcb_window_t window, xcb_atom_t property,
                         xcb_atom_t type)
{
    xcb_get_property_reply_t *reply = xcb_get_property_reply(
        c, xcb_get_property(c, false, window, property, type, 0, 1024), nullptr);
    QList<quint32> values;
    if (reply && reply->format == 32) {
        const auto *data = static_cast<const quint32 *>(xcb_get_property_value(reply));
        values = QList<quint32>(data, data + xcb_get_property_value_length(reply) / 4);
    }
    free(reply);
    return values;
}

xcb_window_t rootOf(xcb_connection_t *c)
{
    return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
}

// Whether a window manager runs that answers a request for the frame extents.
bool managerAnswersFrameRequests(xcb_connection_t *c)
{
    const xcb_window_t root = rootOf(c);
    if (cardinals(c, root, atom(c, "_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW).isEmpty())
        return false;
    return cardinals(c, root, atom(c, "_NET_SUPPORTED"), XCB_ATOM_ATOM)
        .contains(atom(c, "_NET_REQUEST_FRAME_EXTENTS"));
}

} // namespace
#endif

QMargins frameBeforeShow(const QWidget *window)
{
#ifdef TOOLKIT_USE_XCB
    xcb_connection_t *c = x11Connection();
    if (!c || !managerAnswersFrameRequests(c))
        return {};
    const auto id = xcb_window_t(window->winId()); // created, not yet mapped
    const xcb_atom_t extents = atom(c, "_NET_FRAME_EXTENTS");
    xcb_client_message_event_t request{};
    request.response_type = XCB_CLIENT_MESSAGE;
    request.format = 32;
    request.window = id;
    request.type = atom(c, "_NET_REQUEST_FRAME_EXTENTS");
    xcb_send_event(c, false, rootOf(c),
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char *>(&request));
    // The manager answers by setting the property, usually within a millisecond;
    // one that does not within a quarter of a second gets no more waiting.
    for (int waited = 0; waited < 250; ++waited) {
        const QList<quint32> ltrb = cardinals(c, id, extents, XCB_ATOM_CARDINAL);
        if (ltrb.size() == 4) {
            // X11 counts device pixels; the window is placed in logical ones.
            const qreal ratio = window->devicePixelRatioF();
            return QMargins(qRound(ltrb[0] / ratio), qRound(ltrb[2] / ratio),
                            qRound(ltrb[1] / ratio), qRound(ltrb[3] / ratio));
        }
        QThread::msleep(1);
    }
#else
    Q_UNUSED(window);
#endif
    return {};
}

void setCaption(QWidget *window, const QString &caption)
{
    window->setWindowTitle(caption);
    if (!caption.isEmpty())
        return;
#ifdef TOOLKIT_USE_XCB
    if (xcb_connection_t *c = x11Connection()) {
        // Both the modern and the classic title property, written empty after Qt wrote them.
        const auto id = xcb_window_t(window->winId());
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, atom(c, "_NET_WM_NAME"),
                            atom(c, "UTF8_STRING"), 8, 0, nullptr);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 0,
                            nullptr);
        xcb_flush(c);
    }
#endif
#ifdef Q_OS_WIN
    SetWindowTextW(reinterpret_cast<HWND>(window->winId()), L"");
#endif
}

} // namespace toolkit
