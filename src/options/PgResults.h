#pragma once
#include "options/OptionsPage.h"
#include "settings/Progress.h"

#include "settings/CurrentDictionary.h"

class QCheckBox;
class QLabel;
class QVBoxLayout;

namespace mox {

class Settings;

// The Results page ("Результаты"): whether the learning window shows the
// current word's statistics, and a picture of the learner's progress in the
// current dictionary: how many words are learnt, in the working list and
// waiting, and the list's words with the most wrong answers. The files are
// read when the page is first shown, and again when it is shown for another
// current dictionary (one chosen on the Dictionaries page meanwhile). The
// charts come from a module loaded then (see ResultsPicture.h); without it
// the figures stand in the line about the dictionary and a line says why.
//
// Child object names: "showStat" (the check box), "dictionaryState" (the line
// about the dictionary), "progressChart" and "mostWrongChart" (the charts),
// "chartsMissing" (the line shown when the module cannot be loaded).
class CPgResults final : public OptionsPage {
    Q_OBJECT
public:
    static constexpr const char* kTabCaption = "Результаты";

    explicit CPgResults(Settings& settings, QWidget* parent = nullptr);

    QString tabCaption() const override { return QString::fromUtf8(kTabCaption); }
    bool confirm() override;

    // What the page read when it was first shown.
    const Progress& progress() const { return progress_; }

protected:
    void firstShown() override;
    void showEvent(QShowEvent* event) override;

private:
    // Reads the current dictionary's figures and draws them.
    void draw();
    void drawCharts();

    Settings& settings_;
    bool showStat_;   // the page's copy
    Progress progress_;
    // The dictionary the picture shows.
    DictionaryPaths drawn_;

    QCheckBox* showStatBox_;
    QLabel* state_;
    QLabel* chartsMissing_;
    QVBoxLayout* layout_;
    QWidget* charts_ = nullptr;
};

} // namespace mox
