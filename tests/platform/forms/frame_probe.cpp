// Shows windows placed and sized the ways the add-in's windows are on the X
// display it is started on, and prints where the X server has their window
// manager's frames, one window a line:
//   name frameX frameY frameWidth frameHeight clientX clientY clientWidth clientHeight
// then the work area:
//   area X Y Width Height
// No window manager, or a window it never framed, within ten seconds ends
// the run with exit code 2.
#include "platform/forms/form.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QThread>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <xcb/xcb.h>

namespace {

// Flush with the right edge, its size held, as the login window.
class frmFlush : public forms::Form {
public:
    frmFlush() : Form(QStringLiteral("frmFlush")) { resize(400, 300); }
    void Form_Load() override { moveFlushRight(); }
    void Form_Resize() override { forms::HoldSize(*this, 4755, 2670); }
};

// Placed by the window manager, its size held, as the welcome page.
class frmPinned : public forms::Form {
public:
    frmPinned() : Form(QStringLiteral("frmPinned")) { resize(448, 237); }
    void Form_Resize() override { forms::HoldSize(*this, 6720, 3555); }
};

// Put above the top of the screen by its code.
class frmAbove : public forms::Form {
public:
    frmAbove() : Form(QStringLiteral("frmAbove")) { resize(300, 200); }
    void Form_Load() override { Move(3000, -300); }
};

struct XRects {
    QRect frame, client;
};

// The frame is the ancestor of the client that is a child of the root.
XRects rectsOf(xcb_connection_t* c, xcb_window_t client) {
    XRects out;
    xcb_window_t w = client, root = XCB_NONE;
    for (;;) {
        xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, w), nullptr);
        if (!tree)
            return out;
        const xcb_window_t parent = tree->parent;
        root = tree->root;
        std::free(tree);
        if (parent == root || parent == XCB_NONE)
            break;
        w = parent;
    }
    auto rectOf = [&](xcb_window_t window) {
        xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
        xcb_translate_coordinates_reply_t* at =
            xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, window, root, 0, 0), nullptr);
        QRect r;
        if (g && at)
            r = QRect(at->dst_x - g->border_width, at->dst_y - g->border_width, g->width + 2 * g->border_width,
                      g->height + 2 * g->border_width);
        std::free(g);
        std::free(at);
        return r;
    };
    out.frame = rectOf(w);
    out.client = rectOf(client);
    return out;
}

// Waits until a window manager frames the windows mapped on the display:
// one that has only just started may leave windows mapped meanwhile alone.
// A test window is mapped, and mapped anew each second, until one is
// framed; false when none was within ten seconds.
bool waitForWindowManager() {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    bool framed = false;
    if (!xcb_connection_has_error(c)) {
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        QElapsedTimer waited;
        waited.start();
        while (!framed && waited.elapsed() < 10000) {
            const xcb_window_t w = xcb_generate_id(c);
            xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, 0, 0, 20, 20, 0,
                              XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
            xcb_map_window(c, w);
            xcb_flush(c);
            QElapsedTimer tried;
            tried.start();
            while (!framed && tried.elapsed() < 1000) {
                QThread::msleep(20);
                xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, w), nullptr);
                framed = tree && tree->parent != tree->root;
                std::free(tree);
            }
            xcb_destroy_window(c, w);
            xcb_flush(c);
        }
    }
    xcb_disconnect(c);
    return framed;
}

} // namespace

int main(int argc, char** argv) {
    // Windows already shown when a window manager starts are taken over
    // where it finds them; the add-in's windows never are.
    if (!waitForWindowManager()) {
        std::fprintf(stderr, "frame-probe: no window manager framed a window\n");
        return 2;
    }
    QApplication app(argc, argv);
    auto* x11 = app.nativeInterface<QNativeInterface::QX11Application>();
    if (!x11) {
        std::fprintf(stderr, "frame-probe: not on an X display\n");
        return 1;
    }
    forms::Form* windows[] = {&forms::Get<frmFlush>(), &forms::Get<frmPinned>(), &forms::Get<frmAbove>()};
    for (forms::Form* f : windows)
        f->Show();

    auto framed = [&] {
        for (forms::Form* f : windows)
            if (!f->windowHandle() || f->windowHandle()->frameMargins().isNull())
                return false;
        return true;
    };
    QElapsedTimer clock;
    clock.start();
    while (!framed() && clock.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    if (!framed()) {
        std::fprintf(stderr, "frame-probe: the window manager framed no window\n");
        return 2;
    }
    // Time for the windows to be fitted to their frames and settle.
    clock.restart();
    while (clock.elapsed() < 1000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);

    xcb_connection_t* c = x11->connection();
    for (forms::Form* f : windows) {
        const XRects r = rectsOf(c, xcb_window_t(f->winId()));
        std::printf("%s %d %d %d %d %d %d %d %d\n", qPrintable(f->className()), r.frame.x(), r.frame.y(),
                    r.frame.width(), r.frame.height(), r.client.x(), r.client.y(), r.client.width(),
                    r.client.height());
    }
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    std::printf("area %d %d %d %d\n", area.x(), area.y(), area.width(), area.height());
    return 0;
}
