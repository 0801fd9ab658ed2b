#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <optional>
#include <variant>

// The data set behind the demo platform: a school's people, class groups, terms and timetable tasks,
// held in the platform's own terms so that its answers can be built from it directly. Tests build
// small data sets by hand; SampleSchool generates the default one.
namespace quorvale::demo {

// A class group: a homeroom class (type 1, with a grade) or another group students are taught in.
struct SchoolClass
{
    qint64 id = 0;
    QString name;
    QString englishName;
    std::optional<qint64> grade;
    qint64 classType = 1;
    bool operator==(const SchoolClass &) const = default;
};

// A student with every class group the student belongs to. An empty English name is sent as null.
struct SchoolStudent
{
    qint64 id = 0;
    QString name;
    QString englishName;
    QList<qint64> classIds;
    bool operator==(const SchoolStudent &) const = default;
};

struct SchoolTeacher
{
    qint64 id = 0;
    QString name;
    QString englishName;
    bool operator==(const SchoolTeacher &) const = default;
};

struct SchoolCourse
{
    qint64 id = 0;
    QString name;
    QString englishName;
    bool operator==(const SchoolCourse &) const = default;
};

// A term. Its week codes alternate weekly from the first Monday (code 1) through the last day.
struct SchoolSemester
{
    qint64 id = 0;
    QDate firstMonday;
    QDate lastDay;
    bool operator==(const SchoolSemester &) const = default;
};

// A row of the bell grid ("B3", "ASA", ...), known by its section order and time type (1 teaching).
struct SchoolPeriod
{
    qint64 sectionOrder = 0;
    qint64 timeType = 1;
    QString name;
    QString englishName;
    QString startTime;
    QString endTime;
    bool operator==(const SchoolPeriod &) const = default;
};

// A cell of the weekly grid: one row of the bell grid on one day.
struct SchoolCell
{
    qint64 id = 0;
    qint64 dayOrder = 1;
    qint64 sectionOrder = 0;
    qint64 timeType = 1;
    bool operator==(const SchoolCell &) const = default;
};

// One course taught by one teacher to one class group.
struct SchoolLesson
{
    qint64 courseId = 0;
    qint64 teacherId = 0;
    qint64 classId = 0;
    QString room;
    QString roomEnglish;
    // 0 every week, 1 and 2 the alternating weeks; inside a package none takes the package's code.
    std::optional<qint64> weekCode;
    bool operator==(const SchoolLesson &) const = default;
};

// Several lessons in one cell, each for its own group (electives, language groups).
struct SchoolPackage
{
    QString name;
    QString englishName;
    std::optional<qint64> weekCode;
    QList<SchoolLesson> lessons;
    bool operator==(const SchoolPackage &) const = default;
};

// What one cell of a task holds for the groups it names.
struct SchoolEntry
{
    qint64 cellId = 0;
    std::variant<SchoolLesson, SchoolPackage> content;
    bool operator==(const SchoolEntry &) const = default;
    // The lessons of the entry: the lesson itself, or the package's lessons.
    QList<SchoolLesson> lessons() const;
};

// A timetable task: a term timetable with its bell grid and its entries.
struct SchoolTask
{
    qint64 id = 0;
    QString name;
    QString englishName;
    QDate startDate;
    QDate endDate;
    std::optional<bool> isDefault;
    bool inEffect = true;
    qint64 courseTaskType = 1;
    qint64 workRestTableType = 1;
    std::optional<qint64> semesterId;
    QList<qint64> dayOrders;
    QList<SchoolPeriod> periods;
    QList<SchoolCell> cells;
    QList<SchoolEntry> entries;
    bool operator==(const SchoolTask &) const = default;
    bool contains(QDate day) const { return startDate <= day && day <= endDate; }
};

// The account the demo platform accepts at sign-in.
struct DemoAccount
{
    QString name;
    QString password;
    QString displayName;
    bool operator==(const DemoAccount &) const = default;
};

struct SchoolData
{
    qint64 schoolId = 1;
    QString schoolName;
    DemoAccount account;
    QList<SchoolSemester> semesters;
    QList<SchoolTask> tasks;
    QList<SchoolClass> classes;
    QList<SchoolStudent> students;
    QList<SchoolTeacher> teachers;
    QList<SchoolCourse> courses;
    bool operator==(const SchoolData &) const = default;

    const SchoolTask *task(qint64 id) const;
    const SchoolSemester *semester(qint64 id) const;
    // The platform's week code of a day: 1 or 2, or 0 for a day outside the semester.
    static qint64 weekCode(const SchoolSemester &semester, QDate day);
};

} // namespace quorvale::demo
