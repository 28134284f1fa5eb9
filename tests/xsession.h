#pragma once

#include <QByteArray>
#include <QString>
#include <csignal>
#include <fcntl.h>
#include <initializer_list>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#include <xcb/xcb.h>

extern char **environ;

// A virtual X screen (Xvfb) with a window manager (openbox) for the length of
// a test program. Started before the QApplication, which then connects to it;
// when either cannot be started, `failure` says why and the caller skips.
class XSession
{
public:
    XSession()
    {
        int pipeFds[2];
        if (pipe(pipeFds) != 0) {
            failure = "no pipe";
            return;
        }
        // Xvfb picks a free display itself and writes its number to the pipe.
        const QByteArray fd = QByteArray::number(pipeFds[1]);
        m_server = spawn({"Xvfb", "-displayfd", fd.constData(), "-screen", "0", "1280x800x24",
                          "-nolisten", "tcp"});
        close(pipeFds[1]);
        char number[16] = {};
        const ssize_t got = m_server > 0 ? read(pipeFds[0], number, sizeof number - 1) : -1;
        close(pipeFds[0]);
        if (got <= 0) {
            failure = "Xvfb could not be started";
            return;
        }
        display = ":" + QByteArray(number).trimmed();
        setenv("DISPLAY", display.constData(), 1);
        m_manager = spawn({"openbox"});
        if (m_manager <= 0 || !waitForManager())
            failure = "openbox could not be started";
    }

    ~XSession()
    {
        for (pid_t pid : {m_manager, m_server}) {
            if (pid > 0) {
                kill(pid, SIGTERM);
                waitpid(pid, nullptr, 0);
            }
        }
    }

    QByteArray display;
    QString failure;

private:
    pid_t m_server = 0;
    pid_t m_manager = 0;

    static pid_t spawn(std::initializer_list<const char *> args)
    {
        std::vector<char *> argv;
        for (const char *arg : args)
            argv.push_back(const_cast<char *>(arg));
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        pid_t pid = 0;
        const int error = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        return error == 0 ? pid : 0;
    }

    // The manager is ready when it has published its list of windows on the
    // root window, the last thing it does when it starts; it gets five seconds.
    static bool waitForManager()
    {
        xcb_connection_t *c = xcb_connect(nullptr, nullptr);
        bool found = false;
        const char name[] = "_NET_CLIENT_LIST";
        for (int i = 0; i < 500 && !found && !xcb_connection_has_error(c); ++i) {
            xcb_intern_atom_reply_t *atom =
                xcb_intern_atom_reply(c, xcb_intern_atom(c, false, sizeof name - 1, name), nullptr);
            const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
            xcb_get_property_reply_t *prop = xcb_get_property_reply(
                c, xcb_get_property(c, false, root, atom ? atom->atom : 0, XCB_ATOM_WINDOW, 0, 1),
                nullptr);
            found = prop && prop->type == XCB_ATOM_WINDOW;
            free(atom);
            free(prop);
            if (!found)
                usleep(10000);
        }
        xcb_disconnect(c);
        return found;
    }
};
