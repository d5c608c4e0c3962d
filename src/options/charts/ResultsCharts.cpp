// The charts module of the Results page: a pie of the dictionary's progress
// and bars of the words with the most wrong answers, drawn with Qt Charts.
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QHorizontalBarSeries>
#include <QLegend>
#include <QPieSeries>
#include <QPieSlice>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>

#include "options/ResultsPicture.h"

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

void drawProgress(QChart* chart, const ResultsPicture& picture)
{
    chart->setTitle(QStringLiteral("Успехи"));
    auto* series = new QPieSeries;
    series->setHoleSize(0.45);
    const struct {
        const char* caption;
        std::uint32_t count;
        QColor color;
    } parts[] = {
        {"Выучено", picture.learnt, QColor(0x3c, 0x9a, 0x4a)},
        {"В списке", picture.inList, QColor(0xe0, 0x9a, 0x1c)},
        {"Ждут очереди", picture.waiting, QColor(0x8a, 0x9b, 0xb0)},
    };
    for (const auto& part : parts) {
        // An empty part gets no slice: its white border would be drawn as a hairline.
        if (part.count == 0)
            continue;
        QPieSlice* slice = series->append(QStringLiteral("%1: %2").arg(QString::fromUtf8(part.caption)).arg(part.count),
                                          part.count);
        slice->setColor(part.color);
        slice->setBorderColor(Qt::white);
    }
    chart->addSeries(series);
    chart->legend()->setAlignment(Qt::AlignRight);
    chart->legend()->setVisible(true);
}

void drawMostWrong(QChart* chart, const ResultsPicture& picture)
{
    if (picture.mostWrongWords.isEmpty()) {
        chart->setTitle(QStringLiteral("В списке нет слов с ошибками"));
        chart->legend()->hide();
        return;
    }
    chart->setTitle(QStringLiteral("Больше всего ошибок"));
    auto* set = new QBarSet(QStringLiteral("Ошибки"));
    set->setColor(QColor(0xc8, 0x3c, 0x32));
    set->setLabelColor(picture.labelColor);
    QStringList words;
    std::uint32_t most = 0;
    // Bars are drawn from the bottom up: the word with the most errors on top.
    for (qsizetype i = picture.mostWrongWords.size() - 1; i >= 0; --i) {
        words << picture.mostWrongWords[i];
        const std::uint32_t wrong = picture.mostWrongCounts.value(i);
        *set << wrong;
        most = std::max(most, wrong);
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

} // namespace

} // namespace mox

extern "C" Q_DECL_EXPORT QWidget* moxMakeResultsCharts(const mox::ResultsPicture& picture, QWidget* parent)
{
    auto* charts = new QWidget(parent);
    auto* layout = new QVBoxLayout(charts);
    layout->setContentsMargins(0, 0, 0, 0);
    QChartView* progress = mox::chartView(charts, "progressChart");
    QChartView* mostWrong = mox::chartView(charts, "mostWrongChart");
    mox::drawProgress(progress->chart(), picture);
    mox::drawMostWrong(mostWrong->chart(), picture);
    layout->addWidget(progress, 1);
    layout->addWidget(mostWrong, 1);
    return charts;
}
