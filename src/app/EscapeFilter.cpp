#include "app/EscapeFilter.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>

#include "learning/LearningController.h"
#include "learning/MainWindow.h"

namespace mox {

namespace {

// Whether the widget is (inside) the open cell editor of a table or list: such
// an editor keeps its own Esc, which puts the cell's old text back.
bool inCellEditor(QObject* watched)
{
    for (auto* widget = qobject_cast<QWidget*>(watched); widget != nullptr && !widget->isWindow();
         widget = widget->parentWidget()) {
        QWidget* parent = widget->parentWidget();
        auto* view = parent != nullptr ? qobject_cast<QAbstractItemView*>(parent->parentWidget()) : nullptr;
        if (view != nullptr && view->viewport() == parent)
            return true;
    }
    return false;
}

} // namespace

EscapeFilter::EscapeFilter(LearningController& window, QObject* parent) : QObject(parent), window_(window) {}

bool EscapeFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Escape || QApplication::activePopupWidget() != nullptr || inCellEditor(watched))
        return false;
    window_.closeMessage();
    return true;
}

} // namespace mox
