#pragma once
#include <QString>
#include <QStringList>
#include <functional>
#include <string>

#include "platform/SessionModule.h"

namespace mox {

// Opens the session modules (see SessionModule.h) and asks them for ports.
// A module is looked for in each folder in turn; the first file of that name
// is the one used. A module is never unloaded: the ports it made live as
// long as the program.
class SessionModules {
public:
    using Say = std::function<void(const std::string& line)>;

    // say: where a failure is told (once per module and start).
    SessionModules(QStringList folders, Say say);

    // Fills `ports` from the module `fileName` as `request` asks. False, with
    // one line said, when the module is missing, cannot be loaded, has no
    // factory or refuses this program's interface; `ports` is then untouched.
    bool load(const char* fileName, const SessionPortsRequest& request, SessionPorts& ports);

private:
    QStringList folders_;
    Say say_;
};

} // namespace mox
