#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include <QFont>
#include <QWidget>

#include "language/FontChooser.h"
#include "options/OptionsPage.h"

class QComboBox;
class QPushButton;

namespace mox {

class Settings;

// The Languages/Fonts page of the options sheet: the studied and the
// translation language (their keyboard layouts), the fonts of the studied
// language, the translation and the transcription, and the installation of a
// TrueType font file. The page works on a copy of its values, taken from
// Settings when it is built and written back by apply().
//
// Child object names: "foreignLanguage" and "nativeLanguage" (the language
// lists), "foreignFont", "nativeFont", "transFont" (the font buttons),
// "installFont" ("Установить").
class CPgFont : public OptionsPage {
    Q_OBJECT
public:
    static constexpr const char* kTabCaption = "Языки/Шрифты";
    static constexpr const char* kHelpTopic = "::/html_files/optfont.html>main";
    // The file dialog's filter, in Qt's form ("name (patterns)").
    static constexpr const char* kFontFileFilter = "Файл шрифта TrueType (*.ttf)";
    // Size limits of the font dialogs, in points.
    static constexpr int kWordFontPoints = 10;
    static constexpr int kTransMinPoints = 12;
    static constexpr int kTransMaxPoints = 18;

    explicit CPgFont(Settings& settings, QWidget* parent = nullptr);

    QString tabCaption() const override { return QString::fromUtf8(kTabCaption); }
    QString helpTopic() const override { return QString::fromUtf8(kHelpTopic); }
    // The sheet's confirmation: apply(), and the page is unmodified again.
    bool confirm() override;

    // Writes what the user changed in the page's copy back to Settings, font
    // heights always negative or 0; a value the user left alone stays as
    // Settings holds it.
    void apply();

    // The font dialog and the file dialog; replaceable so that tests can
    // answer them. The defaults are chooseFont() and a modal file dialog.
    using FontPicker = std::function<std::optional<FontChoice>(const FontRequest&)>;
    using FilePicker = std::function<QString()>;
    void setFontPicker(FontPicker picker) { fontPicker_ = std::move(picker); }
    void setFilePicker(FilePicker picker) { filePicker_ = std::move(picker); }

    // The page's copy (for the sheet and for tests).
    std::uint32_t foreignLayout() const { return foreignLayout_; }
    std::uint32_t nativeLayout() const { return nativeLayout_; }
    std::int16_t wordFontSize() const { return wordFontSize_; }
    std::int16_t transFontSize() const { return transFontSize_; }
    const std::string& foreignFace() const { return foreignFace_; }
    const std::string& nativeFace() const { return nativeFace_; }
    const std::string& transFace() const { return transFace_; }
    std::uint8_t foreignCharSet() const { return foreignCharSet_; }
    std::uint8_t nativeCharSet() const { return nativeCharSet_; }
    std::uint8_t transCharSet() const { return transCharSet_; }

signals:
    // The user changed a value of the page (a language or a font); the page
    // is then modified.
    void changed();
    // A font file was installed for the user and added as `fontId`.
    void fontInstalled(int fontId);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    enum class Which { Foreign, Native, Trans };

    // The values of the page as stored in Settings.
    struct Values {
        std::string foreignFace, nativeFace, transFace;
        std::uint8_t foreignCharSet, nativeCharSet, transCharSet;
        std::uint32_t foreignLayout, nativeLayout, transLayout;
        std::int16_t wordFontSize, transFontSize;
    };
    static Values valuesOf(const Settings& settings);
    // The page's copy as confirmation stores it.
    Values current() const;

    void showValues();
    void selectLanguage(QComboBox* list, std::uint32_t id);
    void languageChosen(std::uint32_t& layout, int index);
    void chooseFontFor(Which which);
    void installFontFile();
    void setPreview(QPushButton* button, QFont& preview, int height, std::uint8_t charSet,
                    const std::string& previewFace, const std::string& caption);
    QString pickFontFile();

    Settings& settings_;
    // What Settings held when the page was built, or as apply() stored it.
    Values stored_;

    std::string foreignFace_, nativeFace_, transFace_;
    std::uint8_t foreignCharSet_ = 0, nativeCharSet_ = 0, transCharSet_ = 0;
    std::uint32_t foreignLayout_ = 0, nativeLayout_ = 0, transLayout_ = 0;
    std::int16_t wordFontSize_ = 0, transFontSize_ = 0;

    QFont preview1_, preview2_, preview3_;

    QComboBox* foreignList_;
    QComboBox* nativeList_;
    QPushButton* foreignFont_;
    QPushButton* nativeFont_;
    QPushButton* transFont_;
    QPushButton* install_;

    FontPicker fontPicker_;
    FilePicker filePicker_;
};

} // namespace mox
