#include "options/PgResults.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QHorizontalBarSeries>
#include <QLabel>
#include <QLegend>
#include <QPieSeries>
#include <QPieSlice>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>

#include "language/CharsetCodec.h"
#include "settings/CurrentDictionary.h"
#include "settings/Progress.h"
#include "settings/Settings.h"

namespace mox {

namespace {

QChartView* chartView(QWidget* parent, const char* name)
{
    auto* chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setBackgroundRoundness(0);
    chart->setMargins(QMargins(4, 4, 4, 4));
    auto* view = new QChartView(chart, parent);
    view->setObjectName(QLatin1String(name));
    view->setRenderHint(QPainter::Antialiasing);
    view->setFrameShape(QFrame::NoFrame);
    view->setMinimumSize(360, 150);
    return view;
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
    progressView_ = chartView(this, "progressChart");
    mostWrongView_ = chartView(this, "mostWrongChart");

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(showStatBox_);
    layout->addWidget(state_);
    layout->addWidget(progressView_, 1);
    layout->addWidget(mostWrongView_, 1);
    // Clicking the box is no change that Apply would wait for.
}

void CPgResults::firstShown()
{
    showStatBox_->setChecked(showStat_);

    progress_ = readProgress(currentDictionaryPaths(settings_));
    const QString name = QString::fromStdString(settings_.sCurDict());
    if (!progress_.dictionaryFound) {
        state_->setText(name.isEmpty()
                            ? QStringLiteral("Нет словаря: текущий словарь не выбран.")
                            : QStringLiteral("Нет словаря: файл «%1» не найден или не читается.").arg(name));
        progressView_->hide();
        mostWrongView_->hide();
        return;
    }
    const std::uint32_t total = progress_.learnt + progress_.inList + progress_.waiting;
    state_->setText(QStringLiteral("Словарь «%1»: слов %2.").arg(name).arg(total));
    drawProgress();
    drawMostWrong();
}

void CPgResults::drawProgress()
{
    QChart* chart = progressView_->chart();
    chart->setTitle(QStringLiteral("Успехи"));
    auto* series = new QPieSeries;
    series->setHoleSize(0.45);
    const struct {
        const char* caption;
        std::uint32_t count;
        QColor color;
    } parts[] = {
        {"Выучено", progress_.learnt, QColor(0x3c, 0x9a, 0x4a)},
        {"В списке", progress_.inList, QColor(0xe0, 0x9a, 0x1c)},
        {"Ждут очереди", progress_.waiting, QColor(0x8a, 0x9b, 0xb0)},
    };
    for (const auto& part : parts) {
        QPieSlice* slice = series->append(QStringLiteral("%1: %2").arg(QString::fromUtf8(part.caption)).arg(part.count),
                                          part.count);
        slice->setColor(part.color);
        slice->setBorderColor(Qt::white);
    }
    chart->addSeries(series);
    chart->legend()->setAlignment(Qt::AlignRight);
    chart->legend()->setVisible(true);
}

void CPgResults::drawMostWrong()
{
    QChart* chart = mostWrongView_->chart();
    if (progress_.mostWrong.empty()) {
        chart->setTitle(QStringLiteral("В списке нет слов с ошибками"));
        chart->legend()->hide();
        return;
    }
    chart->setTitle(QStringLiteral("Больше всего ошибок"));
    const CharsetCodec codec(settings_.iForeignCharSet());
    auto* set = new QBarSet(QStringLiteral("Ошибки"));
    set->setColor(QColor(0xc8, 0x3c, 0x32));
    set->setLabelColor(palette().color(QPalette::WindowText));
    QStringList words;
    std::uint32_t most = 0;
    // Bars are drawn from the bottom up: the word with the most errors on top.
    for (auto it = progress_.mostWrong.rbegin(); it != progress_.mostWrong.rend(); ++it) {
        words << codec.decode(it->word);
        *set << it->wrong;
        most = std::max(most, it->wrong);
    }
    auto* series = new QHorizontalBarSeries;
    series->append(set);
    series->setLabelsVisible(true);
    series->setLabelsPosition(QAbstractBarSeries::LabelsOutsideEnd);
    chart->addSeries(series);
    auto* wordsAxis = new QBarCategoryAxis;
    wordsAxis->setTruncateLabels(false);
    wordsAxis->append(words);
    chart->addAxis(wordsAxis, Qt::AlignLeft);
    series->attachAxis(wordsAxis);
    // Whole-number ticks, about five of them, with room for the bar labels
    // beyond the longest bar.
    const std::uint32_t step = std::max<std::uint32_t>(1, (most + 4) / 5);
    auto* countAxis = new QValueAxis;
    countAxis->setRange(0, (most / step + 1) * step);
    countAxis->setTickType(QValueAxis::TicksDynamic);
    countAxis->setTickAnchor(0);
    countAxis->setTickInterval(step);
    countAxis->setLabelFormat(QStringLiteral("%d"));
    chart->addAxis(countAxis, Qt::AlignBottom);
    series->attachAxis(countAxis);
    chart->legend()->hide();
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
