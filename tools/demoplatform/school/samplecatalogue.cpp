#include "tools/demoplatform/school/samplecatalogue.h"

#include <QHash>

namespace quorvale::demo::catalogue {

using namespace Qt::StringLiterals;

const QList<Named> &courses()
{
    static const QList<Named> list = {
        {u"语文"_s, u"Chinese"_s},
        {u"数学"_s, u"Mathematics"_s},
        {u"英语"_s, u"English"_s},
        {u"科学"_s, u"Science"_s},
        {u"物理"_s, u"Physics"_s},
        {u"化学"_s, u"Chemistry"_s},
        {u"生物"_s, u"Biology"_s},
        {u"历史"_s, u"History"_s},
        {u"地理"_s, u"Geography"_s},
        {u"政治"_s, u"Politics"_s},
        {u"道德与法治"_s, u"Ethics and Law"_s},
        {u"体育"_s, u"Physical Education"_s},
        {u"音乐"_s, u"Music"_s},
        {u"美术"_s, u"Fine Arts"_s},
        {u"艺术"_s, u"Art"_s},
        {u"信息技术"_s, u"Information Technology"_s},
        {u"心理健康"_s, u"Mental Health"_s},
        {u"经济学"_s, u"Economics"_s},
        {u"计算机科学"_s, u"Computer Science"_s},
        {u"班会"_s, u"Class Meeting"_s},
        {u"自习"_s, u"Self Study"_s},
        {u"晚自习"_s, u"Evening Study"_s},
        {u"法语"_s, u"French"_s},
        {u"西班牙语"_s, u"Spanish"_s},
        {u"日语"_s, u"Japanese"_s},
        {u"机器人"_s, u"Robotics"_s},
        {u"篮球"_s, u"Basketball"_s},
        {u"合唱"_s, u"Choir"_s},
        {u"戏剧"_s, u"Drama"_s},
        {u"模拟联合国"_s, u"Model UN"_s},
        {u"围棋"_s, u"Go"_s},
        {u"摄影"_s, u"Photography"_s},
        {u"数学建模"_s, u"Math Modelling"_s},
    };
    return list;
}

const QList<Club> &clubs()
{
    static const QList<Club> list = {
        {{u"机器人社"_s, u"Robotics Club"_s}, u"机器人"_s, {u"创客空间"_s, u"Maker Space"_s}},
        {{u"篮球社"_s, u"Basketball Club"_s}, u"篮球"_s, {u"体育馆"_s, u"Gym"_s}},
        {{u"合唱团"_s, u"Choir"_s}, u"合唱"_s, {u"音乐教室"_s, u"Music Room"_s}},
        {{u"戏剧社"_s, u"Drama Club"_s}, u"戏剧"_s, {u"小剧场"_s, u"Black Box Theatre"_s}},
        {{u"模拟联合国"_s, u"Model UN"_s}, u"模拟联合国"_s, {u"E305"_s, {}}},
        {{u"围棋社"_s, u"Go Club"_s}, u"围棋"_s, {u"图书馆"_s, u"Library"_s}},
        {{u"摄影社"_s, u"Photography Club"_s}, u"摄影"_s, {u"美术教室"_s, u"Art Studio"_s}},
        {{u"数学建模社"_s, u"Math Modelling Club"_s}, u"数学建模"_s, {u"E302"_s, {}}},
    };
    return list;
}

const QList<Language> &languages()
{
    static const QList<Language> list = {
        {{u"初中法语组"_s, u"MS French Group"_s},
         u"法语"_s,
         {u"Sophie Martin"_s, u"Sophie Martin"_s},
         {u"语言教室1"_s, u"Language Room 1"_s}},
        {{u"初中西班牙语组"_s, u"MS Spanish Group"_s},
         u"西班牙语"_s,
         {u"Carlos Ruiz"_s, u"Carlos Ruiz"_s},
         {u"语言教室2"_s, u"Language Room 2"_s}},
        {{u"初中日语组"_s, u"MS Japanese Group"_s},
         u"日语"_s,
         {u"田中由纪"_s, u"Yuki Tanaka"_s},
         {u"语言教室3"_s, u"Language Room 3"_s}},
    };
    return list;
}

bool isMiddle(qint64 grade)
{
    return grade <= 8;
}

QString sectionKey(qint64 grade)
{
    return isMiddle(grade) ? u"middle"_s : u"high"_s;
}

QString gradeName(qint64 grade)
{
    static const QStringList numbers = {u"六"_s, u"七"_s, u"八"_s, u"九"_s, u"十"_s, u"十一"_s, u"十二"_s};
    return numbers.at(grade - firstGrade) + u"年级"_s;
}

const QStringList &gradeCourses(qint64 grade)
{
    static const QStringList middle = {u"语文"_s, u"数学"_s, u"英语"_s, u"科学"_s};
    static const QStringList high = {u"语文"_s, u"数学"_s, u"英语"_s, u"物理"_s, u"化学"_s};
    return isMiddle(grade) ? middle : high;
}

const QStringList &sectionCourses(const QString &section)
{
    static const QStringList middle = {u"历史"_s,       u"地理"_s, u"体育"_s, u"信息技术"_s,
                                       u"道德与法治"_s, u"音乐"_s, u"美术"_s};
    static const QStringList high = {u"生物"_s, u"历史"_s,     u"地理"_s,     u"体育"_s,   u"政治"_s,
                                     u"艺术"_s, u"信息技术"_s, u"心理健康"_s, u"经济学"_s, u"计算机科学"_s};
    return section == u"middle"_s ? middle : high;
}

const QList<WeeklyCount> &termPlan(qint64 grade)
{
    static const QList<WeeklyCount> middle = {
        {u"语文"_s, 5}, {u"数学"_s, 5}, {u"英语"_s, 5},     {u"科学"_s, 4},       {u"历史"_s, 2},
        {u"地理"_s, 2}, {u"体育"_s, 2}, {u"信息技术"_s, 1}, {u"道德与法治"_s, 1}, {u"班会"_s, 1},
    };
    static const QList<WeeklyCount> high = {
        {u"语文"_s, 5}, {u"数学"_s, 5}, {u"英语"_s, 5}, {u"物理"_s, 3}, {u"化学"_s, 3},
        {u"生物"_s, 2}, {u"历史"_s, 2}, {u"地理"_s, 2}, {u"体育"_s, 2}, {u"政治"_s, 1},
    };
    return isMiddle(grade) ? middle : high;
}

const QList<WeeklyCount> &mockExamPlan()
{
    static const QList<WeeklyCount> plan = {
        {u"语文"_s, 4}, {u"数学"_s, 4}, {u"英语"_s, 4}, {u"物理"_s, 3}, {u"化学"_s, 3},
        {u"生物"_s, 2}, {u"历史"_s, 2}, {u"地理"_s, 2}, {u"自习"_s, 6},
    };
    return plan;
}

Room roomFor(const QString &course, qint64 grade, const Room &homeroom)
{
    static const QHash<QString, Room> rooms = {
        {u"物理"_s, {u"物理实验室"_s, u"Physics Lab"_s}},
        {u"化学"_s, {u"化学实验室"_s, u"Chemistry Lab"_s}},
        {u"生物"_s, {u"生物实验室"_s, u"Biology Lab"_s}},
        {u"体育"_s, {u"操场"_s, u"Sports Field"_s}},
        {u"信息技术"_s, {u"机房1"_s, u"Computer Lab 1"_s}},
        {u"音乐"_s, {u"音乐教室"_s, u"Music Room"_s}},
        {u"美术"_s, {u"美术教室2"_s, u"Art Studio 2"_s}},
        {u"艺术"_s, {u"美术教室"_s, u"Art Studio"_s}},
        {u"心理健康"_s, {u"报告厅"_s, u"Lecture Hall"_s}},
        {u"经济学"_s, {u"E201"_s, {}}},
        {u"计算机科学"_s, {u"机房2"_s, u"Computer Lab 2"_s}},
    };
    if (course == u"科学"_s)
        return {u"科学实验室%1"_s.arg(grade - 5), u"Science Lab %1"_s.arg(grade - 5)};
    return rooms.value(course, homeroom);
}

} // namespace quorvale::demo::catalogue
