#include "tools/demoplatform/school/sampleschool.h"

#include "tools/demoplatform/school/samplecatalogue.h"
#include "tools/demoplatform/school/samplenames.h"
#include "tools/demoplatform/school/weekplanner.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <functional>

namespace quorvale::demo {

using namespace Qt::StringLiterals;

namespace {

using namespace catalogue;

constexpr qint64 classesPerGrade = 2;
constexpr quint64 peopleSeed = 20240901;
constexpr int planAttempts = 64;

// The school year and term a term's first Monday falls in: autumn terms start in August or later.
Named termName(QDate firstMonday)
{
    const bool autumn = firstMonday.month() >= 8;
    const int year = autumn ? firstMonday.year() : firstMonday.year() - 1;
    return {u"%1-%2学年%3学期"_s.arg(year).arg(year + 1).arg(autumn ? u"第一"_s : u"第二"_s),
            u"%1-%2 Semester %3"_s.arg(year).arg(year + 1).arg(autumn ? 1 : 2)};
}

struct Homeroom
{
    qint64 id;
    qint64 grade;
    int number;
    Room room;
};

// Lessons that must share one cell: the groups and teachers it takes and what it puts there.
struct PlanItem
{
    QList<qint64> classIds;
    QList<qint64> teacherIds;
    qint64 courseId;
    std::function<QList<SchoolEntry>(qint64 cellId)> entries;
};

class Builder
{
public:
    explicit Builder(QDate today);
    SchoolData build();

private:
    void addCourses();
    void addStaff();
    void addClassesAndStudents();
    QList<SchoolEntry> termEntries(quint64 seed) const;
    QList<SchoolEntry> mockExamEntries(quint64 seed) const;
    QList<SchoolEntry> place(const QList<PlanItem> &fixed, const QList<PlanItem> &free, quint64 seed) const;
    QList<PlanItem> weeklyItems(const Homeroom &homeroom, const QList<WeeklyCount> &plan) const;
    QList<PlanItem> specialItems(qint64 grade) const;
    QList<SchoolEntry> activityEntries(const QList<Homeroom> &homerooms, bool withClubsAndLanguages) const;
    void addElectiveOverRegularLesson(SchoolTask &term);
    void addTeacherCoveringTwoClasses(SchoolTask &term) const;
    QList<Homeroom> homeroomsOf(qint64 grade) const;

    qint64 addTeacher(const SampleName &name);
    qint64 addClass(const Named &name, std::optional<qint64> grade, qint64 classType);
    qint64 course(const QString &name) const { return m_courseIds.value(name); }
    qint64 teacher(const QString &course, qint64 grade) const;
    SchoolLesson lesson(const QString &course, qint64 teacherId, qint64 classId, const Room &room,
                        std::optional<qint64> weekCode = std::nullopt) const;
    SchoolTask task(qint64 id, const Named &name, QDate start, QDate end, qint64 semesterId) const;

