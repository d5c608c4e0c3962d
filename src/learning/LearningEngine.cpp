#include "learning/LearningEngine.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unordered_map>
#include <unordered_set>

#include "language/CodePage.h"
#include "platform/ClockPort.h"
#include "platform/MessagePort.h"
#include "settings/Settings.h"
#include "store/DictRecord.h"
#include "store/RecordText.h"
#include "store/Store.h"

namespace mox {

namespace {

constexpr const char* kCannotOpenForTopUp = "Не удалось открыть файл словаря.";
constexpr const char* kCannotOpenForExclude = "Ошибка: Не удалось открыть файл словаря для исключения слова";
constexpr const char* kCannotReadDictionary = "Ошибка: Не удалось прочитать файл словаря.";
constexpr const char* kCannotWriteDictionary = "Ошибка: Не удалось записать файл словаря.";
constexpr const char* kCannotWriteList = "Ошибка: Не удалось записать слово в файл списка.";

// A list smaller than this is not worth presenting without fresh words.
constexpr std::size_t kSmallestUsableList = 3;

// Records read at a time while looking for candidates.
constexpr std::size_t kScanRecords = 256;

bool readRecord(std::istream& in, DictRecord& record)
{
    in.read(reinterpret_cast<char*>(&record), static_cast<std::streamsize>(kDictRecordSize));
    return in.gcount() == static_cast<std::streamsize>(kDictRecordSize);
}

} // namespace

LearningEngine::LearningEngine(Settings& settings, ClockPort& clock, LearningCallbacks& callbacks)
    : settings_(settings), clock_(clock), callbacks_(callbacks)
{
}

void LearningEngine::reseed()
{
    random_.seed(static_cast<std::uint64_t>(clock_.nowSeconds()));
}

void LearningEngine::endPresentation()
{
    rows_.clear();
    correctRow_ = 0;
    answer_.clear();
}

std::optional<std::size_t> LearningEngine::currentIndex() const
{
    // Rows always point into the list while a presentation lives; the check
    // keeps a stale index from ever reaching outside it.
    if (correctRow_ >= rows_.size())
        return std::nullopt;
    const std::size_t index = rows_[correctRow_];
    if (index >= list_.size())
        return std::nullopt;
    return index;
}

const ListRecord* LearningEngine::currentWord() const
{
    const auto index = currentIndex();
    return index ? &list_[*index] : nullptr;
}

ListRecord* LearningEngine::current()
{
    const auto index = currentIndex();
    return index ? &list_[*index] : nullptr;
}

void LearningEngine::setList(std::vector<ListRecord> list)
{
    list_ = std::move(list);
    unsaved_ = true;
    endPresentation();
}

void LearningEngine::loadList()
{
    endPresentation();
    const std::string path = settings_.listPath();
    if (saveFailed_ && unsaved_ && !path.empty() && path == listOwner_) {
        if (!writeList(settings_, list_))
            return;  // still failing (and told): the file is older than the list in memory
        saveFailed_ = false;
    }
    list_.clear();
    ::mox::loadList(settings_, settings_.messages(), list_);
    listOwner_ = path;
    saveFailed_ = false;
    unsaved_ = false;
    reconcilePending_ = !list_.empty();
}

bool LearningEngine::saveList(bool tellAgain)
{
    const std::string path = settings_.listPath();
    if (path.empty())
        return false;  // no usable list name: told once at the start
    if (writeList(settings_, list_)) {
        saveFailed_ = false;
        unsaved_ = false;
        listOwner_ = path;
        return true;
    }
    if (!saveFailed_ || tellAgain) {
        saveFailed_ = true;
        settings_.messages().show(kListUpdateFailed, MessageIcon::Error, MessageButtons::Ok);
    }
    return false;
}

// What the dictionary says about one word of the list: its first record
// with that word, as every lookup takes it.
struct LearningEngine::ListWordState {
    std::string word;
    bool found = false;
    std::uint32_t number = 0;
    bool live = false;
    bool active = false;
    bool inList = false;
};

void LearningEngine::reconcile(std::fstream& dictionary, const std::vector<ListWordState>& states,
                               std::vector<std::uint32_t>& candidates)
{
    std::unordered_set<std::string_view> learned;
    bool marked = true;
    for (const ListWordState& state : states) {
        if (!state.found || !state.live || state.inList)
            continue;
        if (!state.active) {
            learned.insert(state.word);
            continue;
        }
        // In the list but not marked (a crash between the list append and
        // the mark): mark it now, so it is not drawn again.
        if (!marked)
            continue;
        const std::int64_t offset = static_cast<std::int64_t>(state.number) * static_cast<std::int64_t>(kDictRecordSize);
        const auto mark = [&] {
            DictRecord record;
            dictionary.clear();
            dictionary.seekg(offset);
            if (!readRecord(dictionary, record))
                return false;
            record.inList = 1;
            return rewriteRecord(dictionary, offset, record) && dictionary.flush().good();
        };
        if (!mark()) {
            marked = false;
            settings_.messages().show(kCannotWriteDictionary, MessageIcon::Error, MessageButtons::Ok);
            continue;
        }
        const auto at = std::lower_bound(candidates.begin(), candidates.end(), state.number);
        if (at != candidates.end() && *at == state.number)
            candidates.erase(at);
    }
    if (learned.empty())
        return;
    std::erase_if(list_, [&](const ListRecord& r) { return learned.count(fieldView(r.word)) != 0; });
    unsaved_ = true;
    saveList();
}

bool LearningEngine::topUpList()
{
    MessagePort& messages = settings_.messages();
    const std::size_t target = settings_.iSubSetRecCount();
    // A dictionary without live words gives false whether the list is full or
    // not; a full list needs nothing more, unless it was just read and has to
    // be reconciled with the dictionary.
    if (list_.size() >= target && !reconcilePending_)
        return DictItemCount(settings_, messages) != 0;

    // The pass below that looks for candidates also counts the live words,
    // so the dictionary is read once. What the count alone would refuse
    // without reading (a missing file, a size that is not a whole number of
    // records) is refused here the same way, without a message.
    const std::string path = settings_.dictionaryPath();
    std::error_code statusError;
    const auto status = std::filesystem::status(path, statusError);
    if (!std::filesystem::exists(status))
        return false;
    std::uintmax_t dictionarySize = 0;
    if (std::filesystem::is_regular_file(status)) {
        dictionarySize = std::filesystem::file_size(path, statusError);
        if (statusError || dictionarySize < kDictRecordSize || dictionarySize % kDictRecordSize != 0)
            return false;
    }

    std::fstream dictionary = openDictionaryForUpdate(settings_);
    const bool writable = dictionary.is_open();
    // A read-only dictionary can still tell which words are learned.
    if (!writable && reconcilePending_)
        dictionary.open(path, std::ios::in | std::ios::binary);
    const bool full = list_.size() >= target;
    if (!writable && (!dictionary.is_open() || !full)) {
        // A file that cannot even be read is reported by the count (and is
        // then no dictionary to top up from); otherwise it is read-only.
        if (DictItemCount(settings_, messages) != 0 && !full)
            messages.show(kCannotOpenForTopUp, MessageIcon::Error, MessageButtons::Ok);
        if (!dictionary.is_open())
            return full && DictItemCount(settings_, messages) != 0;
    }

    // The words of the list to look up during the pass, when reconciling.
    // A bit per sketch of each word (its length and three of its bytes)
    // lets the pass skip almost every record without hashing its word.
    std::vector<ListWordState> states;
    std::unordered_map<std::string_view, std::size_t> lookup;
    std::vector<bool> sketches;
    const auto sketch = [](std::string_view w) {
        const auto byte = [&](std::size_t i) { return static_cast<unsigned>(static_cast<unsigned char>(w[i])); };
        return (w.size() * 40503u + byte(0) * 2654435761u + byte(w.size() / 2) * 97u + byte(w.size() - 1)) & 0xFFFFu;
    };
    if (reconcilePending_) {
        std::unordered_set<std::string_view> seen;
        for (const ListRecord& r : list_) {
            const std::string_view word = fieldView(r.word);
            if (!word.empty() && seen.insert(word).second)
                states.push_back({std::string(word)});
        }
        sketches.assign(0x10000, false);
        for (std::size_t i = 0; i < states.size(); ++i) {
            lookup.emplace(states[i].word, i);
            sketches[sketch(states[i].word)] = true;
        }
    }

    // One sequential pass, record by record through a buffer of a few
    // hundred records; only the numbers of the candidates are kept.
    std::vector<std::uint32_t> candidates;
    candidates.reserve(static_cast<std::size_t>(dictionarySize / kDictRecordSize));
    std::vector<char> buffer(kScanRecords * kDictRecordSize);
    std::uint32_t number = 0;
    std::uint32_t live = 0;
    for (;;) {
        dictionary.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        const std::size_t records = static_cast<std::size_t>(dictionary.gcount()) / kDictRecordSize;
        for (std::size_t i = 0; i < records; ++i, ++number) {
            const char* r = buffer.data() + i * kDictRecordSize;
            if (!lookup.empty() && r[offsetof(DictRecord, word)] != 0) {
                const char* field = r + offsetof(DictRecord, word);
                const std::string_view word(field, ::strnlen(field, sizeof(DictRecord::word)));
                const auto found = sketches[sketch(word)] ? lookup.find(word) : lookup.end();
                if (found != lookup.end()) {
                    ListWordState& state = states[found->second];
                    state.found = true;
                    state.number = number;
                    state.live = r[offsetof(DictRecord, deleted)] == 0;
                    state.active = r[offsetof(DictRecord, active)] != 0;
                    state.inList = r[offsetof(DictRecord, inList)] != 0;
                    lookup.erase(found);  // later records with the word are not its record
                }
            }
            if (r[offsetof(DictRecord, deleted)] != 0)
                continue;
            ++live;
            if (r[offsetof(DictRecord, active)] != 0 && r[offsetof(DictRecord, inList)] == 0)
                candidates.push_back(number);
        }
        if (!dictionary)
            break;
    }
    DictRecord record;
    if (dictionary.bad()) {
        messages.show(kCannotReadDictionary, MessageIcon::Error, MessageButtons::Ok);
        return false;
    }
    if (reconcilePending_) {
        reconcilePending_ = false;
        // A read-only dictionary keeps its marks; only learned words leave.
        if (!writable)
            for (ListWordState& state : states)
                state.inList = state.inList || state.active;
        reconcile(dictionary, states, candidates);
        if (!writable)
            return full && live != 0;  // nothing can be drawn from it
    }
    if (live == 0)
        return false;
    if (list_.size() >= target)
        return true;
    settings_.setUiDictActiveCount(static_cast<std::uint32_t>(candidates.size()));

    if (candidates.empty())
        return list_.size() >= kSmallestUsableList;

    reseed();
    const std::string listPath = settings_.listPath();
    std::ofstream listFile(listPath, std::ios::binary | std::ios::app);
    if (!listFile.is_open()) {
        messages.show(kCannotWriteList, MessageIcon::Error, MessageButtons::Ok);
        return false;
    }

    // Appends start at a record boundary: a trailing fragment (which no
    // reader takes for a record) would shift every record appended after it.
    std::error_code sizeError;
    std::uintmax_t listSize = std::filesystem::file_size(listPath, sizeError);
    if (!sizeError && listSize % kListRecordSize != 0) {
        listSize -= listSize % kListRecordSize;
        std::filesystem::resize_file(listPath, listSize, sizeError);
    }
    // Takes a partly written or unmatched list record back off the file.
    const auto takeBackListRecord = [&] {
        listFile.close();
        if (!sizeError) {
            std::error_code ignored;
            std::filesystem::resize_file(listPath, listSize, ignored);
        }
    };

    // Drawn positions leave the candidates and the later ones move up. The
    // few drawn positions are kept apart, in ascending order, and a draw `w`
    // among the remaining candidates is mapped past them, so the long array
    // is never shifted.
    std::vector<std::size_t> drawn;
    std::size_t remaining = candidates.size();
    while (list_.size() < target && remaining > 0) {
        std::size_t position = random_.below(static_cast<std::uint32_t>(remaining));
        auto it = drawn.begin();
        for (; it != drawn.end() && *it <= position; ++it)
            ++position;
        const std::int64_t offset =
            static_cast<std::int64_t>(candidates[position]) * static_cast<std::int64_t>(kDictRecordSize);

        dictionary.clear();
        dictionary.seekg(offset);
        if (!readRecord(dictionary, record)) {
            messages.show(kCannotReadDictionary, MessageIcon::Error, MessageButtons::Ok);
            return false;
        }

        // The list record goes to the file first; the dictionary is marked
        // only once its list record is on disk, and a failed mark takes the
        // list record back, so the two files never disagree about the word.
        const ListRecord entry = newListRecord(record);
        listFile.write(reinterpret_cast<const char*>(&entry), static_cast<std::streamsize>(kListRecordSize));
        listFile.flush();
        if (!listFile) {
            takeBackListRecord();
            messages.show(kCannotWriteList, MessageIcon::Error, MessageButtons::Ok);
            return false;
        }

        record.inList = 1;
        const bool marked = rewriteRecord(dictionary, offset, record) && dictionary.flush().good();
        if (!marked) {
            takeBackListRecord();
            messages.show(kCannotWriteDictionary, MessageIcon::Error, MessageButtons::Ok);
            return false;
        }
        listSize += kListRecordSize;

        list_.push_back(entry);
        drawn.insert(it, position);
        --remaining;
    }
    return true;
}

std::string LearningEngine::bracketed(std::string_view transcription)
{
    if (transcription.empty())
        return {};
    const auto isBracket = [](char c) { return c == '[' || c == ']'; };
    std::string out;
    out.reserve(transcription.size() + 2);
    if (!isBracket(transcription.front()))
        out += '[';
    out += transcription;
    if (!isBracket(transcription.back()))
        out += ']';
    return out;
}

Presentation LearningEngine::presentNext()
{
    Presentation p;
    if (!dictionaryExists(settings_.dictionaryPath())) {
        endPresentation();
        p.state = Presentation::State::noDictionary;
        return p;
    }
    if (list_.empty()) {
        endPresentation();
        p.state = Presentation::State::emptyList;
        return p;
    }
    p.canExclude = true;

    rows_.clear();
    const std::size_t count = list_.size();
    const std::size_t n = std::min<std::size_t>(count, std::max<std::uint16_t>(settings_.iRowCount(), 1));
    reseed();
    while (rows_.size() < n) {
        const std::uint32_t r = random_.below(static_cast<std::uint32_t>(count));
        if (std::find(rows_.begin(), rows_.end(), r) == rows_.end())
            rows_.push_back(r);
    }
    correctRow_ = static_cast<std::uint16_t>(random_.below(static_cast<std::uint32_t>(n)));

    const Mode mode = settings_.currentMode();
    std::uint16_t& direction = mode == Mode::Choice ? choiceDirection_ : typingDirection_;
    // 2 ("both") is drawn anew for every presentation; a value the window has
    // not replaced yet is drawn the same way.
    if (settings_.demoType(mode) == Direction::Both || direction > 1)
        direction = static_cast<std::uint16_t>(random_.below(2));
    presentedDirection_ = direction;
    const bool direct = direction == 0;

    const ListRecord& word = list_[rows_[correctRow_]];
    const FontRole studied = FontRole::studiedLanguage;
    const FontRole translation = FontRole::translationLanguage;
    p.prompt = direct ? fieldText(word.word) : fieldText(word.translation);
    p.promptFont = direct ? studied : translation;
    answer_ = direct ? fieldText(word.translation) : fieldText(word.word);

    const bool showTranscription = mode == Mode::Choice ? settings_.bShowTranscrSel() != 0 : settings_.bShowTranscrInput() != 0;
    if (showTranscription) {
        if (direct) {
            p.transcription.kind = TranscriptionUpdate::Kind::show;
            p.transcription.text = bracketed(fieldView(word.transcription));
        } else {
            p.transcription.kind = TranscriptionUpdate::Kind::clear;
        }
    }

    if (mode == Mode::Choice) {
        p.variantFont = direct ? translation : studied;
        p.variants.reserve(rows_.size());
        for (const std::uint32_t row : rows_)
            p.variants.push_back(direct ? fieldText(list_[row].translation) : fieldText(list_[row].word));
    } else {
        p.typingFont = direct ? translation : studied;
    }

    if (settings_.bShowStatCurItem() != 0)
        p.statistics = statisticsLine();
    p.state = Presentation::State::ready;
    return p;
}

std::string LearningEngine::statisticsLine() const
{
    const ListRecord* word = currentWord();
    if (!word)
        return {};
    const int right = int{word->choiceDirectRight} + int{word->choiceReverseRight} + int{word->typingReverseRight};
    const int wrong = int{word->choiceDirectWrong} + int{word->choiceReverseWrong} + int{word->typingReverseWrong};
    const int excludeAfter = settings_.iExcludeAfter();
    const int remaining = right <= excludeAfter ? excludeAfter - right : 0;
    char line[64];
    std::snprintf(line, sizeof line, "%d-%d-%d-%d", int{word->answers}, right, wrong, remaining);
    return line;
}

bool LearningEngine::countAnyAnswer()
{
    ++anyAnswers_;
    const std::uint16_t threshold = settings_.iShowCount();
    return threshold != 0 && anyAnswers_ == threshold && settings_.iHideState() != 0;
}

bool LearningEngine::countCorrectAnswer()
{
    ++correctAnswers_;
    const std::uint16_t threshold = settings_.iHideAfter();
    return threshold != 0 && correctAnswers_ == threshold && settings_.iHideState() != 0;
}

bool LearningEngine::checkAnswer(std::string_view text)
{
    ListRecord* word = current();
    if (!word)
        return false;

    const Mode mode = settings_.currentMode();
    const bool direct = presentedDirection_ == 0;
    const FontRole answerFont = direct ? FontRole::translationLanguage : FontRole::studiedLanguage;
    bool correct = false;

    if (mode == Mode::Choice) {
        // An empty choice (no row selected) gets no verdict and no direction
        // counter, but counts as an answer that is not correct.
        if (!text.empty()) {
            correct = text == answer_;
            if (correct)
                ++(direct ? word->choiceDirectRight : word->choiceReverseRight);
            else
                ++(direct ? word->choiceDirectWrong : word->choiceReverseWrong);
        }
    } else {
        correct = !text.empty() &&
                  (settings_.bMatchCaseInput() != 0 ? text == answer_ : cp1251EqualsIgnoreCase(text, answer_));
        // Typing in the direct direction has no counters of its own.
        if (!direct)
            ++(correct ? word->typingReverseRight : word->typingReverseWrong);
    }
    ++word->answers;
    unsaved_ = true;

    if (!correct) {
        word->streak = 0;
        // Every answer reaches the file at once: a crash loses at most the
        // answer being given.
        saveList();
        if (mode == Mode::Choice && text.empty())
            return false;
        showingWrongAnswer_ = true;
        callbacks_.hideTranscriptionLine();
        callbacks_.showCorrectAnswer(answer_, answerFont);
        if (mode == Mode::Choice)
            callbacks_.disableVariants();
        return false;
    }

    ++word->streak;
    const bool learned = word->streak >= settings_.iExcludeAfter();
    if (mode != Mode::Choice)
        callbacks_.clearTypedAnswer();
    if (!learned || !excludeCurrentWord())
        saveList();
    // `word` may be gone from here on.

    const bool anyRule = countAnyAnswer();
    const bool correctRule = countCorrectAnswer();
    if (anyRule || correctRule)
        callbacks_.retreatWithAutoshow();

    topUpList();
    callbacks_.render(presentNext());
    return true;
}

void LearningEngine::continueAfterWrong()
{
    if (!showingWrongAnswer_)
        return;
    showingWrongAnswer_ = false;
    callbacks_.showTranscriptionLine();
    callbacks_.render(presentNext());
    if (countAnyAnswer())
        callbacks_.retreatWithAutoshow();
    callbacks_.restoreAfterWrong(static_cast<std::uint16_t>(settings_.currentMode()));
}

bool LearningEngine::excludeCurrentWord()
{
    const auto index = currentIndex();
    if (!index)
        return false;
    MessagePort& messages = settings_.messages();
    const std::string word = fieldText(list_[*index].word);

    // The dictionary is changed first: when that fails the word stays in the
    // list, still marked inList there, and the presentation goes on.
    std::fstream dictionary = openDictionaryForUpdate(settings_);
    if (!dictionary.is_open()) {
        messages.show(kCannotOpenForExclude, MessageIcon::Warning, MessageButtons::Ok);
        return false;
    }
    if (const auto offset = findRecord(dictionary, word)) {
        DictRecord record;
        dictionary.clear();
        dictionary.seekg(*offset);
        if (!readRecord(dictionary, record)) {
            messages.show(kCannotReadDictionary, MessageIcon::Warning, MessageButtons::Ok);
            return false;
        }
        record.active = 0;
        record.inList = 0;
        if (!rewriteRecord(dictionary, *offset, record) || !dictionary.flush().good()) {
            messages.show(kCannotWriteDictionary, MessageIcon::Warning, MessageButtons::Ok);
            return false;
        }
    }

    // The list file follows at once: the dictionary already says the word is
    // out, and a list that still held it would bring it back after a crash
    // (topUpList reconciles that case too).
    list_.erase(list_.begin() + static_cast<std::ptrdiff_t>(*index));
    unsaved_ = true;
    saveList();
    endPresentation();
    return true;
}

void LearningEngine::resetShowingCounters()
{
    anyAnswers_ = 0;
    correctAnswers_ = 0;
}

void LearningEngine::setChoiceDirectionFromSettings()
{
    choiceDirection_ = static_cast<std::uint16_t>(settings_.demoType(Mode::Choice));
}

void LearningEngine::setTypingDirectionFromSettings()
{
    typingDirection_ = static_cast<std::uint16_t>(settings_.demoType(Mode::Typing));
}

std::optional<std::string> LearningEngine::transcriptionFor(std::string_view text, std::uint16_t mode) const
{
    for (const ListRecord& record : list_) {
        const std::string_view key = mode == 0 ? fieldView(record.word) : fieldView(record.translation);
        if (key == text)
            return bracketed(fieldView(record.transcription));
    }
    return std::nullopt;
}

} // namespace mox
