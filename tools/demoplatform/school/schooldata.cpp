#include "tools/demoplatform/school/schooldata.h"

#include <algorithm>

namespace quorvale::demo {

QList<SchoolLesson> SchoolEntry::lessons() const
{
    if (const auto *package = std::get_if<SchoolPackage>(&content))
        return package->lessons;
    return {std::get<SchoolLesson>(content)};
}

const SchoolTask *SchoolData::task(qint64 id) const
{
    const auto found =
        std::find_if(tasks.cbegin(), tasks.cend(), [id](const SchoolTask &t) { return t.id == id; });
    return found == tasks.cend() ? nullptr : &*found;
}

const SchoolSemester *SchoolData::semester(qint64 id) const
{
    const auto found = std::find_if(semesters.cbegin(), semesters.cend(),
                                    [id](const SchoolSemester &s) { return s.id == id; });
    return found == semesters.cend() ? nullptr : &*found;
}

qint64 SchoolData::weekCode(const SchoolSemester &semester, QDate day)
{
    if (!day.isValid() || day < semester.firstMonday || day > semester.lastDay)
        return 0;
    return (semester.firstMonday.daysTo(day) / 7) % 2 == 0 ? 1 : 2;
}

} // namespace quorvale::demo
