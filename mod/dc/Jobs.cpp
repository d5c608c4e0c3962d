#include "Jobs.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/stat.h>

#include "CodePage.h"
#include "DictionaryExport.h"
#include "LanguageGuess.h"
#include "ModuleSettings.h"
#include "QtCodePage.h"
#include "language/LanguageTable.h"
#include "language/Utf8.h"
#include "store/FileNames.h"

namespace mox::dc {

namespace {

constexpr std::string_view kExtension = ".dct";
constexpr std::size_t kSniffBytes = 1 << 16;
constexpr std::size_t kPreviewFieldBytes = 200;
constexpr std::size_t kSuggestionRows = 200;

bool exists(const std::string& path) { return dictionaryExists(path); }

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
    return failed("Имя словаря " + quoted(name) + " недопустимо: оно не может быть пустым и содержать «/».");
}

std::string languageText(std::uint32_t id)
{
    const std::string name = languageName(id);
    return name.empty() ? "язык " + std::to_string(id) : name;
}

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

File openForReading(const std::string& path, std::string& error)
{
    File file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file)
        error = "Не удалось открыть файл " + quoted(path) + ": " + std::strerror(errno) + ".";
    return file;
}

// The size of an open file, to read it in one go (0 when unknown).
std::size_t sizeOf(std::FILE* file)
{
    struct stat status {};
    return ::fstat(::fileno(file), &status) == 0 && S_ISREG(status.st_mode) ? static_cast<std::size_t>(status.st_size)
                                                                              : 0;
}

// Reads `size` bytes into `into`; false with a message when the file gave fewer.
bool readExactly(std::FILE* file, void* into, std::size_t size, const std::string& path, std::string& error)
{
    if (std::fread(into, 1, size, file) == size)
        return true;
    error = "Не удалось прочитать файл " + quoted(path) + ": " +
            (std::ferror(file) ? std::strerror(errno) : "файл стал короче") + ".";
    return false;
}

// UTF-16 text with its byte-order mark as UTF-8; a cut last unit is dropped.
std::string fromUtf16(std::string_view bytes, bool bigEndian)
{
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    const auto unit = [&](std::size_t at) {
        const auto hi = static_cast<unsigned char>(bytes[at + (bigEndian ? 0 : 1)]);
        const auto lo = static_cast<unsigned char>(bytes[at + (bigEndian ? 1 : 0)]);
        return static_cast<char32_t>(hi << 8 | lo);
    };
    for (std::size_t at = 2; at + 1 < bytes.size(); at += 2) {
        char32_t c = unit(at);
        if (c >= 0xD800 && c <= 0xDBFF && at + 3 < bytes.size()) {
            const char32_t low = unit(at + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                at += 2;
            } else {
                c = utf8::kInvalid;
            }
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = utf8::kInvalid;
        }
        utf8::append(out, c);
    }
    return out;
}

// Lines of the sample that are not UTF-8, and lines in all.
void utf8Lines(std::string_view sample, std::size_t& bad, std::size_t& all)
{
    bad = all = 0;
    for (std::size_t at = 0; at < sample.size();) {
        std::size_t end = sample.find('\n', at);
        if (end == std::string_view::npos)
            end = sample.size();
        const std::string_view line = sample.substr(at, end - at);
        ++all;
        for (std::size_t i = 0; i < line.size();) {
            const std::size_t start = i;
            if (utf8::next(line, i) == utf8::kInvalid && !(end == sample.size() && line.size() - start < 4)) {
                ++bad;
                break;
            }
        }
        at = end + 1;
    }
}

