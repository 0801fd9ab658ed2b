#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>
#include <optional>

namespace quorvale {

// Who a search looks for.
enum class QueryKind
{
    Student,
    Teacher,
};

// How teachers are searched: by their own name or by a course they teach.
enum class TeacherSearchKind
{
    Name,
    Course,
};

// Which list the suggestion panel shows.
enum class SuggestionStage
{
    // Students or teachers.
    People,
    Courses,
    // Timetable tasks to choose from.
    Tasks,
};

// The picker texts: "学生" and "老师".
QString displayText(QueryKind kind);
// The picker texts: "按姓名" and "按课程".
QString displayText(TeacherSearchKind kind);

// The kind whose picker text this is; none for any other text.
std::optional<QueryKind> queryKindFromText(const QString &text);
std::optional<TeacherSearchKind> teacherSearchKindFromText(const QString &text);

// Every kind, in picker order.
QList<QueryKind> allQueryKinds();
QList<TeacherSearchKind> allTeacherSearchKinds();

// Hashed by picker text, so a kind hashes like the text it is rebuilt from.
size_t qHash(QueryKind kind, size_t seed = 0);
size_t qHash(TeacherSearchKind kind, size_t seed = 0);

} // namespace quorvale
