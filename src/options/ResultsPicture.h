#pragma once
#include <cstdint>

#include <QColor>
#include <QList>
#include <QStringList>

class QWidget;

namespace mox {

// What the Results page's charts show, handed to the charts module.
struct ResultsPicture {
    std::uint32_t learnt = 0;
    std::uint32_t inList = 0;
    std::uint32_t waiting = 0;
    // The list's words with the most wrong answers, the most first, and
    // their counts.
    QStringList mostWrongWords;
    QList<std::uint32_t> mostWrongCounts;
    QColor labelColor;
};

// The charts live in a module of their own (results-charts.so), loaded when
// the Results page first draws them: the chart library is not loaded while
// the program waits in the tray. The module's one function builds a widget
// holding the chart views "progressChart" and "mostWrongChart".
using MakeResultsCharts = QWidget* (*)(const ResultsPicture& picture, QWidget* parent);
inline constexpr const char* kMakeResultsChartsSymbol = "moxMakeResultsCharts";
inline constexpr const char* kResultsChartsModule = "results-charts.so";

} // namespace mox
