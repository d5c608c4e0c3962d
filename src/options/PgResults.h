#pragma once
#include "options/OptionsPage.h"
#include "settings/Progress.h"

class QCheckBox;
class QChart;
class QChartView;
class QLabel;

namespace mox {

class Settings;

// The Results page ("Результаты"): whether the learning window shows the
// current word's statistics, and a picture of the learner's progress in the
// current dictionary: how many words are learnt, in the working list and
// waiting, and the list's words with the most wrong answers. The files are
// read once, when the page is first shown.
//
// Child object names: "showStat" (the check box), "dictionaryState" (the line
// about the dictionary), "progressChart" and "mostWrongChart" (the charts).
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

private:
    void drawProgress();
    void drawMostWrong();

    Settings& settings_;
    bool showStat_;   // the page's copy
    Progress progress_;

    QCheckBox* showStatBox_;
    QLabel* state_;
    QChartView* progressView_;
    QChartView* mostWrongView_;
};

} // namespace mox
