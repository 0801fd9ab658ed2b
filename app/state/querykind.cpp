#include "app/state/querykind.h"

#include <QHashFunctions>

namespace quorvale {

namespace {

template <typename Kind> std::optional<Kind> kindFromText(const QList<Kind> &kinds, const QString &text)
{
    for (const Kind kind : kinds) {
        if (displayText(kind) == text)
            return kind;
    }
    return std::nullopt;
}

} // namespace

QString displayText(QueryKind kind)
{
    return kind == QueryKind::Student ? QStringLiteral("学生") : QStringLiteral("老师");
}

QString displayText(TeacherSearchKind kind)
{
    return kind == TeacherSearchKind::Name ? QStringLiteral("按姓名") : QStringLiteral("按课程");
}

std::optional<QueryKind> queryKindFromText(const QString &text)
{
    return kindFromText(allQueryKinds(), text);
}

std::optional<TeacherSearchKind> teacherSearchKindFromText(const QString &text)
{
    return kindFromText(allTeacherSearchKinds(), text);
}

QList<QueryKind> allQueryKinds()
{
    return {QueryKind::Student, QueryKind::Teacher};
}

QList<TeacherSearchKind> allTeacherSearchKinds()
{
    return {TeacherSearchKind::Name, TeacherSearchKind::Course};
}

size_t qHash(QueryKind kind, size_t seed)
{
    return ::qHash(displayText(kind), seed);
}

size_t qHash(TeacherSearchKind kind, size_t seed)
{
    return ::qHash(displayText(kind), seed);
}

} // namespace quorvale
