#pragma once
#include <QIcon>
#include <QPixmap>

namespace mox {

// The program's icon in the sizes windows and the tray draw (16 to 64
// pixels), the same icon at every call.
QIcon programIcon();
// The picture of the about box (115 x 100 pixels).
QPixmap aboutPicture();

} // namespace mox
