#pragma once
#include <QIcon>
#include <QPixmap>

namespace mox {

// The program's icon in all its drawn sizes (for windows and the tray).
QIcon programIcon();
// The picture of the about box (115 x 100 pixels).
QPixmap aboutPicture();

} // namespace mox
