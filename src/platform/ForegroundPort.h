#pragma once
#include <cstdint>

namespace mox {

// A top-level window of any program on the desktop (an X11 window id); 0 is none.
using WindowRef = std::uint64_t;
inline constexpr WindowRef kNoWindow = 0;

// Which window has the foreground (the keyboard focus of the desktop), and
// handing it to another window.
class ForegroundPort {
public:
    virtual ~ForegroundPort() = default;
    // The window that has the foreground now, or kNoWindow.
    virtual WindowRef foreground() = 0;
    // Brings the window to the top and gives it the foreground. Returns false
    // when the window no longer exists or the request could not be made.
    virtual bool activate(WindowRef window) = 0;
};

} // namespace mox
