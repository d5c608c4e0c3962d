// Draws the program icon in several sizes and the about-box picture, and
// writes them as PNG files into the folder given as the only argument.
// Everything is drawn from shapes, so the result does not depend on the fonts
// installed on the build machine.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QTransform>

#include <cstdio>

namespace {

// The letter M inside the unit square, as one polygon.
QPolygonF letterM()
{
    static const QPointF pts[] = {{0.10, 0.88}, {0.10, 0.12}, {0.29, 0.12}, {0.50, 0.50},
                                  {0.71, 0.12}, {0.90, 0.12}, {0.90, 0.88}, {0.72, 0.88},
                                  {0.72, 0.43}, {0.50, 0.80}, {0.28, 0.43}, {0.28, 0.88}};
    return QPolygonF(QList<QPointF>(std::begin(pts), std::end(pts)));
}

// A word card: rounded rectangle with a gradient face and the letter M on it.
void drawCard(QPainter& p, const QRectF& r, const QColor& top, const QColor& bottom, bool withLetter)
{
    const qreal radius = r.width() * 0.12;
    QLinearGradient face(r.topLeft(), r.bottomLeft());
    face.setColorAt(0, top);
    face.setColorAt(1, bottom);
    p.setPen(QPen(bottom.darker(160), qMax<qreal>(1.0, r.width() / 40.0)));
    p.setBrush(face);
    p.drawRoundedRect(r, radius, radius);
    if (!withLetter)
        return;
    const QRectF box = r.adjusted(r.width() * 0.16, r.height() * 0.18, -r.width() * 0.16, -r.height() * 0.22);
    QTransform t;
    t.translate(box.left(), box.top());
    t.scale(box.width(), box.height());
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255));
    p.drawPolygon(t.map(letterM()));
    // A red underline stroke: the "learnt" mark of the card.
    const QRectF bar(box.left(), r.bottom() - r.height() * 0.15, box.width(), r.height() * 0.06);
    p.setBrush(QColor(230, 60, 50));
    p.drawRoundedRect(bar, bar.height() / 2, bar.height() / 2);
}

// The program icon: a pale card behind, the blue M card in front.
QImage programIcon(int size)
{
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    if (size >= 24) {
        p.save();
        p.translate(s * 0.56, s * 0.48);
        p.rotate(12);
        drawCard(p, QRectF(-s * 0.36, -s * 0.44, s * 0.72, s * 0.86), QColor(255, 246, 200), QColor(240, 214, 130), false);
        p.restore();
    }
    const qreal w = size >= 24 ? s * 0.74 : s * 0.94;
    const qreal h = size >= 24 ? s * 0.88 : s * 0.94;
    drawCard(p, QRectF((s - w) / 2 - (size >= 24 ? s * 0.06 : 0), (s - h) / 2, w, h),
             QColor(70, 130, 220), QColor(25, 60, 150), true);
    return img;
}

// The about-box picture (115 x 100): an open book with a card standing on it.
QImage aboutPicture()
{
    const int w = 115, h = 100;
    QImage img(w, h, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0, QColor(222, 236, 252));
    sky.setColorAt(1, QColor(250, 250, 255));
    p.fillRect(img.rect(), sky);

    // The open book: two pages bending down to the spine.
    const QColor pageEdge(120, 100, 70);
    for (int side = 0; side < 2; ++side) {
        QPainterPath page;
        const qreal dir = side == 0 ? -1 : 1;
        const qreal cx = w / 2.0;
        page.moveTo(cx, 92);
        page.cubicTo(cx + dir * 18, 84, cx + dir * 36, 84, cx + dir * 52, 88);
        page.lineTo(cx + dir * 52, 66);
        page.cubicTo(cx + dir * 36, 62, cx + dir * 18, 62, cx, 70);
        page.closeSubpath();
        p.setPen(QPen(pageEdge, 1.2));
        p.setBrush(QColor(255, 252, 240));
        p.drawPath(page);
        p.setPen(QPen(QColor(180, 170, 150), 1.0));
        for (int line = 0; line < 3; ++line) {
            const qreal y = 72 + line * 5.0;
            p.drawLine(QPointF(cx + dir * 8, y + 1), QPointF(cx + dir * 44, y - 1));
        }
    }

    // Cards above the book.
    p.save();
    p.translate(70, 36);
    p.rotate(14);
    drawCard(p, QRectF(-20, -25, 40, 50), QColor(255, 246, 200), QColor(240, 214, 130), false);
    p.restore();
    p.save();
    p.translate(48, 36);
    p.rotate(-6);
    drawCard(p, QRectF(-22, -28, 44, 54), QColor(70, 130, 220), QColor(25, 60, 150), true);
    p.restore();
    return img;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(out.path())) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString name = out.filePath(QStringLiteral("mox-%1.png").arg(size));
        if (!programIcon(size).save(name, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(name));
            return 1;
        }
    }
    const QString about = out.filePath(QStringLiteral("about.png"));
    if (!aboutPicture().save(about, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(about));
        return 1;
    }
    return 0;
}
