#include "help/ProgramIcon.h"

namespace mox {

QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/mox-%1.png").arg(size), QSize(size, size));
    return icon;
}

QPixmap aboutPicture()
{
    return QPixmap(QStringLiteral(":/icons/about.png"));
}

} // namespace mox