    QDate m_today;
    SampleRandom m_random{peopleSeed};
    SchoolData m_data;
    QHash<QString, qint64> m_courseIds;
    QHash<QString, qint64> m_staff;
    QList<Homeroom> m_homerooms;
    QHash<qint64, std::pair<qint64, qint64>> m_electiveGroups;
    QList<qint64> m_languageGroups;
    QList<qint64> m_clubGroups;
};

Builder::Builder(QDate today)
    : m_today(today)
{}

SchoolData Builder::build()
{
    m_data.schoolId = SampleSchool::schoolId;
    m_data.schoolName = u"启明双语学校"_s;
    m_data.account = {u"demo"_s, u"Kejing#Demo1"_s, u"演示教务"_s};
    addCourses();
    addStaff();
    addClassesAndStudents();

    const QDate monday = m_today.addDays(1 - m_today.dayOfWeek());
    const QDate termStart = monday.addDays(-6 * 7);
    const QDate previousStart = termStart.addDays(-24 * 7);
    const SchoolSemester previous{7, previousStart, termStart.addDays(-4 * 7 - 1)};
    const SchoolSemester current{8, termStart, termStart.addDays(20 * 7 - 1)};
    m_data.semesters = {previous, current};

    const Named currentTerm = termName(current.firstMonday);
    const Named previousTerm = termName(previous.firstMonday);

    SchoolTask draft =
        task(SampleSchool::draftTaskId,
             {currentTerm.name + u"课表（调整草案）"_s, currentTerm.english + u" Timetable (Draft)"_s},
             current.firstMonday, current.lastDay, current.id);
    draft.isDefault = false;
    draft.inEffect = false;

    SchoolTask mockExam =
        task(SampleSchool::mockExamTaskId, {u"十二年级模考周课表"_s, u"G12 Mock Exam Timetable"_s},
             monday.addDays(-7), monday.addDays(13), current.id);
    mockExam.isDefault = false;
    mockExam.entries = mockExamEntries(peopleSeed + 3000);

    SchoolTask term = task(SampleSchool::currentTaskId,
                           {currentTerm.name + u"课表"_s, currentTerm.english + u" Timetable"_s},
                           current.firstMonday, current.lastDay, current.id);
    term.isDefault = true;
    term.entries = termEntries(peopleSeed + 1000);
    addElectiveOverRegularLesson(term);
    addTeacherCoveringTwoClasses(term);

    SchoolTask previousTask = task(SampleSchool::previousTaskId,
                                   {previousTerm.name + u"课表"_s, previousTerm.english + u" Timetable"_s},
                                   previous.firstMonday, previous.lastDay, previous.id);
    previousTask.isDefault = true;
    previousTask.entries = termEntries(peopleSeed + 2000);

    m_data.tasks = {draft, mockExam, term, previousTask};
    return m_data;
}

void Builder::addCourses()
{
    qint64 id = 501;
    for (const Named &course : catalogue::courses()) {
        m_data.courses.append({id, course.name, course.english});
        m_courseIds.insert(course.name, id++);
    }
}

void Builder::addStaff()
{
    SampleNames names(m_random);
    for (qint64 grade = firstGrade; grade <= lastGrade; ++grade) {
        for (const QString &course : gradeCourses(grade)) {
            SampleName name = names.teacher();
            if (course == u"英语"_s && grade == 11)
                name = {u"Emily Carter"_s, u"Emily Carter"_s};
            else if (course == u"英语"_s && grade == 12)
                name = {u"James Miller"_s, u"James Miller"_s};
            m_staff.insert(u"%1/%2"_s.arg(course).arg(grade), addTeacher(name));
        }
    }
    for (const QString &section : {u"middle"_s, u"high"_s}) {
        for (const QString &course : sectionCourses(section))
            m_staff.insert(u"%1/%2"_s.arg(course, section), addTeacher(names.teacher()));
    }
    for (const Language &language : languages())
        m_staff.insert(language.course, addTeacher({language.teacher.name, language.teacher.english}));
    // Club advisers are teachers spread over the staff list, each advising one club.
    for (qsizetype i = 0; i < clubs().size(); ++i) {
        const qint64 adviser = m_data.teachers.at((2 + 6 * i) % m_data.teachers.size()).id;
        m_staff.insert(clubs().at(i).course, adviser);
    }
}

void Builder::addClassesAndStudents()
{
    for (qint64 grade = firstGrade; grade <= lastGrade; ++grade) {
        for (int number = 1; number <= classesPerGrade; ++number) {
            const Named name{u"%1(%2)班"_s.arg(gradeName(grade)).arg(number),
                             u"G%1-%2"_s.arg(grade).arg(number)};
            const qint64 roomNumber = grade * 100 + number;
            const Room room = isMiddle(grade)
                                  ? Room{u"初中楼%1"_s.arg(roomNumber), u"MS Building %1"_s.arg(roomNumber)}
                                  : Room{u"高中楼%1"_s.arg(roomNumber), u"HS Building %1"_s.arg(roomNumber)};
            m_homerooms.append({addClass(name, grade, 1), grade, number, room});
        }
    }
    for (qint64 grade = 9; grade <= lastGrade; ++grade) {
        const qint64 a =
            addClass({u"%1选修A组"_s.arg(gradeName(grade)), u"G%1 Elective A"_s.arg(grade)}, grade, 2);
        const qint64 b =
            addClass({u"%1选修B组"_s.arg(gradeName(grade)), u"G%1 Elective B"_s.arg(grade)}, grade, 2);
        m_electiveGroups.insert(grade, {a, b});
    }
    for (const Language &language : languages())
        m_languageGroups.append(addClass(language.group, std::nullopt, 2));
    for (const Club &club : clubs())
        m_clubGroups.append(addClass(club.group, std::nullopt, 3));

    SampleNames names(m_random);
    qint64 id = 100001;
    for (const Homeroom &homeroom : std::as_const(m_homerooms)) {
        const qsizetype size = 20 + m_random.below(5);
        for (qsizetype seat = 0; seat < size; ++seat) {
            const SampleName name = names.student();
            QList<qint64> classIds = {homeroom.id};
            if (homeroom.grade >= 9) {
                const auto [a, b] = m_electiveGroups.value(homeroom.grade);
                classIds.append(seat % 2 == 0 ? a : b);
            } else {
                classIds.append(m_random.pick(m_languageGroups));
            }
            classIds.append(m_random.pick(m_clubGroups));
            // The platform does not promise the homeroom first; some students list it last.
            if (seat % 7 == 3)
                std::rotate(classIds.begin(), classIds.begin() + 1, classIds.end());
            m_data.students.append({id++, name.name, name.englishName, classIds});
        }
    }
}

qint64 Builder::addTeacher(const SampleName &name)
{
    const qint64 id = 2001 + m_data.teachers.size();
    m_data.teachers.append({id, name.name, name.englishName});
    return id;
}

qint64 Builder::addClass(const Named &name, std::optional<qint64> grade, qint64 classType)
{
    const qint64 id = 301 + m_data.classes.size();
    m_data.classes.append({id, name.name, name.english, grade, classType});
    return id;
}

qint64 Builder::teacher(const QString &course, qint64 grade) const
{
    // The Chinese teacher holds the class meeting and evening study, the maths teacher self study.
    static const QHash<QString, QString> heldBy = {
        {u"班会"_s, u"语文"_s}, {u"晚自习"_s, u"语文"_s}, {u"自习"_s, u"数学"_s}};
    const QString taught = heldBy.value(course, course);
    const QString byGrade = u"%1/%2"_s.arg(taught).arg(grade);
    return m_staff.contains(byGrade) ? m_staff.value(byGrade)
                                     : m_staff.value(u"%1/%2"_s.arg(taught, sectionKey(grade)));
}

SchoolLesson Builder::lesson(const QString &course, qint64 teacherId, qint64 classId, const Room &room,
                             std::optional<qint64> weekCode) const
{
    return {this->course(course), teacherId, classId, room.name, room.english, weekCode};
}

SchoolTask Builder::task(qint64 id, const Named &name, QDate start, QDate end, qint64 semesterId) const
{
    SchoolTask task;
    task.id = id;
    task.name = name.name;
    task.englishName = name.english;
    task.startDate = start;
    task.endDate = end;
    task.semesterId = semesterId;
    task.dayOrders = {1, 2, 3, 4, 5};
    task.periods = SampleSchool::periods();
    task.cells = SampleSchool::cells(task.dayOrders, task.periods);
    return task;
}

QList<Homeroom> Builder::homeroomsOf(qint64 grade) const
{
    QList<Homeroom> found;
    std::copy_if(m_homerooms.cbegin(), m_homerooms.cend(), std::back_inserter(found),
                 [grade](const Homeroom &h) { return h.grade == grade; });
    return found;
}

QList<PlanItem> Builder::weeklyItems(const Homeroom &homeroom, const QList<WeeklyCount> &plan) const
{
    QList<PlanItem> items;
    for (const WeeklyCount &count : plan) {
        const qint64 teacherId = teacher(count.course, homeroom.grade);
        const SchoolLesson single = lesson(count.course, teacherId, homeroom.id,
                                           roomFor(count.course, homeroom.grade, homeroom.room));
        for (int i = 0; i < count.perWeek; ++i) {
            items.append({{homeroom.id}, {teacherId}, single.courseId, [single](qint64 cell) {
                              return QList<SchoolEntry>{{cell, single}};
                          }});
        }
    }
    return items;
}

// The cells a grade shares: a joint PE lesson and alternating music and art in the middle section,
// electives as packages in the high section (odd weeks only in G9–G10, with a joint lesson in even weeks).
QList<PlanItem> Builder::specialItems(qint64 grade) const
{
    const QList<Homeroom> homerooms = homeroomsOf(grade);
    QList<qint64> classIds;
    for (const Homeroom &h : homerooms)
        classIds.append(h.id);
    QList<PlanItem> items;
    if (isMiddle(grade)) {
        const qint64 pe = teacher(u"体育"_s, grade);
        QList<SchoolLesson> joint;
        for (const qint64 id : classIds)
            joint.append(lesson(u"体育"_s, pe, id, {u"体育馆"_s, u"Gym"_s}));
        items.append({classIds, {pe}, course(u"体育"_s), [joint](qint64 cell) {
                          QList<SchoolEntry> entries;
                          for (const SchoolLesson &l : joint)
                              entries.append({cell, l});
                          return entries;
                      }});
        const qint64 music = teacher(u"音乐"_s, grade);
        const qint64 art = teacher(u"美术"_s, grade);
        for (const Homeroom &h : homerooms) {
            const SchoolLesson odd = lesson(u"音乐"_s, music, h.id, roomFor(u"音乐"_s, grade, h.room), 1);
            const SchoolLesson even = lesson(u"美术"_s, art, h.id, roomFor(u"美术"_s, grade, h.room), 2);
            items.append({{h.id}, {music, art}, odd.courseId, [odd, even](qint64 cell) {
                              return QList<SchoolEntry>{{cell, odd}, {cell, even}};
                          }});
        }
        return items;
    }
    const auto [groupA, groupB] = m_electiveGroups.value(grade);
    if (grade <= 10) {
        const qint64 art = teacher(u"艺术"_s, grade);
        const qint64 computing = teacher(u"信息技术"_s, grade);
        const qint64 counsellor = teacher(u"心理健康"_s, grade);
        const SchoolPackage package{
            u"艺术与信息"_s,
            u"Arts and Computing"_s,
            1,
            {lesson(u"艺术"_s, art, groupA, roomFor(u"艺术"_s, grade, {})),
             lesson(u"信息技术"_s, computing, groupB, {u"机房2"_s, u"Computer Lab 2"_s})}};
        QList<SchoolEntry> fixed = {{0, package}};
        for (const qint64 id : classIds)
            fixed.append({0, lesson(u"心理健康"_s, counsellor, id, roomFor(u"心理健康"_s, grade, {}), 2)});
        items.append({classIds, {art, computing, counsellor}, course(u"艺术"_s), [fixed](qint64 cell) {
                          QList<SchoolEntry> entries = fixed;
                          for (SchoolEntry &e : entries)
                              e.cellId = cell;
                          return entries;
                      }});
        return items;
    }
    const qint64 economics = teacher(u"经济学"_s, grade);
    const qint64 computerScience = teacher(u"计算机科学"_s, grade);
    const SchoolPackage package{
        u"选修课"_s,
        u"Electives"_s,
        std::nullopt,
        {lesson(u"经济学"_s, economics, groupA, roomFor(u"经济学"_s, grade, {})),
         lesson(u"计算机科学"_s, computerScience, groupB, roomFor(u"计算机科学"_s, grade, {}))}};
    items.append({classIds, {economics, computerScience}, course(u"经济学"_s), [package](qint64 cell) {
                      return QList<SchoolEntry>{{cell, package}};
                  }});
    return items;
}

QList<SchoolEntry> Builder::termEntries(quint64 seed) const
{
    QList<PlanItem> fixed;
    QList<PlanItem> free;
    for (qint64 grade = firstGrade; grade <= lastGrade; ++grade) {
        fixed += specialItems(grade);
        for (const Homeroom &homeroom : homeroomsOf(grade))
            free += weeklyItems(homeroom, termPlan(grade));
    }
    return place(fixed, free, seed) + activityEntries(m_homerooms, true);
}

QList<SchoolEntry> Builder::mockExamEntries(quint64 seed) const
{
    QList<PlanItem> free;
    const QList<Homeroom> homerooms = homeroomsOf(lastGrade);
    for (const Homeroom &homeroom : homerooms)
        free += weeklyItems(homeroom, mockExamPlan());
    return place({}, free, seed) + activityEntries(homerooms, false);
}

QList<SchoolEntry> Builder::place(const QList<PlanItem> &fixed, const QList<PlanItem> &free,
                                  quint64 seed) const
{
    for (int attempt = 0;; ++attempt) {
        SampleRandom random(seed + attempt);
        QList<PlanItem> items = free;
        random.shuffle(items);
        items = fixed + items;
        WeekPlanner planner(random);
        QList<SchoolEntry> entries;
        bool complete = true;
        for (const PlanItem &item : std::as_const(items)) {
            if (const auto cell = planner.take(item.classIds, item.teacherIds, item.courseId))
                entries += item.entries(*cell);
            else
                complete = false;
        }
        if (complete || attempt + 1 == planAttempts) {
            std::stable_sort(entries.begin(), entries.end(),
                             [](const SchoolEntry &a, const SchoolEntry &b) { return a.cellId < b.cellId; });
            return entries;
        }
    }
}

// The single, every-week lesson of a class in a cell, if it has one there.
SchoolEntry *singleLesson(SchoolTask &term, qint64 cellId, const std::function<bool(qint64)> &ofClass)
{
    for (SchoolEntry &entry : term.entries) {
        const auto *lesson = std::get_if<SchoolLesson>(&entry.content);
        if (entry.cellId == cellId && lesson && ofClass(lesson->classId) && lesson->weekCode.value_or(0) == 0)
            return &entry;
    }
    return nullptr;
}

// A few students of the last middle-school class take an elective that sits over their regular
// Tuesday B3 lesson: a real time conflict, which their tables and the elective teacher's agree on.
void Builder::addElectiveOverRegularLesson(SchoolTask &term)
{
    constexpr qint64 grade = 8;
    const Homeroom homeroom = homeroomsOf(grade).last();
    const qint64 cellId = SampleSchool::cellId(2, 3);
    if (!singleLesson(term, cellId, [&homeroom](qint64 id) { return id == homeroom.id; }))
        return;
    // The elective's teacher is the first one free in that cell, so no teacher is in two rooms.
    QSet<qint64> busy;
    for (const SchoolEntry &entry : std::as_const(term.entries)) {
        if (entry.cellId == cellId) {
            for (const SchoolLesson &lesson : entry.lessons())
                busy.insert(lesson.teacherId);
        }
    }
    const auto free = std::find_if(m_data.teachers.cbegin(), m_data.teachers.cend(),
                                   [&busy](const SchoolTeacher &t) { return !busy.contains(t.id); });
    if (free == m_data.teachers.cend())
        return;
    const qint64 group = addClass({u"八年级科创兴趣组"_s, u"G8 Maker Group"_s}, grade, 2);
    int members = 0;
    for (SchoolStudent &student : m_data.students) {
        if (members < 3 && student.classIds.contains(homeroom.id)) {
            student.classIds.append(group);
            ++members;
        }
    }
    const SchoolPackage elective{u"科创选修"_s,
                                 u"Maker Elective"_s,
                                 std::nullopt,
                                 {lesson(u"信息技术"_s, free->id, group, {u"创客空间"_s, u"Maker Space"_s})}};
    term.entries.append({cellId, elective});
}

// A middle-school teacher also takes a high-school class in their Thursday B2 cell, in the same room
// with the same course. B2 rings at different times in the two sections, so the teacher's two lessons
// overlap in part.
void Builder::addTeacherCoveringTwoClasses(SchoolTask &term) const
{
    const qint64 cellId = SampleSchool::cellId(4, 2);
    const auto gradeOf = [this](qint64 classId) {
        for (const Homeroom &homeroom : m_homerooms) {
            if (homeroom.id == classId)
                return homeroom.grade;
        }
        return qint64(0);
    };
    const SchoolEntry *middle = singleLesson(term, cellId, [&](qint64 id) { return isMiddle(gradeOf(id)); });
    SchoolEntry *high = singleLesson(term, cellId, [&](qint64 id) { return gradeOf(id) > 8; });
    if (!middle || !high)
        return;
    const SchoolLesson covering = std::get<SchoolLesson>(middle->content);
    auto &covered = std::get<SchoolLesson>(high->content);
    covered.courseId = covering.courseId;
    covered.teacherId = covering.teacherId;
    covered.room = covering.room;
    covered.roomEnglish = covering.roomEnglish;
}

// Clubs meet on Monday and Thursday, the language groups on Friday, and high-school classes have
// evening study twice a week with their Chinese teacher.
QList<SchoolEntry> Builder::activityEntries(const QList<Homeroom> &homerooms,
                                            bool withClubsAndLanguages) const
{
    constexpr qint64 publicType = SampleSchool::publicTimeType;
    QList<SchoolEntry> entries;
    if (withClubsAndLanguages) {
        for (qsizetype i = 0; i < clubs().size(); ++i) {
            const Club &club = clubs().at(i);
            const SchoolLesson meeting =
                lesson(club.course, m_staff.value(club.course), m_clubGroups.at(i), club.room);
            for (const qint64 day : {1, 4})
                entries.append({SampleSchool::cellId(day, SampleSchool::asaRow, publicType), meeting});
        }
        SchoolPackage sfl{u"第二外语"_s, u"Second Foreign Language"_s, std::nullopt, {}};
        for (qsizetype i = 0; i < languages().size(); ++i) {
            const Language &language = languages().at(i);
            sfl.lessons.append(lesson(language.course, m_staff.value(language.course), m_languageGroups.at(i),
                                      language.room));
        }
        entries.append({SampleSchool::cellId(5, SampleSchool::sflRow, publicType), sfl});
    }
    for (const Homeroom &homeroom : homerooms) {
        if (isMiddle(homeroom.grade))
            continue;
        const SchoolLesson study =
            lesson(u"晚自习"_s, teacher(u"晚自习"_s, homeroom.grade), homeroom.id, homeroom.room);
        for (const qint64 day : {homeroom.number, homeroom.number + 2})
            entries.append({SampleSchool::cellId(day, SampleSchool::eveningStudyRow, publicType), study});
    }
    return entries;
}

} // namespace

SchoolData SampleSchool::generate(QDate today)
{
    return Builder(today).build();
}

QList<SchoolPeriod> SampleSchool::periods()
{
    QList<SchoolPeriod> rows;
    // The platform's own clock times; the client keeps to the school's printed bell schedule instead.
    static const QStringList times = {u"08:30"_s, u"09:10"_s, u"09:25"_s, u"10:05"_s, u"10:35"_s,
                                      u"11:15"_s, u"11:30"_s, u"12:10"_s, u"13:05"_s, u"13:45"_s,
                                      u"14:00"_s, u"14:40"_s, u"15:10"_s, u"15:50"_s};
    for (qint64 row = 1; row <= 7; ++row) {
        const QString label = u"B%1"_s.arg(row);
        rows.append({row, teachingTimeType, label, label, times.at(2 * row - 2), times.at(2 * row - 1)});
    }
    rows.append({lunchRow, publicTimeType, u"午休"_s, u"Lunch"_s, u"12:10"_s, u"13:05"_s});
    rows.append({asaRow, publicTimeType, u"ASA"_s, u"ASA"_s, u"16:00"_s, u"17:30"_s});
    rows.append({eveningStudyRow, publicTimeType, u"晚自习"_s, u"Evening Study"_s, u"18:30"_s, u"20:00"_s});
    rows.append({sflRow, publicTimeType, u"SFL"_s, u"SFL"_s, u"16:00"_s, u"17:00"_s});
    return rows;
}

QList<SchoolCell> SampleSchool::cells(const QList<qint64> &dayOrders, const QList<SchoolPeriod> &periods)
{
    QList<SchoolCell> cells;
    for (const qint64 day : dayOrders) {
        for (const SchoolPeriod &period : periods)
            cells.append({cellId(day, period.sectionOrder, period.timeType), day, period.sectionOrder,
                          period.timeType});
    }
    return cells;
}

} // namespace quorvale::demo
