// The fixture of the options sheet's tests: a real settings file in a
// private configuration folder (main() sets XDG_CONFIG_HOME), a program
// folder, and the sheet on view over them.
#pragma once
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <fstream>

#include "options/OptionsPage.h"
#include "options/PgResults.h"
#include "options/SheetOptions.h"
#include "options/SpinEdit.h"
#include "platform/fake/RecordingMessages.h"
#include "platform/qt/QtRegistry.h"
#include "settings/Settings.h"
#include "support/TempDir.h"

namespace mox {

namespace fs = std::filesystem;

enum Page { General = 0, Method = 1, Fonts = 2, Results = 3 };

// Reads the whole file, or "" when it is missing.
inline std::string fileText(const fs::path& path)
{
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class OptionsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A settings file as the first run leaves it, in the temporary
        // XDG_CONFIG_HOME that main() set up: every key present.
        config = fs::path(qEnvironmentVariable("XDG_CONFIG_HOME").toStdString());
        fs::remove_all(config);
        fs::create_directories(config);
        QtRegistry setup;
        const std::string product = Settings::kProductKey;
        setup.createKey(product)->writeText("sAppPath", dir.str());
        const std::pair<const char*, const char*> firstValues[] = {
            {"General", "uiTimer"}, {"Method", "iRowCount"}, {"Dicts", "iSubSetRecCount"},
            {"Fonts", "iForeignCharSet"}, {"Results", "bShowStatCurItem"}};
        for (const auto& [group, name] : firstValues)
            setup.createKey(product + "\\" + group)->writeNumber(name, 0);
        setup.createKey(product + "\\General")->writeNumber("uiTimer", 5 * 60000);
        settings.load(registry);
        messages.clear();

        fs::create_directories(dir.path() / "voc");
        settings.setIMainRegim(Mode::Choice);
        settings.setDemoType(Direction::Both, Mode::Choice);
        settings.setDemoType(Direction::Direct, Mode::Typing);
        settings.setISubSetRecCount(30);
        settings.setIHideAfter(5);
        settings.setIShowCount(10);
        settings.setIExcludeAfter(3);
        settings.setIHideState(true);
        settings.setBAutoShow(true);
        settings.setSForeignFontFace("DejaVu Sans");
        settings.setSNativeFontFace("DejaVu Sans");
        settings.setSTransFontFace("DejaVu Sans");
    }

    // The sheet on view, active, showing `page`.
    std::unique_ptr<CSheetOptions> openSheet(Page page = General, CSheetOptions::PageFactory dictionaries = {})
    {
        auto sheet = std::make_unique<CSheetOptions>(settings, registry, std::move(dictionaries),
                                                     [this](QWidget*, const QString& topic) { topics << topic; });
        sheet->show();
        sheet->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(sheet.get()));
        sheet->setCurrentPage(page);
        return sheet;
    }

    template <class T> static T* child(QWidget* parent, const char* name)
    {
        T* w = parent->findChild<T*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    static void typeInto(QWidget* field, const QString& text)
    {
        field->setFocus();
        if (auto* spin = qobject_cast<SpinEdit*>(field))
            spin->selectAll();
        else
            static_cast<QLineEdit*>(field)->selectAll();
        QTest::keyClick(field, Qt::Key_Delete);
        QTest::keyClicks(field, text);
    }

    static void click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(8, widget->height() / 2)); }
    static void pressOk(CSheetOptions& sheet) { click(child<QPushButton>(&sheet, "ok")); }

    static QString text(SpinEdit* field) { return field->findChild<QLineEdit*>()->text(); }

    std::string autostartFile() const { return (config / "autostart" / "Mox!.desktop").string(); }

    TempDir dir;
    fs::path config;
    QtRegistry registry;
    RecordingMessages messages;
    Settings settings{messages};
    QStringList topics;
};

} // namespace mox
