#pragma once
#include <optional>

#include "options/OptionsPage.h"
#include "settings/Settings.h"

class QCheckBox;
class QRadioButton;

namespace mox {

class SpinEdit;

// The Method page ("Методика"): the size of the working list, when the
// learning window hides itself and when a word leaves the list, the main
// mode and its translation direction, and the transcription and case options.
//
// The numbers keep their relations: the answers of any kind before hiding
// never reach past the list size, and the correct answers before hiding stay
// below the answers of any kind. They are enforced on the numbers in the
// fields (never on part of a number being typed) when a field loses the
// focus, when "Сворачивать после" is clicked and at confirmation, and only
// where the user changed one of the two numbers they relate: confirming the
// page stores what the user changed and what follows from it, nothing else.
// A changed number must lie within the bounds of its setting.
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
    // The values the page edits, as it took them from Settings when it was
    // built, and as it stored them at its last confirmation.
    struct Values {
        int listSize, hideAfter, showCount, excludeAfter;
        bool hideState, matchCase, transcrSel, transcrInput;
        Mode mode;
        Direction choiceDirection, typingDirection;
    };
    static Values valuesOf(const Settings& settings);

    void showDirection(int direction);
    int checkedDirection() const;
    void modeClicked(QCheckBox* clicked, QCheckBox* other);
    // Whether the user changed a field from the page's copy (a text that is
    // no number counts as a change).
    bool changed(const SpinEdit* field, int copy) const;
    void listSizeLeft();
    void answersRelations();
    // The field's number, checked against the bounds of `setting` when it
    // differs from the copy; nothing (the user told why) when refused.
    std::optional<int> readField(SpinEdit* field, int copy, const char* setting);

    Settings& settings_;
    Values copy_;

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
