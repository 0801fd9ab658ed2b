#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// What the sample school is made of: its courses, clubs and language groups, who teaches what,
// how many lessons a week each course has and where it is taught.
namespace quorvale::demo::catalogue {

constexpr qint64 firstGrade = 6;
constexpr qint64 lastGrade = 12;

struct Named
{
    QString name;
    QString english;
};

using Room = Named;

// An after-school club: its group, the course it meets for and its room.
struct Club
{
    Named group;
    QString course;
    Room room;
};

// A second-language group of the middle section and its teacher.
struct Language
{
    Named group;
    QString course;
    Named teacher;
    Room room;
};

// How many lessons of a course a class has each week.
struct WeeklyCount
{
    QString course;
    int perWeek;
};

// Every course of the school, in the order of their ids.
const QList<Named> &courses();
const QList<Club> &clubs();
const QList<Language> &languages();

bool isMiddle(qint64 grade);
// "middle" or "high".
QString sectionKey(qint64 grade);
// "六年级" for grade 6.
QString gradeName(qint64 grade);
// Courses taught by one teacher per grade; every other course has one teacher per section.
const QStringList &gradeCourses(qint64 grade);
const QStringList &sectionCourses(const QString &section);
// Weekly lessons of one class that the planner places freely.
const QList<WeeklyCount> &termPlan(qint64 grade);
const QList<WeeklyCount> &mockExamPlan();
// Where a class has a course: a special room, else its own.
Room roomFor(const QString &course, qint64 grade, const Room &homeroom);

} // namespace quorvale::demo::catalogue
