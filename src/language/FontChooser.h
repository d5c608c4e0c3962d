#pragma once
#include <cstdint>
#include <optional>

#include <QDialog>
#include <QString>
#include <QStringList>

class QComboBox;
class QLabel;

namespace mox {

// What the font dialog starts from and what it allows: the sizes from
// minPoints to maxPoints, and the size the font has now (initialPoints) even
// outside them, so that confirming the dialog can keep it.
struct FontRequest {
    QString face;
    std::uint8_t charSet = 0;
    int initialPoints = 10;
    int minPoints = 10;
    int maxPoints = 10;
    bool trueTypeOnly = false;  // TrueType and OpenType fonts only
};

// What the user confirmed: a face, a character set and a size in tenths of a
// point (the unit the callers divide by ten).
struct FontChoice {
    QString face;
    std::uint8_t charSet = 0;
    int pointSizeTenths = 0;
};

// The font dialog ("Mox! <> Шрифт"): a face, a character set and a size from
// the request's list, with a sample written in the chosen set's script; no
// effects (colour, underline, strike-out).
// Child object names: "face", "charSet", "size" (a list of sizes, each item's
// data its points), "sample", "buttons".
class FontChooser : public QDialog {
    Q_OBJECT
public:
    explicit FontChooser(const FontRequest& request, QWidget* parent = nullptr);

    FontChoice choice() const;

private:
    void updateSample();

    QComboBox* face_;
    QComboBox* charSet_;
    QComboBox* size_;
    QLabel* sample_;
};

// The families the dialog offers: every family, or only those with a
// TrueType or OpenType file (not Type 1, not bitmap fonts), in the order of
// the font database.
QStringList fontFamilies(bool trueTypeOnly);

// The sizes the dialog offers for a request, smallest first.
QList<int> offeredSizes(const FontRequest& request);

// The sample text of a character set: a few letters of its script (and
// Latin ones), all of them letters its code page holds; for the symbol set
// (the transcription font) a transcription typed on its keys.
QString sampleText(std::uint8_t charSet);

// Runs the dialog modally; the choice when confirmed, nothing when cancelled.
std::optional<FontChoice> chooseFont(const FontRequest& request, QWidget* parent);

// The character sets the dialog offers, with their names.
struct CharSetName {
    std::uint8_t code;
    const char* name;  // UTF-8
};
extern const CharSetName kCharSetNames[];
extern const int kCharSetNameCount;

} // namespace mox
