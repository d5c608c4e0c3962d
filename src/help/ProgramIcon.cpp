#include "help/ProgramIcon.h"

namespace mox {

QIcon programIcon()
{
    // One icon for the program's life: the tray and every window share its
    // pixmaps, each size decoded once, when first drawn. Never destroyed (a
    // pixmap must not outlive the application object). The sizes are those
    // of trays, title bars and task lists, up to twice 32 pixels for scaled
    // screens; the larger pictures serve the desktop's menus from the
    // installed icon theme.
    static const QIcon* const icon = [] {
        auto* made = new QIcon;
        for (int size : {16, 22, 24, 32, 48, 64})
            made->addFile(QStringLiteral(":/icons/mox-%1.png").arg(size), QSize(size, size));
        return made;
    }();
    return *icon;
}

QPixmap aboutPicture()
{
    return QPixmap(QStringLiteral(":/icons/about.png"));
}

} // namespace mox