std::string cut(std::string_view field)
{
    if (field.size() <= kPreviewFieldBytes)
        return std::string(field);
    std::size_t end = kPreviewFieldBytes;
    while (end > 0 && (static_cast<unsigned char>(field[end]) & 0xC0) == 0x80)
        --end;
    return std::string(field.substr(0, end)) + "…";
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

bool readWholeFile(const std::string& path, std::string& text, std::string& error, std::size_t most)
{
    const File file = openForReading(path, error);
    if (!file)
        return false;
    struct stat status {};
    if (::fstat(::fileno(file.get()), &status) == 0 && S_ISDIR(status.st_mode)) {
        error = "«" + path + "» — папка, а не файл.";
        return false;
    }
    text.resize(std::min(sizeOf(file.get()), most));
    if (!readExactly(file.get(), text.data(), text.size(), path, error))
        return false;
    // Whatever the file gained since (or all of it, where the size is unknown).
    char buffer[1 << 16];
    while (text.size() < most) {
        const std::size_t got = std::fread(buffer, 1, std::min(sizeof buffer, most - text.size()), file.get());
        if (got == 0)
            break;
        text.append(buffer, got);
    }
    if (std::ferror(file.get())) {
        error = "Не удалось прочитать файл " + quoted(path) + ": " + std::strerror(errno) + ".";
        return false;
    }
    return true;
}

bool readDictionaryFile(const std::string& path, Dictionary& records, std::size_t& fragment, std::string& error)
{
    const File file = openForReading(path, error);
    if (!file)
        return false;
    struct stat status {};
    if (::fstat(::fileno(file.get()), &status) != 0 || !S_ISREG(status.st_mode)) {
        error = "Словарь " + quoted(path) + " — не файл.";
        return false;
    }
    const std::size_t size = static_cast<std::size_t>(status.st_size);
    records.resize(size / sizeof(DictRecord));
    fragment = size % sizeof(DictRecord);
    return readExactly(file.get(), records.data(), records.size() * sizeof(DictRecord), path, error);
}

bool openSource(const std::string& path, SourceFile& source, std::string& error, std::size_t headBytes)
{
    source = SourceFile();
    source.path = path;
    std::string head;
    if (!readWholeFile(path, head, error, kSniffBytes))
        return false;
    if (looksLikeZip(head)) {
        source.kind = FileKind::Deck;
        return true;   // a zip without a collection is named when it is read
    }
    if (looksLikeKvtml(head)) {
        source.kind = FileKind::Kvtml;
        return true;
    }
    const bool utf16le = head.starts_with("\xFF\xFE"), utf16be = head.starts_with("\xFE\xFF");
    if (!(utf16le || utf16be) && head.find('\0') != std::string::npos) {
        error = "Файл " + quoted(path) +
                " — не текст (в нём нулевые байты: программа, картинка или архив). Словарь делается из текста "
                "UTF-8 или UTF-16, пакета колоды (.apkg, .colpkg) или файла KVTML.";
        return false;
    }
    std::string bytes;
    if (headBytes == 0 || headBytes > head.size()) {
        if (!readWholeFile(path, bytes, error, headBytes == 0 ? static_cast<std::size_t>(-1) : headBytes))
            return false;
    } else {
        bytes = head.substr(0, headBytes);
    }
    source.partial = headBytes != 0;
    if (utf16le || utf16be) {
        source.text = fromUtf16(bytes, utf16be);
        source.encoding = utf16be ? "UTF-16BE" : "UTF-16LE";
    } else {
        source.text = std::move(bytes);
    }
    std::size_t bad = 0, all = 0;
    utf8Lines(std::string_view(source.text).substr(0, kSniffBytes), bad, all);
    if (bad > 0 && bad * 2 >= all) {
        error = "Файл " + quoted(path) +
                " — не в кодировке UTF-8 (и не UTF-16 с меткой порядка байтов): строк не в UTF-8 " +
                std::to_string(bad) + " из первых " + std::to_string(all) +
                ". Сохраните его в UTF-8 (в редакторе: «Сохранить как…», кодировка UTF-8).";
        return false;
    }
    source.notes = readNotesHeader(source.text);
    if (source.notes.found)
        source.kind = FileKind::Notes;
    return true;
}

bool previewSource(const SourceFile& source, std::optional<Separator> separator, bool skipHeader, std::size_t rows,
                   Preview& preview, std::string& error)
{
    preview = Preview();
    const auto take = [&](std::size_t line, const std::vector<std::string_view>& fields) {
        if (skipHeader) {
            skipHeader = false;
            return true;
        }
        std::vector<std::string> row;
        for (std::string_view f : fields)
            row.push_back(cut(f));
        preview.widest = std::max(preview.widest, row.size());
        preview.rows.push_back(std::move(row));
        preview.lines.push_back(line);
        return preview.rows.size() < rows;
    };
    std::vector<std::string_view> fields;
    switch (source.kind) {
    case FileKind::Text:
    case FileKind::Notes: {
        const NotesHeader& notes = source.notes;
        preview.separator = separator.value_or(notes.separator.value_or(detectSeparator(source.text)));
        preview.html = notes.html;
        preview.deckName = notes.deck;
        RowReader reader(source.text, preview.separator);
        reader.hideColumns(notes.metaColumns);
        for (std::size_t c = 0, i = 0; c < notes.columnNames.size(); ++c)
            if (std::find(notes.metaColumns.begin(), notes.metaColumns.end(), c) == notes.metaColumns.end() && ++i)
                preview.titles.push_back(notes.columnNames[c]);
        while (reader.next()) {
            if (notes.deckColumn && preview.deckName.empty())
                preview.deckName = std::string(reader.hiddenField(*notes.deckColumn));
            fields.clear();
            for (std::size_t i = 0; i < reader.fieldCount(); ++i)
                fields.push_back(reader.field(i));
            if (!take(reader.line(), fields))
                break;
        }
        return true;
    }
    case FileKind::Deck: {
        DeckInfo info;
        preview.html = true;
        if (!readDeckPackage(source.path, info, take, error))
            return false;
        preview.deckName = info.deckName;
        preview.titles = info.fieldNames;
        return true;
    }
    case FileKind::Kvtml: {
        KvtmlInfo info;
        if (!readKvtml(source.path, info, take, error))
            return false;
        preview.locales = info.locales;
        for (const std::string& name : info.names)
            preview.titles.push_back(name);
        for (const std::string& name : info.names)
            preview.titles.push_back(name + ": произношение");
        return true;
    }
    }
    return true;
}

LanguageSuggestion suggestLanguages(const Preview& preview, const Columns& columns)
{
    LanguageSuggestion suggestion;
    // A KVTML file names its languages by locale.
    if (preview.locales.size() >= 2) {
        suggestion.foreign = languageByName(preview.locales[0]);
        suggestion.native = languageByName(preview.locales[1]);
    }
    // A deck named after its language ("Deutsch", "Polish::Verbs") names the studied one.
    if (!suggestion.foreign && !preview.deckName.empty())
        suggestion.foreign = languageByName(preview.deckName);
    std::string words, translations;
    for (std::size_t i = 0; i < preview.rows.size() && i < kSuggestionRows; ++i) {
        const auto& row = preview.rows[i];
        if (static_cast<std::size_t>(columns.word) < row.size())
            words += row[static_cast<std::size_t>(columns.word)] + "\n";
        if (static_cast<std::size_t>(columns.translation) < row.size())
            translations += row[static_cast<std::size_t>(columns.translation)] + "\n";
    }
    if (!suggestion.foreign)
        suggestion.foreign = languageByLetters(words);
    if (!suggestion.native)
        suggestion.native = languageByLetters(translations);
    return suggestion;
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
        const auto add = [&](std::size_t line, const std::vector<std::string_view>& f) {
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
        DeckInfo deck;
        KvtmlInfo kvtml;
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
            "Слова записаны в кодировке " + options.wordPage->name() + " (" + languageText(job.foreignLanguage) +
            "), переводы — в " + options.translationPage->name() + " (" + languageText(job.nativeLanguage) +
            "), а шрифты программы сейчас показывают " + codePageForCharSet(settings.foreignCharSet).name() +
            " и " + codePageForCharSet(settings.nativeCharSet).name() +
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
