#pragma once
#include <cstdint>

#include "options/OptionsPage.h"

class QCheckBox;
class QRadioButton;

namespace mox {

class Settings;
class SpinEdit;

// The Method page ("Методика"): the size of the working list, when the
// learning window hides itself and when a word leaves the list, the main
// mode and its translation direction, and the transcription and case options.
//
// The numbers keep their relations: the answers of any kind before hiding
// never reach past the list size, and the correct answers before hiding stay
// below the answers of any kind. They are enforced when a field loses the
// focus, when "Сворачивать после" is clicked and at confirmation.
//
// Child object names: "listSize", "hideAfter", "showCount", "excludeAfter"
// (the number fields), "hideState", "modeChoice", "modeTyping",
// "direction0", "direction1", "direction2", "matchCase", "showTranscrSel",
// "showTranscrInput".
class CPgMetodika final : public OptionsPage {
    Q_OBJECT
public:
    static constexpr const char* kTabCaption = "Методика";
    static constexpr const char* kHelpTopic = "::/html_files/optmetod.html>main";
    // The arrows' ranges and the accepted list sizes.
    static constexpr int kListSpinMax = 300;
    static constexpr int kAnswerSpinMax = 100;
    static constexpr int kListSizeMax = 1000;

    explicit CPgMetodika(Settings& settings, QWidget* parent = nullptr);

    QString tabCaption() const override { return QString::fromUtf8(kTabCaption); }
    QString helpTopic() const override { return QString::fromUtf8(kHelpTopic); }
    bool confirm() override;

protected:
    void firstShown() override;

private:
    void showDirection(int direction);
    int checkedDirection() const;
    void modeClicked(QCheckBox* clicked, QCheckBox* other);
    void listSizeLeft();
    void answersRelations();
    bool readField(SpinEdit* field, int minimum, int maximum, int& value);

    Settings& settings_;
    int excludeAfter_, hideAfter_, showCount_, listSize_;

    SpinEdit* listSizeEdit_;
    SpinEdit* hideAfterEdit_;
    SpinEdit* showCountEdit_;
    SpinEdit* excludeAfterEdit_;
    QCheckBox* hideState_;
    QCheckBox* choice_;
    QCheckBox* typing_;
    QRadioButton* direction_[3];
    QCheckBox* matchCase_;
    QCheckBox* transcrSel_;
    QCheckBox* transcrInput_;
};

} // namespace mox
