#pragma once
#include <QBasicTimer>
#include <QColor>
#include <QFont>
#include <QLabel>
#include <QString>

namespace mox {

class LinkOpener;
class MessagePort;

// The text of a failed opening for an error code of LinkOpener.
QString hyperlinkErrorText(int code);

// A text label that works as a hyperlink. attach() turns the label into a
// link: it takes its target (or its own text as the target), its fonts, the
// hand cursor and the tooltip. The text is drawn in the hover colour while the
// mouse is over it, else in the visited colour once a click opened the target,
// else in the unvisited colour; nothing is painted behind the text. A click
// opens the target through the LinkOpener; a failure beeps and is reported
// through the MessagePort.
class LinkLabel : public QLabel {
    Q_OBJECT
public:
    enum Underline { UnderlineHover = -1, UnderlineNever = 0, UnderlineAlways = 1 };

    static constexpr int kHoverTimerMs = 100;

    LinkLabel(const QString& text, LinkOpener& opener, MessagePort& messages, QWidget* parent = nullptr);

    // Makes the label a link (see the class comment). A mode set before
    // attaching is not kept: attaching returns the mode to UnderlineHover.
    void attach();
    bool isAttached() const { return attached_; }

    // Stores the target; once attached, the label is fitted to its text again
    // and the tip is rebuilt.
    void setTarget(const QString& target);
    QString target() const { return target_; }
    // Once attached, switches to the underlined font for UnderlineAlways and
    // to the normal font otherwise, and repaints.
    void setUnderlineMode(int mode);
    int underlineMode() const { return underlineMode_; }

    void setAdjustToFit(bool on) { adjustToFit_ = on; }
    void setPrefixTips(bool on) { prefixTips_ = on; }
    QString tipText() const { return tipText_; }

    void setColors(const QColor& unvisited, const QColor& visited, const QColor& hover);
    QColor unvisitedColor() const { return unvisitedColor_; }
    QColor visitedColor() const { return visitedColor_; }
    QColor hoverColor() const { return hoverColor_; }
    // The colour the text is drawn in now.
    QColor currentColor() const;

    bool isHovering() const { return hovering_; }
    bool isVisited() const { return visited_; }
    bool isHoverTimerActive() const { return hoverTimer_.isActive(); }
    // Whether the underlined font is in use.
    bool isUnderlined() const { return font().underline(); }

    // Opens the target as a click does; true when it was opened.
    bool openTarget();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void fitToText();
    void buildTip();
    void loadCursor();
    void useFont(bool underlined);

    LinkOpener& opener_;
    MessagePort& messages_;

    QString target_;
    QString tipText_;
    QFont normalFont_;
    QFont underlinedFont_;
    QColor unvisitedColor_{0, 0, 238};
    QColor visitedColor_{85, 26, 139};
    QColor hoverColor_{255, 0, 0};
    int underlineMode_ = UnderlineHover;
    bool adjustToFit_ = true;
    bool prefixTips_ = true;
    bool hovering_ = false;
    bool visited_ = false;
    bool attached_ = false;
    QBasicTimer hoverTimer_;
};

} // namespace mox
