// The suggestions dropdown's first fill with 300, 3 000 and 10 000 rows: the list handed to the panel,
// laid out and painted once on screen. Prints each time and the growth from one size to the next;
// a list that grows linearly grows 10x and then 3.3x.

#include "app/screens/suggestionpanel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListView>
#include <QTextStream>
#include <algorithm>

using namespace quorvale;

namespace {

constexpr int repeats = 5;
constexpr double largestGoalMs = 30.0;

QList<SearchSuggestion> students(int count)
{
    QList<SearchSuggestion> rows;
    rows.reserve(count);
    for (int index = 0; index < count; ++index) {
        Student student;
        student.id = index + 1;
        student.name = QStringLiteral("学生%1").arg(index);
        student.className = QStringLiteral("初二（%1）班").arg(index % 12 + 1);
        rows.append(SearchSuggestion{student});
    }
    return rows;
}

// The best of a few first fills, each into a new panel.
double firstFill(const QList<SearchSuggestion> &rows)
{
    QList<double> times;
    for (int repeat = 0; repeat < repeats; ++repeat) {
        SuggestionPanel panel;
        panel.resize(660, 300);
        panel.show();
        QCoreApplication::processEvents();
        QElapsedTimer clock;
        clock.start();
        panel.setContent({QStringLiteral("选择学生"), false, QString(), rows, std::nullopt, std::nullopt});
        panel.list()->doItemsLayout();
        panel.repaint();
        QCoreApplication::processEvents();
        times.append(double(clock.nsecsElapsed()) / 1e6);
    }
    return *std::min_element(times.cbegin(), times.cend());
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QTextStream out(stdout);
    double previous = 0.0;
    int previousCount = 0;
    for (const int count : {300, 3000, 10000}) {
        const double ms = firstFill(students(count));
        QString figure = QStringLiteral("%1 ms").arg(ms, 0, 'f', 2);
        if (previous > 0.0)
            figure += QStringLiteral(" (%1x the time of %2 rows for %3x the rows)")
                          .arg(ms / previous, 0, 'f', 1)
                          .arg(previousCount)
                          .arg(double(count) / previousCount, 0, 'f', 1);
        const bool largest = count == 10000;
        out << "result: suggestions, first fill of " << count << " rows | " << figure << " | "
            << (largest ? QStringLiteral("at most %1 ms, linear").arg(largestGoalMs)
                        : QStringLiteral("linear"))
            << " | "
            << ((largest ? ms <= largestGoalMs : true) &&
                        (previous <= 0.0 || ms / previous <= 1.5 * count / previousCount)
                    ? "holds"
                    : "misses")
            << Qt::endl;
        previous = ms;
        previousCount = count;
    }
    return 0;
}
