#include "DeckPackage.h"

#include <cstring>
#include <map>
#include <memory>

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonArray>

#include <sqlite3.h>
#include <zip.h>
#include <zstd.h>

namespace mox::dc {

namespace {

constexpr std::size_t kChunk = 1 << 16;
constexpr const char* kCollections[] = {"collection.anki21b", "collection.anki21", "collection.anki2"};

std::string inQuotes(std::string_view text) { return "«" + std::string(text) + "»"; }

struct ZipCloser {
    void operator()(zip_t* z) const { zip_discard(z); }
};
struct ZipFileCloser {
    void operator()(zip_file_t* f) const { zip_fclose(f); }
};
struct DbCloser {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};
struct StatementCloser {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementCloser>;

// The collection's bytes in memory that SQLite takes as they are.
struct Bytes {
    unsigned char* data = nullptr;
    std::size_t size = 0;
    std::size_t capacity = 0;
    ~Bytes() { sqlite3_free(data); }
    bool reserve(std::size_t wanted)
    {
        if (wanted <= capacity)
            return true;
        auto* grown = static_cast<unsigned char*>(sqlite3_realloc64(data, wanted));
        if (!grown)
            return false;
        data = grown;
        capacity = wanted;
        return true;
    }
};

bool unpack(zip_t* archive, zip_int64_t index, bool compressed, Bytes& bytes, std::string& error)
{
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(archive, index, 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE)) {
        error = "не удалось прочитать оглавление архива";
        return false;
    }
    std::unique_ptr<zip_file_t, ZipFileCloser> file(zip_fopen_index(archive, static_cast<zip_uint64_t>(index), 0));
    if (!file) {
        error = zip_strerror(archive);
        return false;
    }
    std::vector<char> chunk(kChunk);
    if (!compressed) {
        if (!bytes.reserve(static_cast<std::size_t>(stat.size) + 1)) {
            error = "не хватает памяти";
            return false;
        }
        for (;;) {
            const zip_int64_t got = zip_fread(file.get(), bytes.data + bytes.size, bytes.capacity - bytes.size);
            if (got < 0) {
                error = zip_file_strerror(file.get());
                return false;
            }
            if (got == 0)
                break;
            bytes.size += static_cast<std::size_t>(got);
            if (bytes.size == bytes.capacity && !bytes.reserve(bytes.capacity * 2)) {
                error = "не хватает памяти";
                return false;
            }
        }
        return true;
    }
    std::unique_ptr<ZSTD_DCtx, decltype(&ZSTD_freeDCtx)> stream(ZSTD_createDCtx(), ZSTD_freeDCtx);
    bool sized = false;
    std::size_t last = 1;
    for (;;) {
        const zip_int64_t got = zip_fread(file.get(), chunk.data(), chunk.size());
        if (got < 0) {
            error = zip_file_strerror(file.get());
            return false;
        }
        if (got == 0)
            break;
        if (!sized) {
            sized = true;
            const unsigned long long content = ZSTD_getFrameContentSize(chunk.data(), static_cast<std::size_t>(got));
            const std::size_t guess = content != ZSTD_CONTENTSIZE_UNKNOWN && content != ZSTD_CONTENTSIZE_ERROR
                                          ? static_cast<std::size_t>(content) + 1
                                          : static_cast<std::size_t>(stat.size) * 4 + kChunk;
            if (!bytes.reserve(guess)) {
                error = "не хватает памяти";
                return false;
            }
        }
        ZSTD_inBuffer in{chunk.data(), static_cast<std::size_t>(got), 0};
        while (in.pos < in.size) {
            if (bytes.size == bytes.capacity && !bytes.reserve(bytes.capacity * 2)) {
                error = "не хватает памяти";
                return false;
            }
            ZSTD_outBuffer out{bytes.data + bytes.size, bytes.capacity - bytes.size, 0};
            last = ZSTD_decompressStream(stream.get(), &out, &in);
            if (ZSTD_isError(last)) {
                error = std::string("сжатие zstd повреждено: ") + ZSTD_getErrorName(last);
                return false;
            }
            bytes.size += out.pos;
        }
    }
    if (last != 0) {
        error = "сжатый файл коллекции оборван";
        return false;
    }
    return true;
}

std::string text(sqlite3_stmt* statement, int column)
{
    const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return t ? std::string(t, static_cast<std::size_t>(sqlite3_column_bytes(statement, column))) : std::string();
}

Statement prepare(sqlite3* db, const char* sql)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK)
        return Statement();
    return Statement(statement);
}

bool hasTable(sqlite3* db, const char* name)
{
    Statement s = prepare(db, "SELECT 1 FROM sqlite_master WHERE type='table' AND name=?");
    if (!s)
        return false;
    sqlite3_bind_text(s.get(), 1, name, -1, SQLITE_STATIC);
    return sqlite3_step(s.get()) == SQLITE_ROW;
}

