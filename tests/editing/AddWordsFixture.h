#pragma once
// Drives the add-words dialog and its transcription keyboard with keys and
// the mouse (offscreen), over real dictionary files in a temporary folder and
// the fake layout and message ports.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QMouseEvent>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <filesystem>

#include "editing/AddWordsDialog.h"
#include "editing/ExcludeWordDialog.h"
#include "help/Help.h"
#include "editing/WordIndex.h"
#include "language/CharsetCodec.h"
#include "language/TranscriptionKeyboard.h"
#include "platform/fake/FakeLayoutPort.h"
#include "platform/fake/RecordingMessages.h"
#include "settings/CurrentDictionary.h"
#include "settings/Settings.h"
#include "store/DictRecord.h"
#include "store/DictionarySession.h"
#include "store/RecordText.h"
#include "support/TempDir.h"
#include "widgets/ColorEdit.h"
#include "widgets/WordListView.h"

using namespace mox;

namespace {

struct Word {
    std::string word;
    std::string translation;  // bytes (cp1251)
    std::string transcription;
    std::uint8_t deleted = 0;
    std::uint8_t active = 1;
};

// Types text as key presses; letters outside Latin-1 come as key events
// carrying their text, as an input method sends them.
void type(QWidget* widget, const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(widget, c.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

std::string cp1251(const char* utf8)
{
    return CharsetCodec(204).encode(QString::fromUtf8(utf8)).bytes;
}

class AddWordsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(dir.path() / "voc");
        settings.setAppPath(dir.str());
        settings.setSCurDict("test.dct");
        settings.setSCurList("test.lst");
        settings.setTransFontSize(-14);
        settings.setSForeignFontFace("DejaVu Sans");
        settings.setSNativeFontFace("DejaVu Sans");
        settings.setSTransFontFace("TransMox");
        settings.setIForeignCharSet(0);
        settings.setINativeCharSet(204);
        settings.setITransCharSet(2);
        settings.setUiForeignLayout(0x409);
        settings.setUiNativeLayout(0x419);
        settings.setUiTransLayout(0x407);
        AddWordsDialog::setSearchStart(0);
    }
    void TearDown() override { dialog.reset(); }

    std::filesystem::path dictPath() const { return dir.path() / "voc" / "test.dct"; }
    std::filesystem::path listPath() const { return dir.path() / "voc" / "test.lst"; }

    void writeDictionary(const std::vector<Word>& words)
    {
        std::vector<unsigned char> bytes;
        for (const Word& w : words) {
            const DictRecord r = record(w);
            const auto* p = reinterpret_cast<const unsigned char*>(&r);
            bytes.insert(bytes.end(), p, p + sizeof r);
        }
        TempDir::writeBytes(dictPath(), bytes);
    }
    static DictRecord record(const Word& w)
    {
        DictRecord r;
        r.deleted = w.deleted;
        r.active = w.active;
        setFieldText(r.word, w.word);
        setFieldText(r.translation, w.translation);
        setFieldText(r.transcription, w.transcription);
        return r;
    }
    std::vector<DictRecord> onDisk() const
    {
        const auto bytes = TempDir::readBytes(dictPath());
        std::vector<DictRecord> out(bytes.size() / sizeof(DictRecord));
        if (!out.empty())
            std::memcpy(out.data(), bytes.data(), out.size() * sizeof(DictRecord));
        return out;
    }

    // The dialog over the session, opened on the current dictionary first.
    std::unique_ptr<AddWordsDialog> makeDialog()
    {
        session.open(currentDictionaryPaths(settings));
        return std::make_unique<AddWordsDialog>(settings, layouts, session);
    }

    // Opens the dialog as the learner sees it (shown, active, focus in the
    // word field). Not modal, so the test drives it.
    void open()
    {
        dialog = makeDialog();
        ASSERT_FALSE(dialog->endedByInitialisation());
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        dialog->activateWindow();
        if (QApplication::activeWindow() != dialog.get())
            QApplication::setActiveWindow(dialog.get());
        focusOn(dialog->wordField());
    }

    QWidget* focus() const { return QApplication::focusWidget(); }
    // Lets the window system's events arrive. The offscreen platform
    // activates every window it shows, the keyboard too, which hands the
    // activation back to the dialog.
    void settle()
    {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
        EXPECT_EQ(QApplication::activeWindow(), dialog.get());
    }
    // Focuses a field as a click or Tab would, and lets the window system settle.
    void focusOn(QWidget* field)
    {
        field->setFocus(Qt::MouseFocusReason);
        settle();
    }
    void enter(QWidget* widget)
    {
        QTest::keyClick(widget, Qt::Key_Return);
        settle();
    }
    QString selectedText() const
    {
        const int row = dialog->list()->selectedRow();
        return row < 0 ? QString() : dialog->index().text(row);
    }
    std::vector<std::string> indexWords() const
    {
        std::vector<std::string> out;
        for (int i = 0; i < dialog->index().size(); ++i)
            out.push_back(dialog->index().at(i));
        return out;
    }
    // Types a word, its transcription and its translation with Enter after each.
    void typeWord(const QString& word, const QString& transcription, const QString& translation)
    {
        type(dialog->wordField(), word);
        enter(dialog->wordField());
        type(dialog->transcriptionField(), transcription);
        enter(dialog->transcriptionField());
        type(dialog->translationField(), translation);
        enter(dialog->translationField());
    }

    TempDir dir;
    RecordingMessages messages;
    Settings settings{messages};
    FakeLayoutPort layouts{std::vector<std::string>{"00000419", "00000409"}};
    DictionarySession session{messages};
    std::unique_ptr<AddWordsDialog> dialog;
};
} // namespace
