#pragma once
#include <QObject>
#include <QPointer>
#include <QWindow>

class QTimer;
class QWidget;

namespace mox {

// Hides a top-level window without racing Qt's Wayland plugin.
//
// Qt 6.4 destroys a window's frame callback on two threads without a lock:
// on its frame thread when the compositor says the frame is done, and on the
// user-interface thread when the window hides. A hide that falls between the
// two destroys the callback twice and libwayland aborts the program. So on
// Wayland the window stops painting (no paint asks for a new frame callback)
// and the hide waits for the window's next update request: Qt delivers it
// only once the frame callback in flight has been handled completely (at
// once when none is), and the hide is done there.
//
// An update request delivered for a frame finished before the hide was asked
// for may still be waiting in the event queue, and a paint may have begun a
// new frame since; that request proves nothing. So only requests that come
// after a marker posted when the hide is asked for count (posted events keep
// their order), and the request swallowed before the marker is asked again.
//
// A compositor that withholds frames (the window is on a workspace out of
// view) sends no callback that could race: after kFallbackMs the window is
// hidden anyway. Elsewhere the window hides at once.
class FrameSafeHide final : public QObject {
    Q_OBJECT
public:
    static constexpr int kFallbackMs = 1000;

    explicit FrameSafeHide(QWidget& window);
    ~FrameSafeHide() override;

    // Hides the window, at once or at its next update request.
    void hide();
    // Calls off a hide that has not happened yet; true when there was one
    // (the window then never went away).
    bool cancel();
    // Whether a hide is waiting for its moment.
    bool pending() const { return handle_ != nullptr; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void hideNow();

    QWidget& window_;
    QPointer<QWindow> handle_;
    QTimer* fallback_ = nullptr;
    bool updatesHeld_ = false;
    // The marker of the hide in progress has been handled.
    bool markerPassed_ = false;
    // An update request came before the marker.
    bool staleRequestSeen_ = false;
    // Tells the markers of earlier hides from the current one.
    unsigned serial_ = 0;
};

} // namespace mox
