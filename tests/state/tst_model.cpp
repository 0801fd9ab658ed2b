#include "core/base/namesort.h"
#include "modelrig.h"
#include "tests/lookup/smallschool.h"
#include "tools/demoplatform/school/sampleschool.h"

#include <QSignalSpy>
#include <QTimer>

using namespace quorvale;
using namespace quorvale::testing;
namespace school = quorvale::testing::smallschool;

namespace {

const QString taskListPath = QStringLiteral("/api/CourseTask/GetCourseTasksBySchoolIdForSelect");
const QString rosterPath = QStringLiteral("/api/CourseTask/GetCourseTaskClassStudentForSelectByPage");

QString rosterKey(const QString &key)
{
    return QStringLiteral("key=") + QString::fromLatin1(QUrl::toPercentEncoding(key)) + QLatin1Char('&');
}

QString tableOf(qint64 studentId)
{
    return QStringLiteral("studentId=%1").arg(studentId);
}

// The small school with one default term for every class.
demo::SchoolData smallSchool()
{
    demo::SchoolData data = school::school();
    data.tasks = {school::term(21, true, {school::grade7, school::grade8, school::grade10, school::french})};
    return data;
}

Student student(qint64 id, const QString &name, qint64 classId = school::grade7)
{
    return {id, name, QString(), classId, QStringLiteral("七年级(1)班"), school::schoolId, 2};
}

QDateTime mondayAt(int hour, int minute)
{
    return school::at(school::monday(), hour, minute);
}

// A model over the simulated platform, at a clock the test sets.
struct Rig : ModelRig
{
    explicit Rig(demo::SchoolData data, QDateTime start = mondayAt(8, 0))
        : ModelRig(std::move(data), start)
    {}

    // Waits until only `remaining` requests are unanswered.
    bool landed(int remaining = 0) const
    {
        return QTest::qWaitFor([this, remaining] { return api->inFlight() == remaining; });
    }

    // The follow-now timer fires and its posted step runs.
    void tick()
    {
        QMetaObject::invokeMethod(model->findChild<QTimer *>(QStringLiteral("followNow")), "timeout");
        QCoreApplication::processEvents();
    }
};

QStringList names(const QList<Student> &students)
{
    QStringList list;
    for (const Student &student : students)
        list.append(student.name);
    return list;
}

QString currentSubject(const ScheduleResult &result)
{
    return result.current.isEmpty() ? QString() : result.current.first().lesson.subject;
}

QString nextSubject(const ScheduleResult &result)
{
    return result.next ? result.next->lesson.subject : QString();
}

} // namespace

class ModelTest : public QObject
{
    Q_OBJECT

private slots:
    void searchListsSchoolStudentsInNameOrder();
    void newerSearchWinsAndOlderLeavesBusyAlone();
    void queryEditedKeepsSelectionAndLoadedData();
    void answerFollowsTheMoment_data();
    void answerFollowsTheMoment();
    void secondSelectionDropsFirstLoad();
    void sameDayTicksMoveAnswerWithoutRequests();
    void refusesAnswersItCannotVouchFor_data();
    void refusesAnswersItCannotVouchFor();
};

void ModelTest::searchListsSchoolStudentsInNameOrder()
{
    Rig rig(demo::SampleSchool::generate(school::monday()), mondayAt(10, 0));
    rig.search(QStringLiteral(" 王\n"));

    const QList<Student> &students = rig.model->students();
    QVERIFY(students.size() > 1);
    for (qsizetype i = 1; i < students.size(); ++i)
        QVERIFY(text::compare(students.at(i - 1).name, students.at(i).name) <= 0);
    for (const Student &found : students)
        QCOMPARE(found.schoolId, demo::SampleSchool::schoolId);
    const demo::DemoPlatform &platform = rig.fixture.platform;
    QCOMPARE(platform.requestsTo(taskListPath).first().query.value("schoolId"), QStringLiteral("1"));
    QCOMPARE(platform.requestsTo(rosterPath).first().query.value("key"), QStringLiteral("王"));
    QCOMPARE(rig.model->suggestionPulse(), 1);
    QVERIFY(!rig.model->busy() && rig.model->didSearch());
}

