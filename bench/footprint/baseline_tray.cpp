// The baseline for the footprint benchmarks: an empty Qt Widgets program that
// shows nothing but an icon in the tray, exactly as a tray-resident program
// would before doing any work of its own.
#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QSystemTrayIcon>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::darkBlue);
    QSystemTrayIcon tray{QIcon(pixmap)};
    tray.setToolTip("baseline");
    tray.show();
    return app.exec();
}
