#include "KvtmlFile.h"

#include <map>

#include <QFile>
#include <QXmlStreamReader>

namespace mox::dc {

namespace {

std::string inQuotes(std::string_view text) { return "«" + std::string(text) + "»"; }

std::string utf8(const QString& s) { return s.trimmed().toStdString(); }

} // namespace

bool looksLikeKvtml(std::string_view head)
{
    const std::size_t start = head.find_first_not_of(" \t\r\n\xEF\xBB\xBF");
    return start != std::string_view::npos && head.substr(start).starts_with("<") &&
           head.substr(0, 4096).find("<kvtml") != std::string_view::npos;
}

bool readKvtml(const std::string& path, KvtmlInfo& info, const EntrySink& sink, std::string& error)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        error = "Не удалось открыть файл " + inQuotes(path) + ": " + utf8(file.errorString()) + ".";
        return false;
    }
    QXmlStreamReader xml(&file);
    if (!xml.readNextStartElement() || xml.name() != QLatin1String("kvtml")) {
        error = "Файл " + inQuotes(path) + " — не словарь KVTML.";
        return false;
    }
    if (!xml.attributes().value(QLatin1String("version")).startsWith(QLatin1String("2"))) {
        error = "Файл " + inQuotes(path) + " — KVTML версии " +
                utf8(xml.attributes().value(QLatin1String("version")).toString()) + "; читается только версия 2.0.";
        return false;
    }
    std::map<int, std::size_t> slot;   // identifier id -> position
    std::vector<std::string> texts, sounds;
    std::vector<std::string_view> fields;
    bool stopped = false;
    while (!stopped && xml.readNextStartElement()) {
        const auto name = xml.name();
        if (name == QLatin1String("information")) {
            while (xml.readNextStartElement()) {
                if (xml.name() == QLatin1String("title"))
                    info.title = utf8(xml.readElementText());
                else
                    xml.skipCurrentElement();
            }
        } else if (name == QLatin1String("identifiers")) {
            while (xml.readNextStartElement()) {
                if (xml.name() != QLatin1String("identifier")) {
                    xml.skipCurrentElement();
                    continue;
                }
                const int id = xml.attributes().value(QLatin1String("id")).toInt();
                slot[id] = info.names.size();
                info.names.emplace_back();
                info.locales.emplace_back();
                while (xml.readNextStartElement()) {
                    if (xml.name() == QLatin1String("name"))
                        info.names.back() = utf8(xml.readElementText());
                    else if (xml.name() == QLatin1String("locale"))
                        info.locales.back() = utf8(xml.readElementText());
                    else
                        xml.skipCurrentElement();
                }
            }
        } else if (name == QLatin1String("entries")) {
            while (!stopped && xml.readNextStartElement()) {
                if (xml.name() != QLatin1String("entry")) {
                    xml.skipCurrentElement();
                    continue;
                }
                const std::size_t line = static_cast<std::size_t>(xml.lineNumber());
                texts.assign(info.names.size(), std::string());
                sounds.assign(info.names.size(), std::string());
                while (xml.readNextStartElement()) {
                    if (xml.name() != QLatin1String("translation")) {
                        xml.skipCurrentElement();
                        continue;
                    }
                    const auto at = slot.find(xml.attributes().value(QLatin1String("id")).toInt());
                    while (xml.readNextStartElement()) {
                        if (at != slot.end() && xml.name() == QLatin1String("text"))
                            texts[at->second] = utf8(xml.readElementText(QXmlStreamReader::IncludeChildElements));
                        else if (at != slot.end() && xml.name() == QLatin1String("pronunciation"))
                            sounds[at->second] = utf8(xml.readElementText(QXmlStreamReader::IncludeChildElements));
                        else
                            xml.skipCurrentElement();
                    }
                }
                fields.clear();
                for (const std::string& t : texts)
                    fields.emplace_back(t);
                for (const std::string& s : sounds)
                    fields.emplace_back(s);
                stopped = !sink(line, fields);
            }
        } else {
            xml.skipCurrentElement();
        }
    }
    if (!stopped && xml.hasError()) {
        error = "Файл " + inQuotes(path) + " повреждён (строка " + std::to_string(xml.lineNumber()) +
                "): " + utf8(xml.errorString()) + ".";
        return false;
    }
    return true;
}

} // namespace mox::dc