void ModelTest::newerSearchWinsAndOlderLeavesBusyAlone()
{
    Rig rig(smallSchool());
    Model &model = *rig.model;
    rig.api->hold(rosterKey(QStringLiteral("李")));
    rig.api->hold(rosterKey(QStringLiteral("韩梅梅")));
    model.setQuery(QStringLiteral("李"));
    const auto first = launch(model.searchLive(false, true));
    QVERIFY(QTest::qWaitFor([&] { return rig.api->held() == 1; }));
    model.setQuery(QStringLiteral("韩梅梅"));
    model.queryEdited();
    const auto second = launch(model.searchLive(false, true));
    QVERIFY(QTest::qWaitFor([&] { return rig.api->held() == 2; }));

    QSignalSpy busy(&model, &Model::busyChanged);
    rig.api->release(rosterKey(QStringLiteral("李")));
    QVERIFY(QTest::qWaitFor([&] { return first->done; }));
    QCOMPARE(busy.count(), 0);
    QVERIFY(model.busy() && model.students().isEmpty());
    QCOMPARE(model.suggestionPulse(), 0);

    rig.api->release(rosterKey(QStringLiteral("韩梅梅")));
    QVERIFY(QTest::qWaitFor([&] { return second->done; }));
    QCOMPARE(names(model.students()), QStringList{"韩梅梅"});
    QVERIFY(!model.busy());
    QCOMPARE(model.suggestionPulse(), 1);
}

void ModelTest::queryEditedKeepsSelectionAndLoadedData()
{
    Rig rig(smallSchool());
    Model &model = *rig.model;
    rig.search(QStringLiteral("李"));
    QCOMPARE(names(model.students()), (QStringList{"李华", "李雷"}));
    model.select(model.students().at(1));
    QVERIFY(rig.loaded());
    const std::optional<Timetable> table = model.table();
    const std::optional<WeeklySchedule> week = model.week();
    QVERIFY(table && week);

    model.setQuery(QStringLiteral("李 "));
    model.queryEdited();
    QVERIFY(model.students().isEmpty());
    QCOMPARE(model.selectionName(), QStringLiteral("李雷"));
    QCOMPARE(model.table(), table);
    QCOMPARE(model.week(), week);
    QCOMPARE(model.chosenTaskID(), 21);
    QCOMPARE(model.taskChoices().size(), 1);
}

void ModelTest::answerFollowsTheMoment_data()
{
    QTest::addColumn<QDateTime>("moment");
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("next");
    QTest::addColumn<QString>("message");
    QTest::newRow("inside a lesson") << mondayAt(8, 45) << "数学"
                                     << "音乐" << QString();
    QTest::newRow("between lessons") << mondayAt(9, 20) << ""
                                     << "音乐" << QString();
    QTest::newRow("a day not loaded") << school::at(school::monday().addDays(1), 8, 45) << ""
                                      << "" << QStringLiteral("查询日期不在课表有效期内");
}

void ModelTest::answerFollowsTheMoment()
{
    QFETCH(QDateTime, moment);
    QFETCH(QString, current);
    QFETCH(QString, next);
    QFETCH(QString, message);
    Rig rig(smallSchool());
    Model &model = *rig.model;
    model.select(student(school::liLei, QStringLiteral("李雷")));
    QVERIFY(model.result()->message.startsWith(QStringLiteral("尚未取得该学生的个人课表")));
    QVERIFY(rig.loaded() && model.hasSchedule());
    QCOMPARE(model.week()->weekStart, school::monday());
    QCOMPARE(model.loadedTaskID(), 21);

    const qsizetype before = rig.requests();
    model.setDate(moment);
    const ScheduleResult answer = *model.result();
    QCOMPARE(answer.available, message.isEmpty());
    QCOMPARE(currentSubject(answer), current);
    QCOMPARE(nextSubject(answer), next);
    if (!message.isEmpty())
        QCOMPARE(answer.message, message);
    QCOMPARE(rig.requests(), before);
}

