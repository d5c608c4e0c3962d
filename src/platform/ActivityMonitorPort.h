#pragma once
#include <functional>

namespace mox {

// Watches the user's keyboard and mouse anywhere on the desktop. Between
// install() and remove() every key press, button press or pointer motion calls
// the activity handler (on the user-interface thread); outside that span it is
// never called. Installing twice and removing twice are both harmless.
class ActivityMonitorPort {
public:
    using ActivityHandler = std::function<void()>;

    virtual ~ActivityMonitorPort() = default;
    virtual void setActivityHandler(ActivityHandler handler) = 0;
    virtual void install() = 0;
    virtual void remove() = 0;
};

} // namespace mox
