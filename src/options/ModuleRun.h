#pragma once
#include <QString>

class QWidget;

namespace mox {

// Runs a separately delivered module (the dictionary-creation module) and
// waits for it to end. The module gets no arguments and inherits the
// program's environment, current folder and terminal output; its input is
// empty. While it runs, `sheet` is minimised and every top-level window of the
// program is disabled, but the program's event loop goes on: the windows keep
// repainting and answering the desktop, they only take no input and cannot be
// closed. Afterwards the windows are enabled again and `sheet` is shown at its
// normal size (also when the module could not be started).
class ModuleRun {
public:
    enum class Outcome { Ended, NotStarted };

    // Starts `program` and returns when it has ended.
    static Outcome runAndWait(const QString& program, QWidget* sheet);
};

} // namespace mox
