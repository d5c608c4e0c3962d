#include "CommandLine.h"

#include <charconv>

#include <QString>

#include "Jobs.h"
#include "ModuleSettings.h"
#include "Version.h"
#include "language/LanguageTable.h"

namespace mox::dc {

namespace {

constexpr int kDone = 0;
constexpr int kNotWritten = 1;
constexpr int kUsage = 2;

struct UsageError {
    std::string text;
};

std::vector<std::string_view> split(std::string_view text)
{
    std::vector<std::string_view> parts;
    for (;;) {
        const std::size_t comma = text.find(',');
        parts.push_back(text.substr(0, comma));
        if (comma == std::string_view::npos)
            return parts;
        text.remove_prefix(comma + 1);
    }
}

std::optional<unsigned> number(std::string_view text, int base = 10)
{
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

Columns parseColumns(std::string_view text)
{
    const auto parts = split(text);
    if (parts.size() < 2 || parts.size() > 3)
        throw UsageError{"--columns ждёт два или три номера столбцов через запятую: слово,перевод[,транскрипция]"};
    int values[3] = {0, 0, 0};
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const auto n = number(parts[i]);
        if (!n || *n > 1000 || (i < 2 && *n == 0))
            throw UsageError{"--columns: «" + std::string(parts[i]) +
                             "» — не номер столбца (столбцы считаются с 1; 0 — нет транскрипции)"};
        values[i] = static_cast<int>(*n);
    }
    if (values[0] == values[1] || (values[2] != 0 && (values[2] == values[0] || values[2] == values[1])))
        throw UsageError{"--columns: один столбец назначен дважды"};
    Columns columns;
    columns.word = values[0] - 1;
    columns.translation = values[1] - 1;
    columns.transcription = values[2] == 0 ? Columns::kNone : values[2] - 1;
    return columns;
}

std::pair<std::uint32_t, std::uint32_t> parseLanguages(std::string_view text)
{
    const auto parts = split(text);
    if (parts.size() != 2)
        throw UsageError{"--languages ждёт два языка через запятую: изучаемый,перевода"};
    std::uint32_t ids[2] = {};
    for (std::size_t i = 0; i < 2; ++i) {
        const auto id = parseLanguage(parts[i]);
        if (!id)
            throw UsageError{"--languages: язык «" + std::string(parts[i]) +
                             "» не найден в таблице языков (имя вроде «Английский» или код вроде 0x409)"};
        ids[i] = *id;
    }
    return {ids[0], ids[1]};
}

Separator parseSeparator(std::string_view text, std::optional<Separator>& separator)
{
    if (text == "tab")
        return *(separator = Separator::Tab);
    if (text == "comma")
        return *(separator = Separator::Comma);
    if (text == "semicolon")
        return *(separator = Separator::Semicolon);
    if (text == "auto") {
        separator.reset();
        return Separator::Tab;
    }
    throw UsageError{"--separator ждёт tab, comma, semicolon или auto"};
}

int report(const Outcome& outcome, std::ostream& out, std::ostream& err)
{
    for (const std::string& line : outcome.counts)
        err << line << '\n';
    for (const std::string& line : outcome.details)
        err << line << '\n';
    for (const std::string& line : outcome.warnings)
        err << "Внимание: " << line << '\n';
    (outcome.done() ? out : err) << outcome.summary << '\n';
    return outcome.done() ? kDone : kNotWritten;
}

} // namespace

const char* usageText()
{
    return "Использование:\n"
           "  dc                                  открыть окно создания словаря\n"
           "  dc --create ИМЯ [--languages Я1,Я2] [--replace]\n"
           "                                      создать пустой словарь ИМЯ.dct\n"
           "  dc --import ФАЙЛ --name ИМЯ [--columns С,П[,Т]] [--languages Я1,Я2]\n"
           "     [--header] [--separator tab|comma|semicolon|auto] [--refuse-untranscribed]\n"
           "     [--refuse-stressed] [--replace]\n"
           "                                      словарь ИМЯ.dct из текста (UTF-8, UTF-16),\n"
           "                                      файла заметок, пакета колоды (.apkg,\n"
           "                                      .colpkg) или словаря KVTML\n"
           "  dc --export СЛОВАРЬ ФАЙЛ [--languages Я1,Я2] [--format tsv|notes] [--replace]\n"
           "                                      словарь в текст UTF-8 с табуляциями\n"
           "  dc --version                        версия модуля\n"
           "\n"
           "Словари лежат в папке voc программы (sAppPath в настройках).\n"
           "  --columns С,П,Т   номера столбцов (полей заметки) слова, перевода и\n"
           "                    транскрипции (с 1; Т = 0 — без транскрипции). По\n"
           "                    умолчанию 1,2,3 или 1,2,0, если столбцов два.\n"
           "  --languages Я1,Я2 изучаемый язык и язык перевода: имя из таблицы языков\n"
           "                    («Английский», «Русский») или код (1033, 0x409). По\n"
           "                    умолчанию — языки, которые подсказывает файл (имя колоды,\n"
           "                    буквы), иначе языки из настроек (uiForeignLayout,\n"
           "                    uiNativeLayout); при выгрузке — языки словаря (файл .lng\n"
           "                    рядом с ним), иначе кодировки шрифтов из настроек.\n"
           "  --header          первая строка — заголовок, её пропустить\n"
           "  --separator       tab, comma, semicolon (кавычки по RFC 4180 в любом\n"
           "                    случае) или auto (по первым строкам, по умолчанию)\n"
           "  --refuse-untranscribed  отклонять строки, транскрипцию которых нельзя\n"
           "                    записать (без него они записываются без транскрипции)\n"
           "  --refuse-stressed отклонять строки со знаками ударения, которых нет в\n"
           "                    кодировке (без него знаки убираются)\n"
           "  --format          tsv (по умолчанию) или notes: с заголовочными строками\n"
           "                    файла заметок (#separator:tab, #html:false, #columns:...)\n"
           "  --replace         заменить существующий файл (без него он не трогается)\n"
           "Транскрипция в файле — МФА; скобки [ ] или / / вокруг неё снимаются.\n"
           "Коды выхода: 0 — сделано, 1 — ничего не записано, 2 — неверная команда.\n";
}

std::optional<std::uint32_t> parseLanguage(std::string_view text)
{
    std::optional<unsigned> id;
    if (text.starts_with("0x") || text.starts_with("0X"))
        id = number(text.substr(2), 16);
    else
        id = number(text);
    if (id)
        return languageIndexOf(*id) ? std::optional<std::uint32_t>(*id) : std::nullopt;
    const QString wanted = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).trimmed();
    for (const LanguageRow& row : LanguageTable) {
        for (std::string_view name : {row.listText, row.selectionName}) {
            const QString candidate = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
            if (candidate.compare(wanted, Qt::CaseInsensitive) == 0)
                return row.id;
        }
    }
    return std::nullopt;
}

