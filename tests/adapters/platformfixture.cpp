#include "platformfixture.h"

#include "core/base/shanghai.h"
#include "core/model/calendar.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

namespace quorvale::fixtures {

namespace {

QJsonValue parseValue(const QString &text)
{
    return QJsonDocument::fromJson(QStringLiteral("[%1]").arg(text).toUtf8()).array().at(0);
}

QJsonValue edit(const QJsonValue &node, QStringList path, const std::optional<QJsonValue> &value)
{
    if (path.isEmpty())
        return value.value_or(QJsonValue(QJsonValue::Undefined));
    const QString head = path.takeFirst();
    if (node.isArray()) {
        QJsonArray array = node.toArray();
        const qsizetype index = head.toInt();
        if (path.isEmpty() && !value) {
            array.removeAt(index);
            return array;
        }
        if (index == array.size())
            array.append(QJsonValue());
        array[index] = edit(array.at(index), path, value);
        return array;
    }
    QJsonObject object = node.toObject();
    if (path.isEmpty() && !value) {
        object.remove(head);
        return object;
    }
    object[head] = edit(object.value(head), path, value);
    return object;
}

QJsonObject course(int coordId, const QString &name, const QString &extra = {})
{
    QJsonObject object = parseValue(QStringLiteral("{%1}").arg(extra)).toObject();
    object.insert(QStringLiteral("coordId"), coordId);
    object.insert(QStringLiteral("name"), name);
    return object;
}

QJsonObject master()
{
    QJsonArray list;
    for (int day = 1; day <= 7; ++day) {
        for (int section = 1; section <= 10; ++section) {
            const int timeType = section == 8 || section == 9 ? 2 : 1;
            list.append(QJsonObject{{"id", day * 100 + section},
                                    {"dayOrder", day},
                                    {"sectionOrder", section},
                                    {"timeType", timeType}});
        }
    }
    const QJsonValue templates = parseValue(
        R"([{"sectionOrder": 1, "timeType": 1, "name": "B1", "eName": "B1"},
            {"sectionOrder": 2, "timeType": 1, "name": "B2", "eName": "B2"},
            {"sectionOrder": 3, "timeType": 1, "name": "B3", "eName": "B3"},
            {"sectionOrder": 4, "timeType": 1, "name": "B4", "eName": "B4"},
            {"sectionOrder": 5, "timeType": 1, "name": "B5", "eName": "B5"},
            {"sectionOrder": 6, "timeType": 1, "name": "B6", "eName": "B6"},
            {"sectionOrder": 7, "timeType": 1, "name": "B7", "eName": "B7"},
            {"sectionOrder": 8, "timeType": 2, "name": "ASA", "eName": "Activities"},
            {"sectionOrder": 9, "timeType": 2, "name": "晚自习", "eName": null},
            {"sectionOrder": 10, "timeType": 1, "name": "B8"}])");
    return {{"dayOrders", QJsonArray{1, 2, 3, 4, 5, 6, 7}}, {"list", list}, {"template", templates}};
}

QJsonObject tables(const QJsonArray &tableList)
{
    return {{"totalCount", tableList.size()}, {"list", tableList}};
}

} // namespace

QDateTime at(const QString &day, const QString &clock)
{
    return shanghai::at(Engine::day(day).value(), Engine::minutes(clock).value());
}

CourseTaskOption task()
{
    return {7, QStringLiteral("2024-2025 春季"), std::nullopt, "2025-02-17", "2025-07-06", true};
}

Student student(qint64 studySection)
{
    return {kStudentId,  QStringLiteral("王小明"), QStringLiteral("Xiaoming Wang"),
            31,          QStringLiteral("G10A"),   9,
            studySection};
}

Teacher teacher()
{
    return {kTeacherId, QStringLiteral("陈老师"), QStringLiteral("Ms Chen")};
}

Bodies &Bodies::apply(const QString &edits)
{
    for (const QString &one : edits.split(u';', Qt::SkipEmptyParts)) {
        const bool remove = one.startsWith(u'!');
        const QString target = remove ? one.mid(1) : one.left(one.indexOf(u'='));
        const qsizetype colon = target.indexOf(u':');
        const QString body = target.left(colon);
        const QStringList path = target.mid(colon + 1).split(u'/', Qt::SkipEmptyParts);
        const std::optional<QJsonValue> value =
            remove ? std::nullopt : std::optional(parseValue(one.mid(one.indexOf(u'=') + 1)));
        QJsonValue &root = body == QLatin1String("detail")   ? detail
                           : body == QLatin1String("master") ? master
                                                             : tables;
        root = edit(root, path, value);
    }
    return *this;
}

Bodies studentBodies()
{
    const QJsonArray own{
        course(101, "数学", R"("eName": "Math", "playgroundName": "A101")"),
        course(
            103, "选修",
            R"("objectType": 2, "courses": [{"name": "物理", "playgroundName": " Lab 1 ", "className": "物理A"},
                  {"name": " ", "eName": "Chemistry", "singleDoubleSet": 2}])"),
        course(105, "英语", R"("singleDoubleSet": 0, "playgroundName": "", "playgroundEName": "Room 5")"),
        course(108, "篮球社", R"("className": "社团", "playgroundName": "Gym")"),
        course(109, "晚自习"),
        course(202, "语文"),
        course(204, "历史", R"("singleDoubleSet": 1)"),
    };
    // Another student's week-bound Wednesday course and cell-less course concern nobody else.
    const QJsonArray other{course(301, "美术", R"("singleDoubleSet": 1)"), QJsonObject{{"name", "无坐标"}}};
    return {QJsonObject{{"id", 7}, {"workRestTableType", 1}, {"isTakeEffect", true}}, master(),
            tables({QJsonObject{{"objectId", kStudentId}, {"classCourseTimeTable", own}},
                    QJsonObject{{"objectId", 1002}, {"classCourseTimeTable", other}}})};
}

Bodies teacherBodies()
{
    const QJsonArray own{
        course(101, "数学", R"("classId": 11, "className": "7A", "playgroundName": "A101")"),
        course(102, "数学", R"("classId": 12, "className": "8B", "playgroundName": "A101")"),
        course(103, "数学", R"("classId": 12, "classEName": "8B")"),
        course(104, "物理包", R"("objectType": 2, "classId": 13, "className": "9C",
                                 "courses": [{"name": "物理", "playgroundName": "Lab"}])"),
        course(108, "篮球社"),
        course(109, "晚自习"),
        course(202, "数学", R"("singleDoubleSet": 1, "classId": 11)"),
    };
    return {QJsonObject{{"id", 7}, {"workRestTableType", 1}}, master(),
            tables({QJsonObject{{"objectId", kTeacherId}, {"classCourseTimeTable", own}}})};
}

} // namespace quorvale::fixtures
