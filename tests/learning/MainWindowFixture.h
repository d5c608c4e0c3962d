#pragma once
// Drives the real learning window with keys and the mouse (offscreen), over
// real dictionary and list files and fakes behind the platform ports.
// FakeSleep has a member named like a Qt keyword macro: include it before Qt.
#include "platform/fake/FakeSleep.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <cstring>

#include "language/CharsetCodec.h"
#include "store/Store.h"
#include "learning/LearningController.h"
#include "learning/MainWindow.h"
#include "platform/fake/FakeActivity.h"
#include "platform/fake/FakeForeground.h"
#include "platform/fake/FakeLayoutPort.h"
#include "platform/fake/FakeTimers.h"
#include "platform/fake/FixedClock.h"
#include "platform/fake/RecordingMessages.h"
#include "settings/Settings.h"
#include "store/DictRecord.h"
#include "store/DictionarySession.h"
#include "store/ListRecord.h"
#include "store/RecordText.h"
#include "support/TempDir.h"
#include "widgets/ColorEdit.h"
#include "widgets/WordListBox.h"

using namespace mox;

namespace {

struct FakeTray final : TrayIconPort {
    void addIcon() override
    {
        shown = true;
        ++adds;
    }
    void removeIcon() override
    {
        shown = false;
        ++removes;
    }
    bool shown = false;
    int adds = 0;
    int removes = 0;
};

struct Word {
    const char* word;
    const char* translation; // UTF-8, stored as cp1251
    const char* transcription;
};

const std::vector<Word> kWords = {
    {"cat", "кошка", "kat"},   {"dog", "собака", "dog"},  {"house", "дом", "haus"},
    {"tree", "дерево", "tri:"}, {"water", "вода", "wota"}, {"bread", "хлеб", "bred"},
};

std::string cp1251(const char* utf8)
{
    return CharsetCodec(204).encode(QString::fromUtf8(utf8)).bytes;
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(dir.path() / "voc");
        settings.setAppPath(dir.str());
        settings.setSCurDict("test.dct");
        settings.setSCurList("test.lst");
        settings.setIRowCount(5);
        settings.setISubSetRecCount(10);
        settings.setIExcludeAfter(3);
        settings.setIShowCount(100);
        settings.setIHideAfter(100);
        settings.setIHideState(0);
        settings.setBAutoShow(1);
        settings.setUiTimer(60000);
        settings.setWordFontSize(-10);
        settings.setTransFontSize(-14);
        settings.setSForeignFontFace("DejaVu Sans");
        settings.setSNativeFontFace("DejaVu Sans");
        settings.setSTransFontFace("DejaVu Sans");
        settings.setIForeignCharSet(0);
        settings.setINativeCharSet(204);
        settings.setITransCharSet(2);
        settings.setUiForeignLayout(0x409);
        settings.setUiNativeLayout(0x419);
        settings.setUiTransLayout(0x409);
    }

    void writeDictionary(const std::vector<Word>& words)
    {
        std::vector<unsigned char> bytes;
        for (const Word& w : words) {
            DictRecord r;
            setFieldText(r.word, w.word);
            setFieldText(r.translation, cp1251(w.translation));
            setFieldText(r.transcription, w.transcription);
            const auto* p = reinterpret_cast<const unsigned char*>(&r);
            bytes.insert(bytes.end(), p, p + sizeof r);
        }
        TempDir::writeBytes(dictPath(), bytes);
    }

    std::filesystem::path dictPath() const { return dir.path() / "voc" / "test.dct"; }
    std::filesystem::path listPath() const { return dir.path() / "voc" / "test.lst"; }

    std::vector<ListRecord> listOnDisk() const
    {
        const auto bytes = TempDir::readBytes(listPath());
        std::vector<ListRecord> out(bytes.size() / sizeof(ListRecord));
        if (!out.empty())
            std::memcpy(out.data(), bytes.data(), out.size() * sizeof(ListRecord));
        return out;
    }

    // Builds the window, lets its first showing retreat, then opens it from
    // the tray as the user would.
    void start(bool open = true)
    {
        learning = std::make_unique<LearningController>(
            MainWindowPorts{settings, clock, layouts, timers, activity, foreground, sleep, session}, dialogs, &tray);
        window = &learning->window();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        ASSERT_TRUE(timers.fire(TimerId::FirstHide));
        ASSERT_FALSE(window->QWidget::isVisible());
        if (open)
            openWindow();
    }

    void openWindow()
    {
        learning->autoShow().openFromTray();
        ASSERT_TRUE(window->QWidget::isVisible());
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        // The offscreen platform keeps its focus window across the hide at
        // start-up and so never tells the widgets it is active again.
        if (QApplication::activeWindow() != window)
            QApplication::setActiveWindow(window);
        ASSERT_EQ(QApplication::activeWindow(), window);
        window->focusAnswerControl();
    }

    QWidget* focus() const { return QApplication::focusWidget(); }

    // The row of the variants list that holds the expected answer, or -1.
    int correctRow() const
    {
        const QString answer = CharsetCodec(settings.iNativeCharSet()).decode(learning->engine().answer());
        const QString answerWord = CharsetCodec(settings.iForeignCharSet()).decode(learning->engine().answer());
        for (int i = 0; i < window->variants()->count(); ++i) {
            const QString text = window->variants()->item(i)->text();
            if (text == answer || text == answerWord)
                return i;
        }
        return -1;
    }
    int wrongRow() const
    {
        const int right = correctRow();
        return right == 0 ? 1 : 0;
    }
    QPoint rowCentre(int row) const
    {
        return window->variants()->visualItemRect(window->variants()->item(row)).center();
    }
    std::uint16_t answersOfCurrent() const
    {
        const ListRecord* w = learning->engine().currentWord();
        return w ? w->answers : 0;
    }
    std::uint32_t totalAnswers() const
    {
        std::uint32_t sum = 0;
        for (const auto& r : learning->engine().list())
            sum += r.answers;
        return sum;
    }

    TempDir dir;
    RecordingMessages messages;
    Settings settings{messages};
    FixedClock clock;
    FakeLayoutPort layouts{std::vector<std::string>{"00000419", "00000409"}};
    FakeTimers timers;
    FakeActivity activity;
    FakeForeground foreground;
    FakeSleep sleep;
    FakeTray tray;
    MainWindowDialogs dialogs;
    DictionarySession session{messages};
    std::unique_ptr<LearningController> learning;
    MainWindow* window = nullptr;
};

} // namespace
