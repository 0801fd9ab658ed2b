#pragma once

#include "tools/demoplatform/school/schooldata.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <optional>

// A small school: three students in three homeroom classes and a language group, one term.
namespace quorvale::testing::smallschool {

constexpr qint64 schoolId = 7;
constexpr qint64 semesterId = 3;

constexpr qint64 liLei = 11;     // 七年级(1)班, G7
constexpr qint64 hanMeimei = 12; // 八年级(2)班, G8
constexpr qint64 liHua = 13;     // 十年级(1)班, G10, and the French group
constexpr qint64 grade7 = 701;
constexpr qint64 grade8 = 702;
constexpr qint64 grade10 = 1001;
constexpr qint64 french = 901;

// The week the tests look at: teaching week 3 of the term, an odd week (code 1).
inline QDate monday()
{
    return {2025, 3, 3};
}

demo::SchoolData school();

// A task over the given days whose grid holds, for each class listed: 数学 on Monday B1 every week,
// 音乐 in odd and 美术 in even weeks on Monday B2, Wednesday B3 and Friday B2, and 英语 on Thursday B1.
demo::SchoolTask task(qint64 id, QDate start, QDate end, std::optional<bool> isDefault,
                      const QList<qint64> &classIds);

demo::SchoolTask term(qint64 id, std::optional<bool> isDefault, const QList<qint64> &classIds);

struct TaskSpec
{
    qint64 id;
    std::optional<bool> isDefault;
    QList<qint64> classes;
    bool inEffect = true;
    qint64 courseTaskType = 1;
};

// The school with a term task for each row.
demo::SchoolData schoolWith(const QList<TaskSpec> &specs);

// A Shanghai day and clock time as a moment.
QDateTime at(QDate day, int hour, int minute);

} // namespace quorvale::testing::smallschool
