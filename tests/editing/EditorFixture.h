#pragma once
// Drives the real dictionary editor with keys and the mouse (offscreen), over
// real dictionary and list files, with fakes behind the layout and message
// ports.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTest>
#include <QToolTip>
#include <QWheelEvent>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>

#include "editing/DictionaryEditor.h"
#include "editing/DictionaryTableModel.h"
#include "language/CharsetCodec.h"
#include "platform/fake/FakeLayoutPort.h"
#include "platform/fake/RecordingMessages.h"
#include "settings/CurrentDictionary.h"
#include "settings/Settings.h"
#include "store/DictRecord.h"
#include "store/DictionarySession.h"
#include "store/ListRecord.h"
#include "store/RecordText.h"
#include "store/Store.h"
#include "support/RecordFiles.h"
#include "support/TempDir.h"
#include "widgets/GridView.h"

using namespace mox;

namespace {

struct Word {
    const char* word;        // cp1252 (plain ASCII here)
    const char* translation; // UTF-8, stored as cp1251; none: a tombstone
    const char* transcription;
    bool inList = false;
};

std::string cp1251(const char* utf8)
{
    return CharsetCodec(charset::Russian).encode(QString::fromUtf8(utf8)).bytes;
}

// Processes events until `done` holds (a few seconds at most).
bool waitUntil(const std::function<bool()>& done)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// Types a text into a widget key by key (QTest's own typing knows only ASCII).
void typeText(QWidget* target, const QString& text)
{
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, target, c.isLetter() ? Qt::Key_A : Qt::Key_Space, QString(c), Qt::NoModifier);
}

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(dir.path() / "voc");
        settings.setAppPath(dir.str());
        settings.setSCurDict("test.dct");
        settings.setSCurList("test.lst");
        settings.setSForeignFontFace("DejaVu Sans");
        settings.setSNativeFontFace("DejaVu Sans");
        settings.setSTransFontFace("DejaVu Sans");
        settings.setIForeignCharSet(charset::Ansi);
        settings.setINativeCharSet(charset::Russian);
        settings.setITransCharSet(charset::Symbol);
        settings.setUiForeignLayout(0x409);
        settings.setUiNativeLayout(0x419);
        settings.setUiTransLayout(0x407); // not preloaded: the editor loads it
    }

    void TearDown() override { editor.reset(); }

    void writeDictionary(const std::vector<Word>& words)
    {
        std::vector<DictRecord> records;
        WordList list;
        for (const Word& w : words) {
            DictRecord r = newDictRecord();
            if (w.translation == nullptr) {
                r = makeTombstone();
            } else {
                setFieldText(r.word, w.word);
                setFieldText(r.translation, cp1251(w.translation));
                setFieldText(r.transcription, w.transcription);
                r.inList = w.inList ? 1 : 0;
                if (w.inList) {
                    ListRecord entry = newListRecord(r);
                    entry.answers = 7;
                    entry.streak = 2;
                    list.push_back(entry);
                }
            }
            records.push_back(r);
        }
        writeRecords(dictPath(), records);
        writeRecords(listPath(), list);
    }

    std::filesystem::path dictPath() const { return dir.path() / "voc" / "test.dct"; }
    std::filesystem::path listPath() const { return dir.path() / "voc" / "test.lst"; }

    std::vector<DictRecord> dictionaryOnDisk() const { return readRecords<DictRecord>(dictPath()); }
    std::vector<ListRecord> listOnDisk() const { return readRecords<ListRecord>(listPath()); }

    // Opens the session on the current dictionary (reading its list), then
    // the editor over it.
    void open()
    {
        session.open(currentDictionaryPaths(settings));
        editor = std::make_unique<DictionaryEditor>(settings, layouts, messages, session);
        editor->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(editor.get()));
        QApplication::setActiveWindow(editor.get());
        grid()->setFocus();
    }

    GridView* grid() const { return editor->grid(); }
    DictionaryTableModel* model() const { return editor->model(); }
    QPoint cellCentre(int row, int column) const
    {
        return grid()->visualRect(grid()->fromSource(row, column)).center();
    }
    QPoint displayCellCentre(int displayRow, int column) const
    {
        return grid()->visualRect(grid()->model()->index(displayRow, column)).center();
    }
    void click(int row, int column, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, modifiers, cellCentre(row, column));
    }
    void clickHeader(int column)
    {
        QHeaderView* header = grid()->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                                 header->height() / 2));
    }
    // A double click as the window system delivers it: press, release,
    // double click, release.
    void doubleClickAt(QPoint where)
    {
        QWidget* viewport = grid()->viewport();
        QTest::mousePress(viewport, Qt::LeftButton, {}, where);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, where);
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, where);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, where);
    }
    // Opens the edit field of a cell by a double click.
    QLineEdit* doubleClick(int row, int column)
    {
        doubleClickAt(cellCentre(row, column));
        return grid()->cellEditor();
    }
    void press(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::keyClick(target, key, modifiers);
    }
    // Enter in the edit field; the field closes once the event loop runs.
    void commit()
    {
        ASSERT_TRUE(grid()->isEditing());
        QTest::keyClick(grid()->cellEditor(), Qt::Key_Return);
        ASSERT_TRUE(waitUntil([&] { return !grid()->isEditing(); }));
    }
    QString shown(int row, int column) const
    {
        return model()->index(row, column).data().toString();
    }

    TempDir dir;
    RecordingMessages messages;
    Settings settings{messages};
    FakeLayoutPort layouts{std::vector<std::string>{"00000409", "00000419"}};
    DictionarySession session{messages};
    std::unique_ptr<DictionaryEditor> editor;
};

const std::vector<Word> kThree = {
    {"cat", "кошка", "k&t"},
    {"dog", "собака", "dOg"},
    {"house", "дом", "haus"},
};

} // namespace
