#include "app/EscapeFilter.h"

#include <QApplication>
#include <QKeyEvent>

#include "learning/MainWindow.h"

namespace mox {

EscapeFilter::EscapeFilter(MainWindow& window, QObject* parent) : QObject(parent), window_(window) {}

bool EscapeFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Escape || QApplication::activePopupWidget() != nullptr)
        return false;
    window_.closeMessage();
    return true;
}

} // namespace mox
