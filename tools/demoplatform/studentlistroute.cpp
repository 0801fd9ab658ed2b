#include "tools/demoplatform/studentlistroute.h"

#include "core/base/text.h"
#include "tools/demoplatform/timetableroutes.h"

#include <QJsonArray>
#include <QJsonObject>
#include <algorithm>
#include <limits>

namespace quorvale::demo {

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 largestPageSize = 100;

QJsonValue nullable(const QString &text)
{
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

// One field of the page's field list with its single value.
QJsonObject field(const QString &keyName, const QString &chinese, const QString &plain,
                  const QString &english)
{
    return {{u"keyName"_s, keyName},
            {u"values"_s,
             QJsonArray{QJsonObject{
                 {u"cName"_s, nullable(chinese)}, {u"value"_s, plain}, {u"eName"_s, nullable(english)}}}}};
}

// The platform's section code of a homeroom grade: 2 middle school, 3 high school, 0 otherwise.
qint64 sectionOf(std::optional<qint64> grade)
{
    if (grade && *grade >= 6 && *grade <= 8)
        return 2;
    if (grade && *grade >= 9 && *grade <= 12)
        return 3;
    return 0;
}

QJsonObject item(const SchoolData &data, const SchoolStudent &student)
{
    const auto homeroom = std::find_if(data.classes.cbegin(), data.classes.cend(), [&](const SchoolClass &c) {
        return c.classType == 1 && student.classIds.contains(c.id);
    });
    const bool placed = homeroom != data.classes.cend();
    const SchoolClass group = placed ? *homeroom : SchoolClass{};
    QJsonObject object{
        {u"id"_s, student.id},
        {u"schoolId"_s, data.schoolId},
        {u"studySection"_s, sectionOf(group.grade)},
        {u"fieldList"_s,
         QJsonArray{field(u"name"_s, student.name, student.name, student.englishName),
                    field(u"class"_s, group.name, placed ? QString::number(group.id) : QString(),
                          group.englishName)}}};
    if (placed)
        object.insert(u"classId"_s, group.id);
    return object;
}

std::optional<qint64> integer(const HttpRequest &request, const QString &key, qint64 highest)
{
    const auto value = text::parseInteger(request.query.value(key));
    return value && *value >= 1 && *value <= highest ? value : std::nullopt;
}

HttpResponse studentList(DemoPlatform &platform, const PlatformAnswers &answers, const HttpRequest &request)
{
    if (request.method != "GET")
        return {405, {{"Content-Type", "text/plain"}}, "method not allowed"};
    if (std::optional<HttpResponse> refused = refuseUnlessSignedIn(platform, request))
        return *refused;
    const auto index = integer(request, u"pageIndex"_s, std::numeric_limits<qint32>::max());
    const auto size = integer(request, u"pageSize"_s, largestPageSize);
    if (!index || !size)
        return refusal(PlatformAnswer::refusedState,
                       index ? u"参数错误：pageSize"_s : u"参数错误：pageIndex"_s);
    const SchoolData &data = answers.data();
    QJsonArray list;
    for (qint64 i = (*index - 1) * *size; i < data.students.size() && i < *index * *size; ++i)
        list.append(item(data, data.students.at(i)));
    return envelope(QJsonObject{{u"totalCount"_s, data.students.size()},
                                {u"pageIndex"_s, *index},
                                {u"pageSize"_s, *size},
                                {u"list"_s, list}});
}

} // namespace

void serveStudentList(DemoPlatform &platform, std::shared_ptr<const PlatformAnswers> answers)
{
    platform.route(QString::fromLatin1(studentListPath), [&platform, answers](const HttpRequest &request) {
        return studentList(platform, *answers, request);
    });
}

} // namespace quorvale::demo
