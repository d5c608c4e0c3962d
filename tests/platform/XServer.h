#pragma once
#include <QByteArray>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

// A private X server (Xvfb on a display number it picks itself, so tests can
// run side by side), optionally with the icewm window manager, for the life
// of the object.
class XServer {
public:
    explicit XServer(bool withWindowManager = false)
    {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        const pid_t pid = fork();
        if (pid == 0) {
            close(fds[0]);
            quietOutput();
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        if (pid < 0) {
            close(fds[0]);
            return;
        }
        xvfb_ = pid;
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < end && poll(&p, 1, 200) >= 0) {
            if (!(p.revents & (POLLIN | POLLHUP)))
                continue;
            char c = 0;
            if (read(fds[0], &c, 1) != 1 || c == '\n')
                break;
            number += c;
        }
        close(fds[0]);
        if (number.empty())
            return;
        name_ = QByteArray(":") + QByteArray::fromStdString(number);
        if (withWindowManager)
            startWindowManager();
    }

    ~XServer()
    {
        stop(wm_);
        stop(xvfb_);
    }
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    // ":N", or empty when the server did not start.
    const QByteArray& name() const { return name_; }
    bool running() const { return !name_.isEmpty(); }
    bool windowManagerReady() const { return wmReady_; }

private:
    static void quietOutput()
    {
        const int null = open("/dev/null", O_RDWR);
        if (null >= 0) {
            dup2(null, 1);
            dup2(null, 2);
        }
    }

    void startWindowManager()
    {
        const pid_t pid = fork();
        if (pid == 0) {
            quietOutput();
            setenv("DISPLAY", name_.constData(), 1);
            execlp("icewm", "icewm", static_cast<char*>(nullptr));
            _exit(127);
        }
        if (pid < 0)
            return;
        wm_ = pid;
        // Ready once it announces _NET_ACTIVE_WINDOW among the supported hints.
        Display* display = XOpenDisplay(name_.constData());
        if (!display)
            return;
        const Atom supported = XInternAtom(display, "_NET_SUPPORTED", False);
        const Atom active = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!wmReady_ && std::chrono::steady_clock::now() < end) {
            Atom type = 0;
            int format = 0;
            unsigned long count = 0, after = 0;
            unsigned char* data = nullptr;
            if (XGetWindowProperty(display, DefaultRootWindow(display), supported, 0, 4096, False, XA_ATOM, &type,
                                   &format, &count, &after, &data) == Success && data) {
                const auto* atoms = reinterpret_cast<const unsigned long*>(data);
                for (unsigned long i = 0; i < count; ++i)
                    wmReady_ = wmReady_ || atoms[i] == active;
                XFree(data);
            }
            if (!wmReady_)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        XCloseDisplay(display);
    }

    static void stop(pid_t& pid)
    {
        if (pid <= 0)
            return;
        kill(pid, SIGTERM);
        int status = 0;
        waitpid(pid, &status, 0);
        pid = 0;
    }

    pid_t xvfb_ = 0;
    pid_t wm_ = 0;
    bool wmReady_ = false;
    QByteArray name_;
};
