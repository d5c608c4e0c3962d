#include "Jobs.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/stat.h>

#include "CodePage.h"
#include "DictionaryExport.h"
#include "ModuleSettings.h"
#include "QtCodePage.h"
#include "language/LanguageTable.h"
#include "language/Utf8.h"
#include "store/FileIo.h"
#include "store/FileNames.h"

namespace mox::dc {

namespace {

constexpr std::string_view kExtension = ".dct";
constexpr std::size_t kSniffBytes = 1 << 16;
constexpr std::size_t kSuggestionRows = 200;

bool exists(const std::string& path)
{
    return queryFile(path).exists;
}

std::string quoted(std::string_view text) { return "«" + std::string(text) + "»"; }

// Writes the whole content beside the target and moves it into place; an
// existing target stays untouched unless `replace`.
bool writeWhole(const std::string& target, std::string_view data, bool replace, Outcome& outcome)
{
    outcome.target = target;
    if (replaceFileContent(target, data.data(), data.size(), replace))
        return true;
    if (errno == EEXIST) {
        outcome.status = Outcome::Status::Exists;
        outcome.summary = "Файл " + quoted(target) + " уже есть; он не заменён.";
    } else {
        outcome.status = Outcome::Status::Failed;
        outcome.summary = "Не удалось записать файл " + quoted(target) + ": " + std::strerror(errno) +
                          ". Ничего не записано.";
    }
    return false;
}

// Records the languages beside a dictionary just written; a failure is a
// warning, the dictionary itself is there.
void recordLanguages(const std::string& dictionary, std::uint32_t foreign, std::uint32_t native, Outcome& outcome)
{
    DictionaryLanguages languages;
    languages.foreign = foreign;
    languages.native = native;
    if (!writeDictionaryLanguages(dictionary, languages))
        outcome.warnings.push_back("Языки словаря не записаны рядом с ним (" + languagesFileFor(dictionary) + ": " +
                                   std::strerror(errno) + ").");
}

Outcome existsOutcome(const std::string& target)
{
    Outcome outcome;
    outcome.status = Outcome::Status::Exists;
    outcome.target = target;
    outcome.summary = "Файл " + quoted(target) + " уже есть; он не заменён.";
    return outcome;
}

Outcome failed(std::string summary)
{
    Outcome outcome;
    outcome.summary = std::move(summary);
    return outcome;
}

Outcome badName(std::string_view name)
{
    return failed("Имя словаря " + quoted(name) + " недопустимо: оно не может быть пустым или содержать «/».");
}

std::string languageText(std::uint32_t id)
{
    const std::string name = languageName(id);
    return name.empty() ? "язык " + std::to_string(id) : name;
}

// The options of an import of `source` that do not depend on the rows.
ImportOptions optionsFor(const ImportJob& job)
{
    ImportOptions options;
    options.skipHeader = job.skipHeader;
    options.wordPage = &codePageForCharSet(charSetForLanguage(job.foreignLanguage));
    options.translationPage = &codePageForCharSet(charSetForLanguage(job.nativeLanguage));
    options.refuseUntranscribed = job.refuseUntranscribed;
    options.refuseStressed = job.refuseStressed;
    options.compose = composed;
    options.decompose = decomposed;
    options.characterName = characterName;
    options.progress = job.progress;
    return options;
}

} // namespace

std::string dictionaryFileName(std::string_view name)
{
    std::string file(name);
    if (!(file.size() > kExtension.size() && file.ends_with(kExtension)))
        file += kExtension;
    return isPlainFileName(file) && isPlainFileName(name) ? file : std::string();
}

std::optional<Fix> separatorFix(const SourceFile& source, Separator used)
{
    if (source.kind != FileKind::Text)
        return std::nullopt;
    for (Separator other : {Separator::Tab, Separator::Semicolon, Separator::Comma}) {
        if (other == used)
            continue;
        RowReader probe(std::string_view(source.text).substr(0, kSniffBytes), other);
        if (probe.next() && probe.fieldCount() >= 2) {
            Fix fix{Fix::Kind::OtherSeparator, ""};
            fix.separator = other;
            fix.text = std::string("Разделитель — ") + (other == Separator::Tab         ? "табуляция"
                                                        : other == Separator::Semicolon ? "точка с запятой"
                                                                                        : "запятая");
            return fix;
        }
    }
    return std::nullopt;
}

Columns defaultColumns(const Preview& preview)
{
    Columns columns;
    if (preview.widest < 3)
        columns.transcription = Columns::kNone;
    return columns;
}

Outcome createEmpty(const ModuleSettings& settings, std::string_view name, bool replace, std::uint32_t foreignLanguage,
                    std::uint32_t nativeLanguage)
{
    const std::string file = dictionaryFileName(name);
    if (file.empty())
        return badName(name);
    Outcome outcome;
    if (!writeWhole(settings.dictFolder + file, {}, replace, outcome))
        return outcome;
    outcome.status = Outcome::Status::Done;
    outcome.summary = "Создан пустой словарь " + quoted(file) + ".";
    recordLanguages(settings.dictFolder + file, foreignLanguage, nativeLanguage, outcome);
    return outcome;
}

Outcome importFile(const ModuleSettings& settings, const ImportJob& job)
{
    const std::string file = dictionaryFileName(job.name);
    if (file.empty())
        return badName(job.name);
    const std::string target = settings.dictFolder + file;
    if (!job.replace && exists(target))
        return existsOutcome(target);   // before reading a big file for nothing
    SourceFile source;
    std::string error;
    if (!openSource(job.file, source, error))
        return failed(error);

    ImportOptions options = optionsFor(job);
    Preview sample;
    if (!job.columns && !previewSource(source, job.separator, job.skipHeader, 20, sample, error))
        return failed(error);
    options.columns = job.columns.value_or(defaultColumns(sample));
    std::unique_ptr<RecordBuilder> builder;
    std::vector<std::string_view> fields;
    switch (source.kind) {
    case FileKind::Text:
    case FileKind::Notes: {
        options.separator = job.separator.value_or(source.notes.separator.value_or(detectSeparator(source.text)));
        options.html = source.notes.html;
        const std::string_view text = source.text;
        builder = std::make_unique<RecordBuilder>(
            options, static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
        RowReader reader(text, options.separator);
        reader.hideColumns(source.notes.metaColumns);
        bool header = options.skipHeader;
        std::size_t rows = 0;
        while (reader.next()) {
            if (header) {
                header = false;
                continue;
            }
            if (options.progress && ++rows % 4096 == 0)
                options.progress(reader.position(), reader.size());
            builder->addRow(reader);
        }
        break;
    }
    case FileKind::Deck:
    case FileKind::Kvtml: {
        options.html = source.kind == FileKind::Deck;
        builder = std::make_unique<RecordBuilder>(options, 0);
        const Columns& col = options.columns;
        bool header = options.skipHeader;
        DeckInfo deck;
        KvtmlInfo kvtml;
        const auto add = [&](std::size_t line, const std::vector<std::string_view>& f) {
            // A deck tells its notes before the first: room for all records at
            // once (no second copy while the collection is in memory).
            if (line == 1 && deck.notes > 0)
                builder->reserve(deck.notes);
            if (header) {
                header = false;
                return true;
            }
            const auto at = [&](int i) {
                return i >= 0 && static_cast<std::size_t>(i) < f.size() ? f[static_cast<std::size_t>(i)]
                                                                         : std::string_view();
            };
            builder->result().rows++;
            builder->result().widest = std::max(builder->result().widest, f.size());
            builder->add(line, at(col.word), at(col.translation), at(col.transcription));
            return true;
        };
        const bool read = source.kind == FileKind::Deck ? readDeckPackage(source.path, deck, add, error)
                                                        : readKvtml(source.path, kvtml, add, error);
        if (!read)
            return failed(error);
        break;
    }
    }
    if (options.progress)
        options.progress(1, 1);
    const ImportResult& result = builder->result();

    Outcome outcome;
    outcome.counts = refusalCounts(result);
    for (const RefusedRow& row : result.refused)
        outcome.details.push_back(refusalText(row, options));
    const std::size_t refused = result.refusedRows();
    // What the window can offer to do about the refusals.
    const auto count = [&](Refusal r) { return result.counts[static_cast<std::size_t>(r)]; };
    if (job.refuseUntranscribed && count(Refusal::TranscriptionSymbol) + count(Refusal::TranscriptionTooLong) > 0)
        outcome.fixes.push_back({Fix::Kind::KeepUntranscribed, "Оставить строки без транскрипции"});
    if (result.widest < 2 && result.rows > 0)
        if (auto fix = separatorFix(source, options.separator))
            outcome.fixes.push_back(*fix);
    if (count(Refusal::WordCharacter) + count(Refusal::TranslationCharacter) > 0) {
        Preview rows;
        std::string ignored;
        if (previewSource(source, options.separator, job.skipHeader, kSuggestionRows, rows, ignored)) {
            const LanguageSuggestion s = suggestLanguages(rows, options.columns);
            const std::uint32_t foreign = s.foreign.value_or(job.foreignLanguage);
            const std::uint32_t native = s.native.value_or(job.nativeLanguage);
            if ((foreign != job.foreignLanguage && count(Refusal::WordCharacter) > 0) ||
                (native != job.nativeLanguage && count(Refusal::TranslationCharacter) > 0)) {
                Fix fix{Fix::Kind::OtherLanguages, "Языки: " + languageText(foreign) + " — " + languageText(native)};
                fix.foreignLanguage = foreign;
                fix.nativeLanguage = native;
                outcome.fixes.push_back(fix);
            }
        }
    }
    if (result.records.empty()) {
        outcome.summary = result.rows == 0 ? "В файле нет ни одной строки со словом; словарь не создан."
                                           : "Ни одна строка файла не дала слова (отклонено строк: " +
                                                 groupedNumber(refused) + "); словарь не создан.";
        return outcome;
    }
    const std::string_view bytes(reinterpret_cast<const char*>(result.records.data()),
                                 result.records.size() * sizeof(DictRecord));
    if (!writeWhole(target, bytes, job.replace, outcome))
        return outcome;
    recordLanguages(target, job.foreignLanguage, job.nativeLanguage, outcome);

    outcome.status = Outcome::Status::Done;
    outcome.records = result.records.size();
    outcome.summary = "Словарь " + quoted(file) + " создан, слов в нём: " + groupedNumber(result.records.size()) + ".";
    if (refused > 0)
        outcome.summary += " Отклонено строк: " + groupedNumber(refused) + ".";
    const int transcription = options.columns.transcription;
    if (transcription != Columns::kNone && static_cast<std::size_t>(transcription) >= result.widest)
        outcome.warnings.push_back("В файле нет столбца " + std::to_string(transcription + 1) +
                                   ": слова записаны без транскрипции.");
    // The program shows each field by the character set of its font.
    const std::uint8_t wordSet = charSetForLanguage(job.foreignLanguage);
    const std::uint8_t translationSet = charSetForLanguage(job.nativeLanguage);
    if (wordSet != settings.foreignCharSet || translationSet != settings.nativeCharSet) {
        outcome.warnings.push_back(
            "Слова записаны " + options.wordPage->phrase() + " (" + languageText(job.foreignLanguage) +
            "), переводы — " + options.translationPage->phrase() + " (" + languageText(job.nativeLanguage) +
            "), а шрифты программы сейчас показывают тексты " + codePageForCharSet(settings.foreignCharSet).phrase() +
            " и " + codePageForCharSet(settings.nativeCharSet).phrase() +
            ". Чтобы словарь читался, выберите для него шрифты на странице «Языки/Шрифты» настроек.");
    }
    return outcome;
}

std::string dictionaryPath(const ModuleSettings& settings, std::string_view dictionary)
{
    std::string source(dictionary);
    if (source.find('/') != std::string::npos)
        return source;
    if (!isPlainFileName(source))
        return {};
    if (!exists(settings.dictFolder + source))
        source = dictionaryFileName(source);
    return source.empty() ? std::string() : settings.dictFolder + source;
}

DictionaryLanguages dictionaryLanguagesOf(const ModuleSettings& settings, std::string_view dictionary)
{
    const std::string path = dictionaryPath(settings, dictionary);
    return path.empty() ? DictionaryLanguages() : readDictionaryLanguages(path);
}

Outcome exportDictionary(const ModuleSettings& settings, const ExportJob& job)
{
    const std::string source = dictionaryPath(settings, job.dictionary);
    if (source.empty())
        return failed("Имя словаря " + quoted(job.dictionary) + " недопустимо.");
    if (!job.replace && exists(job.file))
        return existsOutcome(job.file);
    Dictionary records;
    std::size_t fragment = 0;
    std::string error;
    if (!readDictionaryFile(source, records, fragment, error))
        return failed(error);
    // The texts are read in the dictionary's own languages where it has them.
    const DictionaryLanguages own = readDictionaryLanguages(source);
    const std::uint8_t wordSet = job.foreignLanguage ? charSetForLanguage(*job.foreignLanguage)
                                 : own.foreign       ? charSetForLanguage(*own.foreign)
                                                     : settings.foreignCharSet;
    const std::uint8_t translationSet = job.nativeLanguage ? charSetForLanguage(*job.nativeLanguage)
                                        : own.native       ? charSetForLanguage(*own.native)
                                                           : settings.nativeCharSet;
    const bool notes = job.format == ExportFormat::Notes;
    const ExportResult result =
        exportRecords(records, codePageForCharSet(wordSet), codePageForCharSet(translationSet), notes);

    Outcome outcome;
    outcome.details = result.notes;
    if (fragment)
        outcome.warnings.push_back("В конце словаря неполная запись (" + std::to_string(fragment) +
                                   " байт); она не выгружена.");
    if (!job.foreignLanguage && !own.known())
        outcome.warnings.push_back("У словаря не записаны языки: тексты прочитаны в кодировках шрифтов программы (" +
                                   codePageForCharSet(wordSet).name() + ", " +
                                   codePageForCharSet(translationSet).name() + ").");
    std::string text;
    if (notes) {
        std::string deck = source.substr(source.rfind('/') + 1);
        if (deck.ends_with(kExtension))
            deck.resize(deck.size() - kExtension.size());
        text = notesHeader(deck) + result.text;
    }
    if (!writeWhole(job.file, notes ? std::string_view(text) : std::string_view(result.text), job.replace, outcome))
        return outcome;
    outcome.status = Outcome::Status::Done;
    outcome.records = result.written;
    outcome.summary = "Выгружено слов: " + std::to_string(result.written) + " в файл " + quoted(job.file) + ".";
    return outcome;
}

} // namespace mox::dc
