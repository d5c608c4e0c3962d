#pragma once
// Shared set-up for the learning engine tests: a temporary program folder with
// real dictionary and list files, a fixed clock and a window that records what
// the engine asks of it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "learning/LearningEngine.h"
#include "platform/fake/FixedClock.h"
#include "platform/fake/RecordingMessages.h"
#include "settings/Settings.h"
#include "store/DictRecord.h"
#include "store/ListRecord.h"
#include "store/RecordText.h"
#include "store/DictionarySession.h"
#include "store/Store.h"
#include "support/TempDir.h"

namespace mox::test {

class RecordingWindow final : public LearningCallbacks {
public:
    void render(const Presentation& p) override
    {
        events.push_back("render");
        rendered.push_back(p);
    }
    void showCorrectAnswer(const std::string& answer, FontRole font) override
    {
        events.push_back("answer:" + answer);
        answerFont = font;
    }
    void disableVariants() override { events.push_back("disableVariants"); }
    void hideTranscriptionLine() override { events.push_back("hideTranscription"); }
    void showTranscriptionLine() override { events.push_back("showTranscription"); }
    void clearTypedAnswer() override { events.push_back("clearTyped"); }
    void restoreAfterWrong(std::uint16_t mode) override { events.push_back("restore:" + std::to_string(mode)); }
    void retreatWithAutoshow() override
    {
        events.push_back("retreat");
        ++retreats;
    }

    std::vector<std::string> events;
    std::vector<Presentation> rendered;
    FontRole answerFont = FontRole::studiedLanguage;
    int retreats = 0;
};

inline DictRecord dictWord(const std::string& word, const std::string& translation,
                           const std::string& transcription = "", std::uint8_t active = 1, std::uint8_t inList = 0)
{
    DictRecord r;
    setFieldText(r.word, word);
    setFieldText(r.translation, translation);
    setFieldText(r.transcription, transcription);
    r.active = active;
    r.inList = inList;
    return r;
}

inline ListRecord listWord(const std::string& word, const std::string& translation,
                           const std::string& transcription = "")
{
    ListRecord r;
    setFieldText(r.word, word);
    setFieldText(r.translation, translation);
    setFieldText(r.transcription, transcription);
    return r;
}

template <typename Record>
void writeRecords(const std::filesystem::path& file, const std::vector<Record>& records)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    for (const Record& r : records)
        out.write(reinterpret_cast<const char*>(&r), sizeof r);
}

template <typename Record>
std::vector<Record> readRecords(const std::filesystem::path& file)
{
    std::vector<Record> out;
    std::ifstream in(file, std::ios::binary);
    Record r;
    while (in.read(reinterpret_cast<char*>(&r), sizeof r))
        out.push_back(r);
    return out;
}

class EngineTest : public ::testing::Test {
protected:
    EngineTest()
    {
        std::filesystem::create_directories(dir.path() / "voc");
        settings.setAppPath(dir.str());
        settings.setSCurDict("english.dct");
        settings.setSCurList("english.lst");
        settings.setISubSetRecCount(20);
        settings.setIRowCount(5);
        settings.setIExcludeAfter(1000);
        settings.setIShowCount(1000);
        settings.setIHideAfter(1000);
        settings.setIHideState(0);
        settings.setCurrentMode(Mode::Choice);
    }

    // The files the names stand for, whether or not the settings would open them.
    std::filesystem::path dictFile() const { return dir.path() / "voc" / settings.sCurDict(); }
    std::filesystem::path listFile() const { return dir.path() / "voc" / settings.sCurList(); }

    void writeDictionary(const std::vector<DictRecord>& records) { writeRecords(dictFile(), records); }
    void writeList(const std::vector<ListRecord>& records) { writeRecords(listFile(), records); }
    std::vector<DictRecord> dictionaryOnDisk() const { return readRecords<DictRecord>(dictFile()); }
    std::vector<ListRecord> listOnDisk() const { return readRecords<ListRecord>(listFile()); }

    static std::string wordText(int i) { return "word" + std::to_string(i); }
    static std::string translationText(int i) { return "перевод" + std::to_string(i); }

    // A dictionary of `inList` words already in the working list (and in the
    // list file, loaded into the engine) followed by `candidates` fresh words.
    void prepare(int inList, int candidates = 0)
    {
        std::vector<DictRecord> dict;
        std::vector<ListRecord> list;
        for (int i = 0; i < inList + candidates; ++i) {
            dict.push_back(dictWord(wordText(i), translationText(i), "", 1, i < inList ? 1 : 0));
            if (i < inList)
                list.push_back(listWord(wordText(i), translationText(i)));
        }
        writeDictionary(dict);
        writeList(list);
        engine.loadList();
    }

    // Index in the list of the word asked by the current presentation.
    std::size_t asked() const { return *engine.currentIndex(); }

    TempDir dir;
    RecordingMessages messages;
    Settings settings{messages};
    FixedClock clock{1'700'000'000};
    RecordingWindow window;
    DictionarySession session{messages};
    LearningEngine engine{settings, clock, window, session};
};

} // namespace mox::test
