#include "LanguageGuess.h"

#include <algorithm>
#include <array>
#include <map>
#include <string>
#include <vector>

#include "language/Utf8.h"

namespace mox::dc {

namespace {

constexpr std::uint32_t kEnglish = 0x0409, kBulgarian = 0x0402, kHungarian = 0x040E, kDutch = 0x0413,
                        kGreek = 0x0408, kDanish = 0x0406, kIcelandic = 0x040F, kSpanish = 0x040A,
                        kItalian = 0x0410, kLatvian = 0x0426, kLithuanian = 0x0427, kGerman = 0x0407,
                        kNorwegian = 0x0414, kPolish = 0x0415, kPortuguese = 0x0816, kRomanian = 0x0418,
                        kRussian = 0x0419, kSerbian = 0x0C1A, kSlovak = 0x041B, kTurkish = 0x041F,
                        kUkrainian = 0x0422, kFinnish = 0x040B, kFrench = 0x040C, kCroatian = 0x041A,
                        kCzech = 0x0405, kSwedish = 0x041D, kEstonian = 0x0425;

// Letters that point to one language of the table (lower case; upper case is
// folded before the look-up).
struct Marker {
    char32_t letter;
    std::uint32_t language;
};
constexpr std::array<Marker, 44> kMarkers = {{
    {U'ą', kPolish}, {U'ę', kPolish}, {U'ł', kPolish}, {U'ż', kPolish}, {U'ź', kPolish}, {U'ś', kPolish},
    {U'ń', kPolish}, {U'ć', kPolish},
    {U'ß', kGerman},
    {U'ő', kHungarian}, {U'ű', kHungarian},
    {U'ř', kCzech}, {U'ů', kCzech}, {U'ě', kCzech},
    {U'ľ', kSlovak}, {U'ĺ', kSlovak}, {U'ŕ', kSlovak},
    {U'ğ', kTurkish}, {U'ı', kTurkish}, {U'ş', kTurkish},
    {U'ă', kRomanian}, {U'ț', kRomanian}, {U'ș', kRomanian},
    {U'ā', kLatvian}, {U'ē', kLatvian}, {U'ī', kLatvian}, {U'ģ', kLatvian}, {U'ķ', kLatvian}, {U'ļ', kLatvian},
    {U'ņ', kLatvian},
    {U'ė', kLithuanian}, {U'į', kLithuanian}, {U'ų', kLithuanian},
    {U'õ', kEstonian},
    {U'đ', kCroatian},
    {U'ñ', kSpanish}, {U'¿', kSpanish}, {U'¡', kSpanish},
    {U'œ', kFrench}, {U'è', kFrench}, {U'ê', kFrench},
    {U'þ', kIcelandic}, {U'ð', kIcelandic},
    {U'ã', kPortuguese},
}};

// Letters shared by a few languages: they count for the first, less.
constexpr std::array<Marker, 9> kWeakMarkers = {{
    {U'ä', kGerman}, {U'ö', kGerman}, {U'ü', kGerman}, {U'é', kFrench}, {U'ç', kFrench}, {U'à', kFrench},
    {U'å', kSwedish}, {U'ø', kDanish}, {U'æ', kDanish},
}};

char32_t lowerLetter(char32_t c)
{
    if ((c >= U'A' && c <= U'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return c + 0x20;
    // Latin Extended-A pairs capital and small letter: even/odd, but odd/even
    // from Ĺ to ň and from Ź to ž (Ł ł, Ń ń, Ż ż).
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
        return c % 2 == 1 ? c + 1 : c;
    if (c >= 0x100 && c <= 0x177 && c % 2 == 0 && c != 0x130 && c != 0x138)
        return c + 1;
    if (c >= 0x391 && c <= 0x3A9)
        return c + 0x20;
    if (c >= 0x410 && c <= 0x42F)
        return c + 0x20;
    return c;
}

} // namespace

std::optional<std::uint32_t> languageByLetters(std::string_view sample)
{
    std::map<std::uint32_t, std::size_t> score;
    std::size_t greek = 0, cyrillic = 0, ukrainian = 0, serbian = 0, latin = 0;
    for (std::size_t at = 0; at < sample.size();) {
        const char32_t c = lowerLetter(utf8::next(sample, at));
        if ((c >= 0x370 && c <= 0x3FF) || (c >= 0x1F00 && c <= 0x1FFF)) {
            ++greek;
            continue;
        }
        if (c >= 0x400 && c <= 0x4FF) {
            ++cyrillic;
            if (c == U'ї' || c == U'є' || c == U'ґ' || c == U'і' || c == U'Ї' || c == U'Є' || c == U'Ґ' || c == U'І')
                ++ukrainian;
            if (c == U'ђ' || c == U'ћ' || c == U'џ' || c == U'љ' || c == U'њ' || c == U'ј')
                ++serbian;
            continue;
        }
        if ((c >= U'a' && c <= U'z'))
            ++latin;
        for (const Marker& m : kMarkers)
            if (m.letter == c)
                score[m.language] += 4;
        for (const Marker& m : kWeakMarkers)
            if (m.letter == c)
                score[m.language] += 1;
    }
    if (greek > latin && greek >= cyrillic)
        return kGreek;
    if (cyrillic > latin) {
        if (ukrainian * 50 >= cyrillic && ukrainian > 0)
            return kUkrainian;
        if (serbian * 50 >= cyrillic && serbian > 0)
            return kSerbian;
        return kRussian;
    }
    std::uint32_t best = 0;
    std::size_t bestScore = 0;
    for (const auto& [language, points] : score) {
        if (points > bestScore) {
            best = language;
            bestScore = points;
        }
    }
    // A letter or two among thousands tells nothing.
    if (bestScore == 0 || bestScore * 400 < latin)
        return std::nullopt;
    return best;
}

std::optional<std::uint32_t> languageByName(std::string_view name)
{
    std::string text;
    for (std::size_t at = 0; at < name.size();) {
        const char32_t c = lowerLetter(utf8::next(name, at));
        utf8::append(text, c);
    }
    // Whole words or locale codes of the names, in English, the language
    // itself and Russian.
    static const std::vector<std::pair<std::vector<std::string_view>, std::uint32_t>> kNames = {
        {{"english", "английский", "англ", "en"}, kEnglish},
        {{"bulgarian", "български", "болгарский", "bg"}, kBulgarian},
        {{"hungarian", "magyar", "венгерский", "hu"}, kHungarian},
        {{"dutch", "nederlands", "голландский", "нидерландский", "nl"}, kDutch},
        {{"greek", "ελληνικά", "греческий", "el"}, kGreek},
        {{"danish", "dansk", "датский", "da"}, kDanish},
        {{"icelandic", "íslenska", "исландский", "is"}, kIcelandic},
        {{"spanish", "español", "испанский", "es"}, kSpanish},
        {{"italian", "italiano", "итальянский", "it"}, kItalian},
        {{"latvian", "latviešu", "латышский", "lv"}, kLatvian},
        {{"lithuanian", "lietuvių", "литовский", "lt"}, kLithuanian},
        {{"german", "deutsch", "немецкий", "de"}, kGerman},
        {{"norwegian", "norsk", "норвежский", "nb", "no"}, kNorwegian},
        {{"polish", "polski", "польский", "pl"}, kPolish},
        {{"portuguese", "português", "португальский", "pt"}, kPortuguese},
        {{"romanian", "română", "румынский", "ro"}, kRomanian},
        {{"russian", "русский", "ru"}, kRussian},
        {{"serbian", "српски", "сербский", "sr"}, kSerbian},
        {{"slovak", "slovenčina", "словацкий", "sk"}, kSlovak},
        {{"turkish", "türkçe", "турецкий", "tr"}, kTurkish},
        {{"ukrainian", "українська", "украинский", "uk"}, kUkrainian},
        {{"finnish", "suomi", "финский", "fi"}, kFinnish},
        {{"french", "français", "francais", "французский", "fr"}, kFrench},
        {{"croatian", "hrvatski", "хорватский", "hr"}, kCroatian},
        {{"czech", "čeština", "чешский", "cs"}, kCzech},
        {{"swedish", "svenska", "шведский", "sv"}, kSwedish},
        {{"estonian", "eesti", "эстонский", "et"}, kEstonian},
    };
    // Words of the name: runs of letters.
    std::vector<std::string> words;
    std::string word;
    for (std::size_t at = 0; at <= text.size();) {
        const std::size_t start = at;
        const char32_t c = at < text.size() ? utf8::next(text, at) : 0;
        if (at == start)
            ++at;
        const bool letter = c >= 0x80 ? c != 0xA0 : ((c >= 'a' && c <= 'z'));
        if (letter) {
            word.append(text, start, at - start);
        } else if (!word.empty()) {
            words.push_back(word);
            word.clear();
        }
    }
    // Two-letter codes count only in a name that is a locale ("de", "pl-PL",
    // "el_GR"), never as a word of a phrase ("is", "it").
    const bool locale = !words.empty() && words.size() <= 3 && words[0].size() == 2 &&
                        std::all_of(words.begin(), words.end(), [](const std::string& w) { return w.size() <= 4; });
    for (std::size_t i = 0; i < words.size(); ++i)
        for (const auto& [names, language] : kNames)
            for (std::string_view n : names)
                if (words[i] == n && (n.size() > 2 || (locale && i == 0)))
                    return language;
    return std::nullopt;
}

} // namespace mox::dc
