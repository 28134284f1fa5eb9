#include "catalogue.h"
#include "fehlerbeschreibung.h"
#include "form1.h"
#include "xsession.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

// Both windows as a window manager shows them on a real X display: where the
// frame lies, and what the title bar is given to show.
class tst_Desktop : public QObject
{
    Q_OBJECT

public:
    explicit tst_Desktop(const XSession &session) : m_session(session) {}

private slots:
    void init();
    void cleanup() { catalogue::InterpretationCaption.clear(); }
    void centredAndTitled_data();
    void centredAndTitled();

private:
    const XSession &m_session;
    xcb_connection_t *connection() const;
    xcb_atom_t atom(const char *name) const;
    QByteArray property(xcb_window_t window, const char *name) const;
    QRect outerFrame(xcb_window_t window) const;
};

void tst_Desktop::init()
{
    if (QGuiApplication::platformName() != "xcb")
        QSKIP(qPrintable("needs an X server with a window manager: " + m_session.failure));
}

xcb_connection_t *tst_Desktop::connection() const
{
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

xcb_atom_t tst_Desktop::atom(const char *name) const
{
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&free)> reply(
        xcb_intern_atom_reply(connection(),
                              xcb_intern_atom(connection(), false, strlen(name), name), nullptr),
        &free);
    return reply ? reply->atom : 0;
}

QByteArray tst_Desktop::property(xcb_window_t window, const char *name) const
{
    std::unique_ptr<xcb_get_property_reply_t, decltype(&free)> reply(
        xcb_get_property_reply(connection(),
                               xcb_get_property(connection(), false, window, atom(name),
                                                XCB_GET_PROPERTY_TYPE_ANY, 0, 256),
                               nullptr),
        &free);
    if (!reply)
        return "(no reply)";
    return QByteArray(static_cast<const char *>(xcb_get_property_value(reply.get())),
                      xcb_get_property_value_length(reply.get()));
}

// The window manager's outermost window around `window`, on the root window.
QRect tst_Desktop::outerFrame(xcb_window_t window) const
{
    xcb_connection_t *c = connection();
    for (;;) {
        std::unique_ptr<xcb_query_tree_reply_t, decltype(&free)> tree(
            xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr), &free);
        if (!tree || tree->parent == tree->root)
            break;
        window = tree->parent;
    }
    std::unique_ptr<xcb_get_geometry_reply_t, decltype(&free)> g(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr), &free);
    if (!g)
        return {};
    const int border = g->border_width;
    return QRect(g->x, g->y, g->width + 2 * border, g->height + 2 * border);
}

void tst_Desktop::centredAndTitled_data()
{
    QTest::addColumn<bool>("interpretation");
    QTest::addColumn<bool>("catalogue");
    QTest::addColumn<QString>("title");
    QTest::newRow("main window") << false << true
                                 << "Fehlerausgabe Firmwareversionen Kestrion 1.XX";
    QTest::newRow("main window without catalogue: empty title") << false << false << "";
    QTest::newRow("interpretation window") << true << true << "Fehlerinterpretation";
    QTest::newRow("interpretation window, empty caption") << true << false << "";
}

void tst_Desktop::centredAndTitled()
{
    QFETCH(bool, interpretation);
    QFETCH(bool, catalogue);
    QFETCH(QString, title);
    QTemporaryDir empty;
    main_window::Form1 form(catalogue ? QString(SHIPPED_FOLDER) : empty.path());
    std::unique_ptr<QWidget> second;
    if (interpretation)
        second = std::make_unique<interpretation::Fehlerbeschreibung>();
    QWidget *window = second ? second.get() : &form;
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    const auto id = xcb_window_t(window->winId());
    const QRect shown = outerFrame(id);
    QTest::qWait(200); // a window moved after it was shown would jump now

    const QRect frame = outerFrame(id);
    QCOMPARE(frame, shown);
    QVERIFY2(frame.size() != window->size(), "the window manager drew no frame");
    const QPoint offset = frame.center() - QRect(0, 0, 1280, 800).center();
    QVERIFY2(qAbs(offset.x()) <= 2 && qAbs(offset.y()) <= 2,
             qPrintable(QString("frame centre %1, %2 px off").arg(offset.x()).arg(offset.y())));
    QCOMPARE(QString::fromUtf8(property(id, "_NET_WM_NAME")), title);
    QCOMPARE(QString::fromLatin1(property(id, "WM_NAME")), title);
}

int main(int argc, char *argv[])
{
    XSession session;
    qputenv("QT_QPA_PLATFORM", session.failure.isEmpty() ? "xcb" : "offscreen");
    QApplication app(argc, argv);
    tst_Desktop test(session);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_desktop.moc"
