#include "SourceFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/stat.h>

#include "HtmlText.h"
#include "LanguageGuess.h"
#include "language/Utf8.h"
#include "store/DictionaryFile.h"

namespace mox::dc {

namespace {

constexpr std::size_t kSniffBytes = 1 << 16;
constexpr std::size_t kPreviewFieldBytes = 200;
constexpr std::size_t kSuggestionRows = 200;

std::string quoted(std::string_view text) { return "«" + std::string(text) + "»"; }

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

// A text whose fields are written in HTML, as older notes exports without
// header lines are: line breaks, blocks, bold or the references of spaces
// and ampersands among its first lines.
bool looksLikeHtml(std::string_view sample)
{
    for (std::string_view mark : {"<br>", "<br/>", "<br />", "<div>", "</div>", "</b>", "</i>", "&nbsp;", "&amp;"})
        if (sample.find(mark) != std::string_view::npos)
            return true;
    return false;
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

} // namespace

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
    const DictionaryFile file(path);
    const FileStatus status = file.status();
    if (!status.exists) {
        error = "Не удалось открыть файл " + quoted(path) + ": " + std::strerror(ENOENT) + ".";
        return false;
    }
    if (!status.regular) {
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
    else
        source.notes.html = looksLikeHtml(std::string_view(source.text).substr(0, kSniffBytes));
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
        std::string plain;
        for (std::string_view f : fields) {
            // What the import will store: HTML made plain text.
            if (preview.html) {
                htmlToPlain(f, plain);
                f = plain;
            }
            row.push_back(cut(f));
        }
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

} // namespace mox::dc
