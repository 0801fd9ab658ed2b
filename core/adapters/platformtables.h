#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// The platform's timetable bodies (task detail, timetable master, per-person tables) as read by the
// translators. Each translator decodes only the members it uses, so a malformed member that one of
// them ignores does not refuse the body for that one. Decoding failures throw DecodingError.
namespace quorvale::platform {

enum class Reader
{
    Student,
    Teacher,
    Week
};

struct Detail
{
    std::optional<qint64> id;
    qint64 workRestTableType = 0;
};

// One cell of the weekly grid.
struct Coordinate
{
    qint64 id = 0;
    qint64 dayOrder = 0;
    qint64 sectionOrder = 0;
    qint64 timeType = 0;
};

// The label of a slot row; a coordinate finds its template by sectionOrder and timeType.
struct Template
{
    qint64 sectionOrder = 0;
    qint64 timeType = 0;
    std::optional<QString> name;
    std::optional<QString> eName;
};

struct Master
{
    // Not read by the week builder.
    QList<qint64> dayOrders;
    QList<Coordinate> list;
    QList<Template> templates;
};

// A placed course, or a package (objectType 2) of the courses it bundles, to any depth.
struct Course
{
    std::optional<qint64> coordId;
    std::optional<qint64> objectType;
    std::optional<QString> name;
    std::optional<QString> eName;
    std::optional<qint64> classId;
    std::optional<QString> className;
    std::optional<QString> classEName;
    std::optional<QString> playgroundName;
    std::optional<QString> playgroundEName;
    std::optional<qint64> singleDoubleSet;
    std::optional<std::vector<Course>> courses;
};

// The courses of one person (student or teacher) for the whole week.
struct ObjectTable
{
    qint64 objectId = 0;
    std::vector<Course> classCourseTimeTable;
};

struct Tables
{
    qint64 totalCount = 0;
    std::vector<ObjectTable> list;
};

// The three bodies of a task decoded once for every translator, so that a lookup hands one reading
// to every day and check. Each translator reads only its own members, so whether the bodies decode
// is kept per translator: a member that one of them ignores does not refuse the bodies for that one.
struct TaskBodies
{
    // None when the detail does not decode.
    std::optional<Detail> detail;
    Master master;
    Tables tables;
    // The master's coordinates by id (see coordinatesById).
    QHash<qint64, Coordinate> coordinates;

    // Whether the master and tables decode as the reader reads them (the detail is asked apart).
    bool decodesFor(Reader reader) const;

    static TaskBodies decoded(const QByteArray &detailData, const QByteArray &masterData,
                              const QByteArray &tablesData);

private:
    bool m_masterDecodes = false;
    bool m_dayOrdersDecode = false;
    bool m_tablesDecode = false;
    bool m_classIdsDecode = true;
    bool m_classNamesDecode = true;
};

// The day plan names weekdays 1–7 only and places every cell on one of them.
bool dayPlanIsComplete(const Master &master);
// Coordinates by id; a repeated id keeps the last one, so callers check uniqueness first.
QHash<qint64, Coordinate> coordinatesById(const Master &master);
// The one template of a coordinate's slot row; none when no template or several match.
std::optional<Template> uniqueTemplate(const Master &master, const Coordinate &coordinate);
// The tables that belong to one person.
QList<const ObjectTable *> tablesOf(const Tables &tables, qint64 objectId);

// A key that is equal exactly when the texts are: Base64 of their compact JSON array.
QString textKey(const QStringList &texts);

// Throws DemoError with the text.
[[noreturn]] void refuse(const QString &text);

// The first of a Chinese text and its English companion that is not blank, trimmed.
std::optional<QString> firstText(const std::optional<QString> &first, const std::optional<QString> &second);

} // namespace quorvale::platform
