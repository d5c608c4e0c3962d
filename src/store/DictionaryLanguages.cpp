#include "store/DictionaryLanguages.h"

#include <cerrno>
#include <charconv>
#include <fstream>
#include <iterator>

#include "store/FileNames.h"
#include "store/FileIo.h"

namespace mox {

namespace {

constexpr std::string_view kDictionaryExtension = ".dct";
constexpr std::string_view kLanguagesExtension = ".lng";
constexpr std::string_view kForeignKey = "uiForeignLayout";
constexpr std::string_view kNativeKey = "uiNativeLayout";
// A languages file is a few lines; anything larger is no languages file.
constexpr std::streamsize kMostBytes = 4096;

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

std::optional<std::uint32_t> number(std::string_view text)
{
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty() || value > 0xFFFF)
        return std::nullopt;
    return value;
}

} // namespace

std::string languagesFileFor(std::string_view dictionary)
{
    if (dictionary.size() <= kDictionaryExtension.size() || !dictionary.ends_with(kDictionaryExtension))
        return {};
    std::string name(dictionary.substr(0, dictionary.size() - kDictionaryExtension.size()));
    if (name.ends_with('/'))
        return {};
    return name + std::string(kLanguagesExtension);
}

DictionaryLanguages parseLanguagesText(std::string_view text)
{
    DictionaryLanguages languages;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        const std::string_view key = trimmed(line.substr(0, equals));
        const auto value = number(trimmed(line.substr(equals + 1)));
        if (key == kForeignKey)
            languages.foreign = value;
        else if (key == kNativeKey)
            languages.native = value;
    }
    return languages;
}

DictionaryLanguages readDictionaryLanguages(const std::string& dictionaryPath)
{
    const std::string path = languagesFileFor(dictionaryPath);
    if (path.empty() || !isFileOrNothing(path))
        return {};
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    std::string text(static_cast<std::size_t>(kMostBytes) + 1, '\0');
    in.read(text.data(), kMostBytes + 1);
    if (in.bad() || in.gcount() > kMostBytes)
        return {};
    text.resize(static_cast<std::size_t>(in.gcount()));
    return parseLanguagesText(text);
}

std::string languagesText(const DictionaryLanguages& languages)
{
    std::string text;
    if (languages.foreign)
        text += std::string(kForeignKey) + "=" + std::to_string(*languages.foreign) + "\n";
    if (languages.native)
        text += std::string(kNativeKey) + "=" + std::to_string(*languages.native) + "\n";
    return text;
}

bool writeDictionaryLanguages(const std::string& dictionaryPath, const DictionaryLanguages& languages)
{
    const std::string path = languagesFileFor(dictionaryPath);
    if (path.empty()) {
        errno = EINVAL;
        return false;
    }
    const std::string text = languagesText(languages);
    return replaceFileContent(path, text.data(), text.size(), true);
}

} // namespace mox
