#include "help/LinkLabel.h"

#include <QApplication>
#include <QCursor>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

#include "help/LinkOpener.h"
#include "platform/MessagePort.h"

namespace mox {

QString hyperlinkErrorText(int code)
{
    switch (code) {
    case 0:
        return QStringLiteral("The operating system is out\nof memory or resources.");
    case 2:
        return QStringLiteral("The specified file was not found.");
    case 3:
        return QStringLiteral("The specified path was not found.");
    case 5:
        return QStringLiteral("The operating system denied\naccess to the specified file.");
    case 8:
        return QStringLiteral("There was not enough memory to complete the operation.");
    case 11:
        return QStringLiteral("The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).");
    case 26:
        return QStringLiteral("A sharing violation occurred. ");
    case 27:
        return QStringLiteral("The filename association is\nincomplete or invalid.");
    case 28:
        return QStringLiteral("The DDE transaction could not\nbe completed because the request timed out.");
    case 29:
        return QStringLiteral("The DDE transaction failed.");
    case 30:
        return QStringLiteral("The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed.");
    case 31:
        return QStringLiteral("There is no application associated\nwith the given filename extension.");
    case 32:
        return QStringLiteral("The specified dynamic-link library was not found.");
    default:
        return QStringLiteral("Unknown Error (%1) occurred.").arg(code);
    }
}

LinkLabel::LinkLabel(const QString& text, LinkOpener& opener, MessagePort& messages, QWidget* parent)
    : QLabel(text, parent), opener_(opener), messages_(messages)
{
}

void LinkLabel::attach()
{
    if (target_.isEmpty()) {
        target_ = text();
        if (target_.startsWith(QLatin1String("www."), Qt::CaseInsensitive))
            target_.prepend(QLatin1String("http://"));
    }
    if (text().isEmpty())
        setText(target_);

    normalFont_ = font();
    normalFont_.setUnderline(false);
    underlinedFont_ = normalFont_;
    underlinedFont_.setUnderline(true);

    attached_ = true;
    setMouseTracking(true);
    if (adjustToFit_)
        fitToText();
    loadCursor();
    underlineMode_ = UnderlineHover;
    useFont(false);
    buildTip();
}

void LinkLabel::setTarget(const QString& target)
{
    target_ = target;
    if (!attached_)
        return;
    if (adjustToFit_)
        fitToText();
    buildTip();
}

void LinkLabel::setUnderlineMode(int mode)
{
    if (mode == underlineMode_)
        return;
    underlineMode_ = mode;
    if (!attached_)
        return;
    useFont(mode == UnderlineAlways);
    update();
}

void LinkLabel::setColors(const QColor& unvisited, const QColor& visited, const QColor& hover)
{
    unvisitedColor_ = unvisited;
    visitedColor_ = visited;
    hoverColor_ = hover;
    update();
}

QColor LinkLabel::currentColor() const
{
    if (hovering_)
        return hoverColor_;
    return visited_ ? visitedColor_ : unvisitedColor_;
}

QSize LinkLabel::sizeHint() const
{
    if (!attached_)
        return QLabel::sizeHint();
    return QFontMetrics(underlinedFont_).size(Qt::TextSingleLine, text());
}

// Resizes the label to its text in the underlined font. Centred text keeps its
// centre, right-aligned text its right edge, vertically centred text its
// vertical centre; otherwise the top-left corner stays.
void LinkLabel::fitToText()
{
    const QSize extent = sizeHint();
    const QRect old = geometry();
    const Qt::Alignment align = alignment();
    int x = old.x();
    if (align & Qt::AlignHCenter)
        x = old.x() + (old.width() - extent.width()) / 2;
    else if (align & Qt::AlignRight)
        x = old.x() + old.width() - extent.width();
    int y = old.y();
    if (align & Qt::AlignVCenter)
        y = old.y() + (old.height() - extent.height()) / 2;
    setGeometry(x, y, extent.width(), extent.height());
}

void LinkLabel::buildTip()
{
    static const QLatin1String http("http://");
    static const QLatin1String mailto("mailto:");
    if (prefixTips_ && target_.startsWith(http, Qt::CaseInsensitive))
        tipText_ = QStringLiteral("Go to ") + target_.mid(http.size());
    else if (prefixTips_ && target_.startsWith(mailto, Qt::CaseInsensitive))
        tipText_ = QStringLiteral("E-mail:") + target_.mid(mailto.size());
    else
        tipText_ = target_;
    setToolTip(tipText_);
}

void LinkLabel::loadCursor()
{
    setCursor(Qt::PointingHandCursor);
}

void LinkLabel::useFont(bool underlined)
{
    setFont(underlined ? underlinedFont_ : normalFont_);
}

bool LinkLabel::openTarget()
{
    hovering_ = false;
    loadCursor();
    int result = opener_.openWithDesktop(target_);
    if (result <= 32) {
        if (const auto fallback = opener_.openWithFallback(target_))
            result = *fallback;
    }
    if (result > 32) {
        visited_ = true;
        update();
        return true;
    }
    update();
    QApplication::beep();
    const QString text = QStringLiteral("Unable to open hyperlink:\n\n") + hyperlinkErrorText(result);
    messages_.show(text.toStdString(), MessageIcon::Warning, MessageButtons::Ok);
    return false;
}

void LinkLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(currentColor());
    painter.drawText(contentsRect(), static_cast<int>(alignment()) | Qt::TextSingleLine, text());
}

void LinkLabel::mouseMoveEvent(QMouseEvent* event)
{
    if (attached_ && !hovering_) {
        hovering_ = true;
        if (underlineMode_ == UnderlineHover)
            useFont(true);
        update();
        hoverTimer_.start(kHoverTimerMs, this);
    }
    QLabel::mouseMoveEvent(event);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (attached_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        openTarget();
        event->accept();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

// While hovering, checks every 100 ms whether the mouse has left the label.
void LinkLabel::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != hoverTimer_.timerId()) {
        QLabel::timerEvent(event);
        return;
    }
    if (rect().contains(mapFromGlobal(QCursor::pos())))
        return;
    hovering_ = false;
    hoverTimer_.stop();
    if (underlineMode_ != UnderlineAlways)
        useFont(false);
    update();
}

} // namespace mox
