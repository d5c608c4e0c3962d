#pragma once
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

// A private Xvfb for one test: it picks a free display itself (-displayfd)
// and is stopped when the object goes. -noreset keeps the keymap that a
// short-lived client such as setxkbmap leaves when it disconnects.
class XvfbServer {
public:
    XvfbServer()
    {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        const std::string fd = std::to_string(fds[1]);
        std::vector<std::string> args{"Xvfb", "-displayfd", fd, "-screen", "0", "640x480x24", "-nolisten", "tcp", "-noreset"};
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", 1 /*O_WRONLY*/, 0);
        if (posix_spawnp(&pid_, "Xvfb", &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        std::string number;
        char c;
        while (pid_ > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(fds[0]);
        if (!number.empty())
            name_ = ":" + number;
    }
    ~XvfbServer()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool running() const { return !name_.empty(); }
    const std::string& name() const { return name_; }

    // Runs a command with DISPLAY set to this server; gives its exit status.
    int run(const std::string& command) const
    {
        const std::string line = "DISPLAY=" + name_ + " " + command;
        return std::system(line.c_str());
    }

private:
    pid_t pid_ = -1;
    std::string name_;
};

// A connection for looking at the server from outside the code under test.
class XkbProbe {
public:
    explicit XkbProbe(const std::string& name) : display_(XOpenDisplay(name.c_str())) {}
    ~XkbProbe()
    {
        if (display_)
            XCloseDisplay(display_);
    }
    XkbProbe(const XkbProbe&) = delete;
    XkbProbe& operator=(const XkbProbe&) = delete;

    bool ok() const { return display_ != nullptr; }

    // The raw bytes of _XKB_RULES_NAMES on the root window.
    std::string rulesNames() const
    {
        Atom atom = XInternAtom(display_, "_XKB_RULES_NAMES", False);
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        std::string bytes;
        if (XGetWindowProperty(display_, DefaultRootWindow(display_), atom, 0, 1024, False, XA_STRING, &type,
                               &format, &count, &after, &data) == Success &&
            data) {
            bytes.assign(reinterpret_cast<char*>(data), count);
            XFree(data);
        }
        return bytes;
    }

    // The layout list (third field) of _XKB_RULES_NAMES.
    std::string layoutField() const
    {
        const std::string bytes = rulesNames();
        std::size_t start = 0;
        for (int field = 0; field < 2; ++field) {
            start = bytes.find('\0', start);
            if (start == std::string::npos)
                return {};
            ++start;
        }
        return std::string(bytes.c_str() + start);
    }

    // The names of the keyboard's groups.
    std::vector<std::string> groupNames() const
    {
        std::vector<std::string> names;
        XkbDescPtr xkb = XkbAllocKeyboard();
        if (!xkb)
            return names;
        xkb->device_spec = XkbUseCoreKbd;
        if (XkbGetControls(display_, XkbGroupsWrapMask, xkb) == Success &&
            XkbGetNames(display_, XkbGroupNamesMask, xkb) == Success) {
            for (int i = 0; i < xkb->ctrls->num_groups; ++i) {
                char* n = xkb->names->groups[i] ? XGetAtomName(display_, xkb->names->groups[i]) : nullptr;
                names.emplace_back(n ? n : "");
                if (n)
                    XFree(n);
            }
        }
        XkbFreeKeyboard(xkb, 0, True);
        return names;
    }

    int lockedGroup() const
    {
        XkbStateRec state{};
        XkbGetState(display_, XkbUseCoreKbd, &state);
        return state.locked_group;
    }

    void lockGroup(unsigned group) const
    {
        XkbLockGroup(display_, XkbUseCoreKbd, group);
        XSync(display_, False);
    }

private:
    Display* display_;
};
