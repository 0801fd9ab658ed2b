#include "app/state/searchsuggestion.h"

#include "core/base/text.h"

namespace quorvale {

namespace {

template <typename... Kinds> struct Visitor : Kinds...
{
    using Kinds::operator()...;
};
// Spelled out for compilers without C++20's deduction for aggregates (clang before 17).
template <typename... Kinds> Visitor(Kinds...) -> Visitor<Kinds...>;

QString englishUnlessRepeated(const QString &name, const QString &englishName)
{
    return englishName == name ? QString() : englishName;
}

} // namespace

QString SearchSuggestion::id() const
{
    const auto tagged = [](const char *prefix, qint64 id) {
        return QLatin1String(prefix) + QString::number(id);
    };
    return std::visit(Visitor{
                          [&](const Student &student) { return tagged("s-", student.id); },
                          [&](const Teacher &teacher) { return tagged("t-", teacher.id); },
                          [&](const CourseOption &course) { return tagged("c-", course.id); },
                          [&](const CourseTaskOption &task) { return tagged("k-", task.id); },
                      },
                      value);
}

QString SearchSuggestion::subtitle() const
{
    return std::visit(
        Visitor{
            [](const Student &student) { return student.className; },
            [](const Teacher &teacher) { return englishUnlessRepeated(teacher.name, teacher.englishName); },
            [](const CourseOption &course) { return englishUnlessRepeated(course.name, course.englishName); },
            [](const CourseTaskOption &task) {
                return text::leadingCharacters(task.startDate, 10) + QStringLiteral(" – ") +
                       text::leadingCharacters(task.endDate, 10);
            },
        },
        value);
}

} // namespace quorvale
