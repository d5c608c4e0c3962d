#include "Jobs.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/stat.h>

#include "DictionaryExport.h"
#include "ModuleSettings.h"
#include "QtCodePage.h"
#include "language/LanguageTable.h"
#include "store/DictionaryFile.h"
#include "store/FileIo.h"
#include "store/FileNames.h"

namespace mox::dc {

namespace {

constexpr std::string_view kExtension = ".dct";
constexpr std::size_t kColumnSampleRows = 20;

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

} // namespace

std::string dictionaryFileName(std::string_view name)
{
    std::string file(name);
    if (!(file.size() > kExtension.size() && file.ends_with(kExtension)))
        file += kExtension;
    return isPlainFileName(file) && isPlainFileName(name) ? file : std::string();
}

namespace {

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

} // namespace

bool readWholeFile(const std::string& path, std::string& text, std::string& error)
{
    const File file = openForReading(path, error);
    if (!file)
        return false;
    text.resize(sizeOf(file.get()));
    if (!readExactly(file.get(), text.data(), text.size(), path, error))
        return false;
    // Whatever the file gained since (or all of it, where the size is unknown).
    char buffer[1 << 16];
    while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, file.get()))
        text.append(buffer, got);
    if (std::ferror(file.get())) {
        error = "Не удалось прочитать файл " + quoted(path) + ": " + std::strerror(errno) + ".";
        return false;
    }
    return true;
}

bool readDictionaryFile(const std::string& path, Dictionary& records, std::size_t& fragment, std::string& error)
{
    const DictionaryFile file(path);
    const FileStatus status = file.status();
    if (status.exists && !status.regular) {
        error = "Словарь " + quoted(path) + " — не файл.";
        return false;
    }
    if (!file.readAll(records)) {
        error = "Не удалось прочитать файл " + quoted(path) + ": " + std::strerror(errno) + ".";
        return false;
    }
    fragment = static_cast<std::size_t>(status.size % sizeof(DictRecord));
    return true;
}

Outcome createEmpty(const ModuleSettings& settings, std::string_view name, bool replace)
{
    const std::string file = dictionaryFileName(name);
    if (file.empty())
        return badName(name);
    Outcome outcome;
    if (!writeWhole(settings.dictFolder + file, {}, replace, outcome))
        return outcome;
    outcome.status = Outcome::Status::Done;
    outcome.summary = "Создан пустой словарь " + quoted(file) + ".";
    return outcome;
}

Columns defaultColumns(std::string_view text, Separator separator)
{
    RowReader reader(text, separator);
    std::size_t widest = 0;
    for (std::size_t row = 0; row < kColumnSampleRows && reader.next(); ++row)
        widest = std::max(widest, reader.fieldCount());
    Columns columns;
    if (widest < 3)
        columns.transcription = Columns::kNone;
    return columns;
}

Outcome importFile(const ModuleSettings& settings, const ImportJob& job)
{
    const std::string file = dictionaryFileName(job.name);
    if (file.empty())
        return badName(job.name);
    if (!job.replace && exists(settings.dictFolder + file))
        return existsOutcome(settings.dictFolder + file);   // before reading a big file for nothing
    std::string text, error;
    if (!readWholeFile(job.file, text, error))
        return failed(error);
    return importText(settings, job, text);
}

Outcome importText(const ModuleSettings& settings, const ImportJob& job, std::string_view text)
{
    const std::string file = dictionaryFileName(job.name);
    if (file.empty())
        return badName(job.name);
    if (!job.replace && exists(settings.dictFolder + file))
        return existsOutcome(settings.dictFolder + file);
    const std::uint8_t wordSet = charSetForLanguage(job.foreignLanguage);
    const std::uint8_t translationSet = charSetForLanguage(job.nativeLanguage);

    ImportOptions options;
    options.separator = job.separator.value_or(detectSeparator(text));
    options.columns = job.columns.value_or(defaultColumns(text, options.separator));
    options.skipHeader = job.skipHeader;
    options.wordPage = &codePageForCharSet(wordSet);
    options.translationPage = &codePageForCharSet(translationSet);
    options.compose = composed;
    options.progress = job.progress;
    const ImportResult result = importRecords(text, options);

    Outcome outcome;
    for (const RefusedRow& row : result.refused)
        outcome.details.push_back(refusalText(row, options));
    if (result.records.empty()) {
        outcome.summary = result.rows == 0 ? "В файле нет ни одной строки со словом; словарь не создан."
                                           : "Ни одна строка файла не дала слова (отклонено строк: " +
                                                 std::to_string(result.refused.size()) + "); словарь не создан.";
        return outcome;
    }
    const std::string_view bytes(reinterpret_cast<const char*>(result.records.data()),
                                 result.records.size() * sizeof(DictRecord));
    if (!writeWhole(settings.dictFolder + file, bytes, job.replace, outcome))
        return outcome;

    outcome.status = Outcome::Status::Done;
    outcome.records = result.records.size();
    outcome.summary = "Словарь " + quoted(file) + " создан, слов в нём: " + std::to_string(result.records.size()) + ".";
    if (!result.refused.empty())
        outcome.summary += " Отклонено строк: " + std::to_string(result.refused.size()) + ".";
    const int transcription = options.columns.transcription;
    if (transcription != Columns::kNone && static_cast<std::size_t>(transcription) >= result.widest)
        outcome.warnings.push_back("В файле нет столбца " + std::to_string(transcription + 1) +
                                   ": слова записаны без транскрипции.");
    // The program shows each field by the character set of its font.
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

Outcome exportDictionary(const ModuleSettings& settings, std::string_view dictionary, const std::string& file,
                         std::uint8_t wordCharSet, std::uint8_t translationCharSet, bool replace)
{
    std::string source(dictionary);
    if (source.find('/') == std::string::npos) {
        if (!isPlainFileName(source))
            return failed("Имя словаря " + quoted(dictionary) + " недопустимо.");
        if (!exists(settings.dictFolder + source))
            source = dictionaryFileName(source);
        source = settings.dictFolder + source;
    }
    if (!replace && exists(file))
        return existsOutcome(file);
    Dictionary records;
    std::size_t fragment = 0;
    std::string error;
    if (!readDictionaryFile(source, records, fragment, error))
        return failed(error);
    const ExportResult result =
        exportRecords(records, codePageForCharSet(wordCharSet), codePageForCharSet(translationCharSet));

    Outcome outcome;
    outcome.details = result.notes;
    if (fragment)
        outcome.warnings.push_back("В конце словаря неполная запись (" + std::to_string(fragment) +
                                   " байт); она не выгружена.");
    if (!writeWhole(file, result.text, replace, outcome))
        return outcome;
    outcome.status = Outcome::Status::Done;
    outcome.records = result.written;
    outcome.summary = "Выгружено слов: " + std::to_string(result.written) + " в файл " + quoted(file) + ".";
    return outcome;
}

} // namespace mox::dc