void ModelTest::secondSelectionDropsFirstLoad()
{
    Rig rig(smallSchool());
    Model &model = *rig.model;
    rig.api->hold(tableOf(school::liLei));
    rig.api->hold(tableOf(school::hanMeimei));
    model.select(student(school::liLei, QStringLiteral("李雷")));
    QVERIFY(QTest::qWaitFor([&] { return rig.api->held() == 1; }));
    model.select(student(school::hanMeimei, QStringLiteral("韩梅梅"), school::grade8));
    QVERIFY(QTest::qWaitFor([&] { return rig.api->held() == 2; }));

    rig.api->release(tableOf(school::liLei));
    QVERIFY(rig.landed(1));
    QVERIFY(model.loadingSchedule() && !model.table());
    QCOMPARE(model.scheduleStatus(), Model::readingStatus);

    rig.api->release(tableOf(school::hanMeimei));
    QVERIFY(rig.loaded());
    QCOMPARE(model.table()->completeStudentIds, QList<qint64>{school::hanMeimei});
    QCOMPARE(model.scheduleStatus(), QString());
}

void ModelTest::sameDayTicksMoveAnswerWithoutRequests()
{
    Rig rig(smallSchool(), mondayAt(8, 45));
    Model &model = *rig.model;
    rig.search(QStringLiteral("李雷"));
    model.select(model.students().first());
    QVERIFY(rig.loaded());
    QCOMPARE(currentSubject(*model.result()), QStringLiteral("数学"));
    const qsizetype flow = rig.requests();
    for (const QDateTime &moment : {mondayAt(9, 0), mondayAt(9, 15), mondayAt(9, 20)}) {
        rig.now = moment;
        rig.tick();
        QCOMPARE(model.date(), moment);
    }
    QVERIFY(rig.landed());
    QCOMPARE(rig.requests(), flow);
    QCOMPARE(currentSubject(*model.result()), QString());
    QCOMPARE(nextSubject(*model.result()), QStringLiteral("音乐"));
}

void ModelTest::refusesAnswersItCannotVouchFor_data()
{
    QTest::addColumn<bool>("teacher");
    QTest::addColumn<QDateTime>("moment"); // where the date moves once the schedule is read
    QTest::addColumn<QString>("message");
    const QDateTime tuesday = school::at(school::monday().addDays(1), 8, 45);
    QTest::newRow("student in two lessons at once") << false << mondayAt(8, 45) << "课程时间冲突，请核对";
    QTest::newRow("teacher in two lessons at once") << true << mondayAt(8, 45) << "老师课表时间冲突，请核对";
    QTest::newRow("teacher's day gone by before the next is read")
        << true << tuesday << "查询日期已变化，请重新读取该日的老师课表";
}

void ModelTest::refusesAnswersItCannotVouchFor()
{
    QFETCH(bool, teacher);
    QFETCH(QDateTime, moment);
    QFETCH(QString, message);
    // 王老师 teaches 七年级(1)班 数学 and 英语 in Monday's B1, and 十年级(1)班 数学.
    demo::SchoolData data = school::school();
    data.tasks = {school::term(21, true, {school::grade7, school::grade10})};
    const demo::SchoolLesson english{504,
                                     data.teachers.first().id,
                                     school::grade7,
                                     QStringLiteral("A102"),
                                     QStringLiteral("Room A102"),
                                     std::nullopt};
    data.tasks.first().entries.append({demo::SampleSchool::cellId(1, 1), english});
    Rig rig(data, mondayAt(8, 45));
    Model &model = *rig.model;
    if (teacher) {
        model.setQueryKind(QueryKind::Teacher);
        model.setTeacherSearchKind(TeacherSearchKind::Name);
        rig.search(QStringLiteral("王"), true);
    } else {
        model.select(student(school::liLei, QStringLiteral("李雷")));
    }
    QVERIFY(rig.loaded() && model.hasSchedule());

    model.setDate(moment);
    model.dateChanged();
    QCOMPARE(model.result()->message, message);
}

QTEST_GUILESS_MAIN(ModelTest)

#include "tst_model.moc"
