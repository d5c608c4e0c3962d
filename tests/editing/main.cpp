// main() for the editing tests: one QApplication, offscreen unless told
// otherwise, with the transcription font the keyboard draws in.
#include <QApplication>
#include <QFontDatabase>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QFontDatabase::addApplicationFont(QStringLiteral(MOX_TRANSMOX_TTF));
    return RUN_ALL_TESTS();
}
