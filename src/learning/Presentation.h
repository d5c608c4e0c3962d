#pragma once
#include <string>
#include <vector>

namespace mox {

// Which of the two word fonts a text is drawn in: the font of the studied
// language (sForeignFontFace, iForeignCharSet) or of the translation
// (sNativeFontFace, iNativeCharSet).
enum class FontRole { studiedLanguage, translationLanguage };

// What the transcription line does with a presentation.
struct TranscriptionUpdate {
    enum class Kind {
        keep,  // leave the line as it is
        clear, // empty it
        show   // show `text` in the transcription font
    };
    Kind kind = Kind::keep;
    std::string text; // bracketed transcription bytes when kind == show
};

// One learning turn as the window renders it. Texts are the records' bytes
// (cp1251 for the word fonts, transcription-font codes for the transcription);
// the window converts them by the character set of the font they are shown in.
struct Presentation {
    // Only `ready` carries texts; for the other two states the window clears
    // what the state names and leaves the rest (the statistics line
    // included) as it was.
    enum class State {
        noDictionary, // the dictionary file does not exist: empty the variants and the prompt
        emptyList,    // the working list holds no word: empty the answer control, the prompt and
                      // the transcription line, disable "--"
        ready         // a word is asked
    };

    State state = State::noDictionary;
    std::string prompt;                                // the word shown; empty unless ready
    FontRole promptFont = FontRole::translationLanguage;
    std::vector<std::string> variants;                 // choice mode: the rows, first selected; empty in typing mode
    FontRole variantFont = FontRole::translationLanguage;
    FontRole typingFont = FontRole::studiedLanguage;   // typing mode: the font of the typing field
    TranscriptionUpdate transcription;
    std::string statistics;                            // the statistics line, or empty
    bool canExclude = false;                           // whether "--" is available
};

} // namespace mox
