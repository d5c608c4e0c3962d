#include <QApplication>

#include "app/App.h"

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    mox::App app;
    return app.run();
}