int runCommandLine(const std::vector<std::string>& args, RegistryPort& registry, std::ostream& out, std::ostream& err)
{
    enum class Action { None, Create, Import, Export, Help, Version } action = Action::None;
    ImportJob job;
    ExportJob exportJob;
    bool formatGiven = false;
    std::string create;
    std::optional<std::pair<std::uint32_t, std::uint32_t>> languages;
    try {
        const auto setAction = [&](Action a) {
            if (action != Action::None)
                throw UsageError{"можно указать только одно из --create, --import, --export"};
            action = a;
        };
        for (std::size_t i = 0; i < args.size(); ++i) {
            const std::string& arg = args[i];
            const auto value = [&]() -> const std::string& {
                if (i + 1 >= args.size())
                    throw UsageError{arg + " ждёт значение"};
                return args[++i];
            };
            if (arg == "--help" || arg == "-h") {
                setAction(Action::Help);
            } else if (arg == "--version") {
                setAction(Action::Version);
            } else if (arg == "--create") {
                setAction(Action::Create);
                create = value();
            } else if (arg == "--import") {
                setAction(Action::Import);
                job.file = value();
            } else if (arg == "--export") {
                setAction(Action::Export);
                exportJob.dictionary = value();
                exportJob.file = value();
            } else if (arg == "--format") {
                const std::string& format = value();
                if (format != "tsv" && format != "notes")
                    throw UsageError{"--format ждёт tsv или notes"};
                exportJob.format = format == "notes" ? ExportFormat::Notes : ExportFormat::Tsv;
                formatGiven = true;
            } else if (arg == "--refuse-untranscribed") {
                job.refuseUntranscribed = true;
            } else if (arg == "--refuse-stressed") {
                job.refuseStressed = true;
            } else if (arg == "--name") {
                job.name = value();
            } else if (arg == "--columns") {
                job.columns = parseColumns(value());
            } else if (arg == "--languages") {
                languages = parseLanguages(value());
            } else if (arg == "--header") {
                job.skipHeader = true;
            } else if (arg == "--separator") {
                parseSeparator(value(), job.separator);
            } else if (arg == "--replace") {
                job.replace = true;
            } else {
                throw UsageError{"неизвестный параметр «" + arg + "»"};
            }
        }
        if (action == Action::None)
            throw UsageError{"не указано, что делать (--create, --import или --export)"};
        if (action == Action::Import && job.name.empty())
            throw UsageError{"--import ждёт --name ИМЯ нового словаря"};
        if (action != Action::Import && (!job.name.empty() || job.columns || job.skipHeader || job.separator ||
                                         job.refuseUntranscribed || job.refuseStressed))
            throw UsageError{"--name, --columns, --header, --separator и --refuse-... относятся к --import"};
        if (action != Action::Export && formatGiven)
            throw UsageError{"--format относится к --export"};
        if (action == Action::Version && args.size() != 1)
            throw UsageError{"--version не сочетается с другими параметрами"};
    } catch (const UsageError& error) {
        err << "dc: " << error.text << "\n\n" << usageText();
        return kUsage;
    }
    if (action == Action::Help) {
        out << usageText();
        return kDone;
    }
    if (action == Action::Version) {
        out << "dc (Mox!) " MOX_VERSION "\n";
        return kDone;
    }

    const ModuleSettings settings = ModuleSettings::read(registry);
    if (!settings.found) {
        err << "Настройки Mox! не найдены (нет папки программы sAppPath): запустите Mox! хотя бы раз.\n";
        return kNotWritten;
    }
    switch (action) {
    case Action::Create:
        return report(createEmpty(settings, create, job.replace, languages ? languages->first : settings.foreignLanguage,
                                  languages ? languages->second : settings.nativeLanguage),
                      out, err);
    case Action::Import: {
        job.foreignLanguage = languages ? languages->first : settings.foreignLanguage;
        job.nativeLanguage = languages ? languages->second : settings.nativeLanguage;
        std::string note;
        if (!languages) {
            // The file's own languages (its deck's name, its letters) where it tells them.
            SourceFile source;
            Preview preview;
            std::string ignored;
            if (openSource(job.file, source, ignored, 1 << 16) &&
                previewSource(source, job.separator, job.skipHeader, 200, preview, ignored)) {
                const LanguageSuggestion s = suggestLanguages(preview, job.columns.value_or(defaultColumns(preview)));
                if ((s.foreign && *s.foreign != job.foreignLanguage) || (s.native && *s.native != job.nativeLanguage)) {
                    job.foreignLanguage = s.foreign.value_or(job.foreignLanguage);
                    job.nativeLanguage = s.native.value_or(job.nativeLanguage);
                    note = "Языки взяты по файлу: " + languageName(job.foreignLanguage) + ", " +
                           languageName(job.nativeLanguage) + " (другие — через --languages).";
                }
            }
        }
        Outcome outcome = importFile(settings, job);
        if (!note.empty())
            outcome.warnings.insert(outcome.warnings.begin(), note);
        return report(outcome, out, err);
    }
    case Action::Export:
        exportJob.replace = job.replace;
        if (languages) {
            exportJob.foreignLanguage = languages->first;
            exportJob.nativeLanguage = languages->second;
        }
        return report(exportDictionary(settings, exportJob), out, err);
    default:
        return kUsage;
    }
}

} // namespace mox::dc
