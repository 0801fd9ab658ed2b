// Renders the week view in the states a person meets to PNG files, so that anyone can look at them:
// quorvale-week-screenshots OUTPUT_FOLDER

#include "weekfixture.h"

#include "app/look/reducemotion.h"
#include "app/week/dayarea.h"
#include "app/week/weekcourseblock.h"
#include "app/week/weektimetableview.h"

#include <QApplication>
#include <QDir>
#include <QTextStream>

using namespace quorvale;
using namespace quorvale::weekfixture;

namespace {

// A week with lanes: an elective over a regular lesson, a teacher covering two classes at once and
// three lessons side by side on Thursday; evening lessons without times, a room name to keep whole.
WeeklySchedule laneWeek()
{
    const QStringList subjects{"数学", "语文", "英语", "物理", "化学", "生物"};
    QList<WeekEvent> events;
    for (int offset = 0; offset < 5; ++offset) {
        for (int i = 0; i < 6; ++i) {
            const qint64 start = 480 + i * 55;
            WeekEvent e = lesson(QStringLiteral("%1-%2").arg(offset).arg(i), offset, start, start + 40,
                                 subjects[(i + offset) % subjects.size()], QStringLiteral("B%1").arg(i + 1));
            e.room = QStringLiteral("A%1").arg(101 + i);
            e.className = QStringLiteral("高一%1班").arg(offset + 1);
            events.append(e);
        }
    }
    WeekEvent elective =
        lesson(QStringLiteral("elective"), 1, 535, 615, QStringLiteral("选修·天文"), QStringLiteral("选修"));
    elective.room = QStringLiteral("天文台");
    events.append(elective);
    for (int lane = 0; lane < 2; ++lane) {
        WeekEvent cover = lesson(QStringLiteral("cover%1").arg(lane), 3, 700, 740,
                                 QStringLiteral("代课·历史"), QStringLiteral("B5"));
        cover.room = QStringLiteral("B20%1").arg(lane + 1);
        cover.className = QStringLiteral("高一%1班").arg(lane + 3);
        events.append(cover);
    }
    WeekEvent club =
        lesson(QStringLiteral("club"), 0, 960, 1020, QStringLiteral("机器人社"), QStringLiteral("ASA"));
    club.room = QStringLiteral("创客教室");
    events.append(club);
    WeekEvent evening = lesson(QStringLiteral("evening"), 2, std::nullopt, std::nullopt,
                               QStringLiteral("英语听说"), QStringLiteral("晚课1"));
    evening.room = QStringLiteral("语言教室2");
    events.append(evening);
    events.append(lesson(QStringLiteral("study"), 3, std::nullopt, std::nullopt, QStringLiteral("自习"),
                         QStringLiteral("晚自习")));
    WeekEvent late = lesson(QStringLiteral("late"), 4, 1110, 1200, QStringLiteral("综合实践与研究性学习"),
                            QStringLiteral("晚课2"));
    late.room = QStringLiteral("语言教室2");
    events.append(late);
    return weekOf(events);
}

struct Shot
{
    Shot(const WeeklySchedule &week, const QDateTime &reference, int height = 1000)
        : view(week, reference, true)
    {
        view.resize(1100, height);
        view.show();
        QApplication::processEvents();
        // Shown alone, the view hands focus to its first lesson; in the window it sits below the search.
        if (QWidget *focus = QApplication::focusWidget())
            focus->clearFocus();
    }

    WeekCourseBlock *block(int column, int index) const
    {
        return view.dayArea()->columns().at(column)->blocks().at(index);
    }

    bool save(const QDir &folder, const QString &name)
    {
        QApplication::processEvents();
        const bool saved = view.grab().save(folder.filePath(name));
        QTextStream(stdout) << folder.filePath(name) << (saved ? "" : " (not written)") << Qt::endl;
        return saved;
    }

    WeekTimetableView view;
};

} // namespace

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    motion::setReduced(true);
    if (argc != 2) {
        QTextStream(stderr) << "用法：quorvale-week-screenshots 输出目录" << Qt::endl;
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.mkpath(QStringLiteral("."))) {
        QTextStream(stderr) << "无法创建输出目录：" << folder.path() << Qt::endl;
        return 1;
    }
    bool saved = true;
    {
        Shot shot(laneWeek(), at(3, 11, 47));
        saved &= shot.save(folder, QStringLiteral("week-lanes.png"));
    }
    {
        Shot shot(laneWeek(), at(1, 9, 20));
        shot.block(1, 2)->pin();
        saved &= shot.save(folder, QStringLiteral("week-pinned-detail.png"));
    }
    {
        WeeklySchedule week = laneWeek();
        week.days[4].events[5].subject = QStringLiteral("跨学科综合实践与研究性学习（第二学期）");
        week.days[4].events[5].className = QStringLiteral("高一1班 / 高一2班 / 高一3班 / 高一4班 / 高一5班");
        Shot shot(week, at(4, 12, 40), 760);
        shot.block(4, 5)->pin();
        saved &= shot.save(folder, QStringLiteral("week-detail-near-bottom.png"));
    }
    {
        Shot shot(laneWeek(), at(2, 14, 0));
        shot.view.setShowDeferred(true);
        saved &= shot.save(folder, QStringLiteral("week-deferred-open.png"));
    }
    {
        Shot shot(laneWeek(), at(4, 19, 10));
        shot.view.setShowFullDay(true);
        saved &= shot.save(folder, QStringLiteral("week-full-day.png"));
    }
    {
        Shot shot(laneWeek(), at(2, 10, 0, 20));
        saved &= shot.save(folder, QStringLiteral("week-now-line-on-the-hour.png"));
    }
    return saved ? 0 : 1;
}
