#include "help/ProgramIcon.h"

#include <QImageReader>

namespace mox {

namespace {

// A PNG of the resources, decoded by Qt's own PNG reader. A reader left to
// find the format by itself first asks every image-format plugin installed
// (GIF, ICO, JPEG...) whether it would rather read the file, and so loads
// them all: the waiting program has no use for them.
QImage resourcePng(const QString& path)
{
    QImageReader reader(path, QByteArrayLiteral("png"));
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

} // namespace

QIcon programIcon()
{
    // One icon for the program's life: the tray and every window share its
    // pixmaps, each size decoded once. Never destroyed (a pixmap must not
    // outlive the application object). The sizes are those of trays, title
    // bars and task lists, up to twice 32 pixels for scaled screens; the
    // larger pictures serve the desktop's menus from the installed icon
    // theme.
    static const QIcon* const icon = [] {
        auto* made = new QIcon;
        for (int size : {16, 22, 24, 32, 48, 64})
            made->addPixmap(QPixmap::fromImage(resourcePng(QStringLiteral(":/icons/mox-%1.png").arg(size))));
        return made;
    }();
    return *icon;
}

QPixmap aboutPicture()
{
    return QPixmap::fromImage(resourcePng(QStringLiteral(":/icons/about.png")));
}

} // namespace mox
