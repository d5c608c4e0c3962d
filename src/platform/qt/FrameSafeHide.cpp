#include "platform/qt/FrameSafeHide.h"

#include <QEvent>
#include <QGuiApplication>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace mox {

namespace {

bool onWayland()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

} // namespace

FrameSafeHide::FrameSafeHide(QWidget& window) : QObject(&window), window_(window)
{
    fallback_ = new QTimer(this);
    fallback_->setSingleShot(true);
    fallback_->setInterval(kFallbackMs);
    connect(fallback_, &QTimer::timeout, this, &FrameSafeHide::hideNow);
}

FrameSafeHide::~FrameSafeHide()
{
    cancel();
}

void FrameSafeHide::hide()
{
    if (pending())
        return;
    QWindow* handle = window_.windowHandle();
    if (!onWayland() || handle == nullptr || !window_.isVisible()) {
        window_.hide();
        return;
    }
    handle_ = handle;
    handle_->installEventFilter(this);
    // No paint from now on: a paint would ask for a new frame callback,
    // whose completion could meet the hide again.
    if (window_.updatesEnabled()) {
        window_.setUpdatesEnabled(false);
        updatesHeld_ = true;
    }
    fallback_->start();
    markerPassed_ = false;
    staleRequestSeen_ = false;
    const unsigned serial = ++serial_;
    // Posted before the update is asked for, so that a request Qt delivers
    // at once for this hide comes after it.
    QMetaObject::invokeMethod(
        this,
        [this, serial] {
            if (serial != serial_ || !handle_)
                return;
            markerPassed_ = true;
            if (staleRequestSeen_)
                handle_->requestUpdate();
        },
        Qt::QueuedConnection);
    handle_->requestUpdate();
}

bool FrameSafeHide::cancel()
{
    fallback_->stop();
    if (!handle_)
        return false;
    handle_->removeEventFilter(this);
    handle_ = nullptr;
    if (updatesHeld_) {
        updatesHeld_ = false;
        window_.setUpdatesEnabled(true);
    }
    return true;
}

void FrameSafeHide::hideNow()
{
    if (!handle_)
        return;
    handle_->removeEventFilter(this);
    handle_ = nullptr;
    fallback_->stop();
    window_.hide();
    // Hidden, the window paints nothing; shown again, it paints as before.
    if (updatesHeld_) {
        updatesHeld_ = false;
        window_.setUpdatesEnabled(true);
    }
}

bool FrameSafeHide::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == handle_ && event->type() == QEvent::UpdateRequest && !markerPassed_) {
        // Queued before the hide was asked for: another frame may be in
        // flight. The marker asks again.
        staleRequestSeen_ = true;
        return false;
    }
    if (watched == handle_ && event->type() == QEvent::UpdateRequest) {
        // The frame callback is handled and no new one is asked for yet. The
        // update still goes on to the window, which paints nothing hidden.
        hideNow();
        return false;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace mox
