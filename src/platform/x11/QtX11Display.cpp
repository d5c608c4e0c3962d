#include "platform/x11/QtX11Display.h"

#include <QGuiApplication>

namespace mox {

_XDisplay* qtX11Display()
{
    auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (application == nullptr)
        return nullptr;
    auto* x11 = application->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr ? x11->display() : nullptr;
}

} // namespace mox
