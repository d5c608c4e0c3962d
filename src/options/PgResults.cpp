#include "options/PgResults.h"

#include <QCheckBox>
#include <QLabel>
#include <QVBoxLayout>

#include "language/CharsetCodec.h"
#include "options/ResultsPicture.h"
#include "platform/qt/ProgramModules.h"
#include "settings/Progress.h"
#include "settings/Settings.h"

namespace mox {

namespace {

// The charts module, loaded once (see ProgramModules). Null with `error` set
// when it cannot be loaded.
MakeResultsCharts chartsMaker(QString& error)
{
    static QString failure;
    static const auto maker = reinterpret_cast<MakeResultsCharts>(loadModuleFunction(
        programModuleFolders(), QLatin1String(kResultsChartsModule), kMakeResultsChartsSymbol, failure));
    error = failure;
    return maker;
}

} // namespace

CPgResults::CPgResults(Settings& settings, QWidget* parent)
    : OptionsPage(parent), settings_(settings), showStat_(settings.bShowStatCurItem())
{
    showStatBox_ = new QCheckBox(QStringLiteral("Показывать статистику слова"), this);
    showStatBox_->setObjectName(QStringLiteral("showStat"));
    state_ = new QLabel(this);
    state_->setObjectName(QStringLiteral("dictionaryState"));
    state_->setWordWrap(true);
    chartsMissing_ = new QLabel(this);
    chartsMissing_->setObjectName(QStringLiteral("chartsMissing"));
    chartsMissing_->setWordWrap(true);
    chartsMissing_->hide();

    layout_ = new QVBoxLayout(this);
    layout_->addWidget(showStatBox_);
    layout_->addWidget(state_);
    layout_->addWidget(chartsMissing_);
    layout_->addStretch(1);
    // Clicking the box is no change that Apply would wait for.
}

void CPgResults::firstShown()
{
    showStatBox_->setChecked(showStat_);
    draw();
}

void CPgResults::showEvent(QShowEvent* event)
{
    // Another dictionary chosen since the picture was drawn: it is drawn anew.
    if (displayed() && !(currentDictionaryPaths(settings_) == drawn_))
        draw();
    OptionsPage::showEvent(event);
}

void CPgResults::draw()
{
    drawn_ = currentDictionaryPaths(settings_);
    progress_ = readProgress(drawn_);
    delete charts_;
    charts_ = nullptr;
    chartsMissing_->hide();
    const QString name = QString::fromStdString(settings_.sCurDict());
    if (!progress_.dictionaryFound) {
        state_->setText(name.isEmpty()
                            ? QStringLiteral("Нет словаря: текущий словарь не выбран.")
                            : QStringLiteral("Нет словаря: файл «%1» не найден или не читается.").arg(name));
        return;
    }
    const std::uint32_t total = progress_.learnt + progress_.inList + progress_.waiting;
    state_->setText(QStringLiteral("Словарь «%1»: слов %2.").arg(name).arg(total));
    drawCharts();
}

void CPgResults::drawCharts()
{
    ResultsPicture picture;
    picture.learnt = progress_.learnt;
    picture.inList = progress_.inList;
    picture.waiting = progress_.waiting;
    const CharsetCodec codec(settings_.iForeignCharSet());
    for (const Progress::Word& word : progress_.mostWrong) {
        picture.mostWrongWords << codec.decode(word.word);
        picture.mostWrongCounts << word.wrong;
    }
    picture.labelColor = palette().color(QPalette::WindowText);

    QString error;
    const MakeResultsCharts make = chartsMaker(error);
    if (make == nullptr) {
        // The figures without the picture.
        chartsMissing_->setText(QStringLiteral("Выучено: %1, в списке: %2, ждут очереди: %3. Диаграммы не показаны: %4.")
                                    .arg(progress_.learnt)
                                    .arg(progress_.inList)
                                    .arg(progress_.waiting)
                                    .arg(error));
        chartsMissing_->show();
        return;
    }
    charts_ = make(picture, this);
    layout_->insertWidget(layout_->count() - 1, charts_, 100);
}

bool CPgResults::confirm()
{
    // Stored only when the user changed it.
    if (showStatBox_->isChecked() != showStat_)
        settings_.setBShowStatCurItem(showStatBox_->isChecked());
    showStat_ = showStatBox_->isChecked();
    return true;
}

} // namespace mox