// The deck with most cards and the fields of the commonest note type, from
// the tables of newer collections or the JSON of older ones.
void describe(sqlite3* db, DeckInfo& info)
{
    long long deck = 0, notetype = 0;
    if (Statement s = prepare(db, "SELECT did FROM cards GROUP BY did ORDER BY count(*) DESC LIMIT 1");
        s && sqlite3_step(s.get()) == SQLITE_ROW)
        deck = sqlite3_column_int64(s.get(), 0);
    if (Statement s = prepare(db, "SELECT mid FROM notes GROUP BY mid ORDER BY count(*) DESC LIMIT 1");
        s && sqlite3_step(s.get()) == SQLITE_ROW)
        notetype = sqlite3_column_int64(s.get(), 0);
    if (Statement s = prepare(db, "SELECT count(*) FROM notes"); s && sqlite3_step(s.get()) == SQLITE_ROW)
        info.notes = static_cast<std::size_t>(sqlite3_column_int64(s.get(), 0));

    if (hasTable(db, "decks") && hasTable(db, "fields")) {
        if (Statement s = prepare(db, "SELECT name FROM decks WHERE id=?")) {
            sqlite3_bind_int64(s.get(), 1, deck);
            if (sqlite3_step(s.get()) == SQLITE_ROW)
                info.deckName = text(s.get(), 0);
        }
        if (Statement s = prepare(db, "SELECT name FROM fields WHERE ntid=? ORDER BY ord")) {
            sqlite3_bind_int64(s.get(), 1, notetype);
            while (sqlite3_step(s.get()) == SQLITE_ROW)
                info.fieldNames.push_back(text(s.get(), 0));
        }
        // Levels of a deck's name are separated by 0x1F in these tables.
        for (std::size_t at; (at = info.deckName.find('\x1F')) != std::string::npos;)
            info.deckName.replace(at, 1, "::");
        return;
    }
    Statement s = prepare(db, "SELECT decks, models FROM col LIMIT 1");
    if (!s || sqlite3_step(s.get()) != SQLITE_ROW)
        return;
    const QJsonObject decks = QJsonDocument::fromJson(QByteArray::fromStdString(text(s.get(), 0))).object();
    const QJsonObject models = QJsonDocument::fromJson(QByteArray::fromStdString(text(s.get(), 1))).object();
    info.deckName = decks.value(QString::number(deck)).toObject().value(QStringLiteral("name")).toString().toStdString();
    const QJsonArray fields =
        models.value(QString::number(notetype)).toObject().value(QStringLiteral("flds")).toArray();
    for (const QJsonValue& field : fields)
        info.fieldNames.push_back(field.toObject().value(QStringLiteral("name")).toString().toStdString());
}

} // namespace

bool looksLikeZip(std::string_view head) { return head.starts_with(std::string_view("PK\x03\x04", 4)); }

bool readDeckPackage(const std::string& path, DeckInfo& info, const NoteSink& sink, std::string& error)
{
    int code = 0;
    std::unique_ptr<zip_t, ZipCloser> archive(zip_open(path.c_str(), ZIP_RDONLY, &code));
    if (!archive) {
        zip_error_t reason;
        zip_error_init_with_code(&reason, code);
        error = "Файл " + inQuotes(path) + " — не архив колоды: " + zip_error_strerror(&reason) + ".";
        zip_error_fini(&reason);
        return false;
    }
    zip_int64_t index = -1;
    for (const char* name : kCollections) {
        index = zip_name_locate(archive.get(), name, 0);
        if (index >= 0) {
            info.collection = name;
            break;
        }
    }
    if (index < 0) {
        error = "В архиве " + inQuotes(path) +
                " нет коллекции карточек (collection.anki21b, collection.anki21 или collection.anki2): "
                "это не пакет колоды, словарь из него не сделать.";
        return false;
    }
    Bytes bytes;
    std::string why;
    if (!unpack(archive.get(), index, info.collection.ends_with('b'), bytes, why)) {
        error = "Не удалось распаковать " + info.collection + " из " + inQuotes(path) + ": " + why + ".";
        return false;
    }
    archive.reset();

    sqlite3* raw = nullptr;
    if (sqlite3_open_v2(":memory:", &raw, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close(raw);
        error = "SQLite не открылся.";
        return false;
    }
    std::unique_ptr<sqlite3, DbCloser> db(raw);
    // SQLite reads the buffer where it is; it stays ours to free.
    if (sqlite3_deserialize(db.get(), "main", bytes.data, static_cast<sqlite3_int64>(bytes.size),
                            static_cast<sqlite3_int64>(bytes.capacity), SQLITE_DESERIALIZE_READONLY) != SQLITE_OK ||
        !hasTable(db.get(), "notes")) {
        error = "Коллекция " + info.collection + " в " + inQuotes(path) + " — не база SQLite с заметками.";
        return false;
    }
    describe(db.get(), info);
    Statement notes = prepare(db.get(), "SELECT flds FROM notes ORDER BY id");
    if (!notes) {
        error = "Коллекция " + info.collection + " в " + inQuotes(path) + " не читается: " + sqlite3_errmsg(db.get()) + ".";
        return false;
    }
    std::vector<std::string_view> fields;
    std::size_t number = 0;
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(notes.get())) == SQLITE_ROW) {
        const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(notes.get(), 0));
        const std::string_view all(data ? data : "", static_cast<std::size_t>(sqlite3_column_bytes(notes.get(), 0)));
        fields.clear();
        for (std::size_t from = 0;;) {
            const std::size_t separator = all.find('\x1F', from);
            fields.push_back(all.substr(from, separator == std::string_view::npos ? all.npos : separator - from));
            if (separator == std::string_view::npos)
                break;
            from = separator + 1;
        }
        if (!sink(++number, fields))
            return true;
    }
    if (step != SQLITE_DONE) {
        error = "Коллекция " + info.collection + " в " + inQuotes(path) + " повреждена: " + sqlite3_errmsg(db.get()) + ".";
        return false;
    }
    return true;
}

} // namespace mox::dc
