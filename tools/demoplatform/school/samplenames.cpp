#include "tools/demoplatform/school/samplenames.h"

#include <QStringList>

namespace quorvale::demo {

using namespace Qt::StringLiterals;

namespace {

struct Surname
{
    QString hanzi;
    QString pinyin;
    int weight;
};

const QList<Surname> &surnames()
{
    static const QList<Surname> list = {
        {u"王"_s, u"Wang"_s, 6},     {u"李"_s, u"Li"_s, 6},     {u"张"_s, u"Zhang"_s, 6},
        {u"刘"_s, u"Liu"_s, 4},      {u"陈"_s, u"Chen"_s, 4},   {u"杨"_s, u"Yang"_s, 3},
        {u"黄"_s, u"Huang"_s, 3},    {u"赵"_s, u"Zhao"_s, 3},   {u"周"_s, u"Zhou"_s, 3},
        {u"吴"_s, u"Wu"_s, 2},       {u"徐"_s, u"Xu"_s, 2},     {u"孙"_s, u"Sun"_s, 2},
        {u"林"_s, u"Lin"_s, 2},      {u"马"_s, u"Ma"_s, 2},     {u"朱"_s, u"Zhu"_s, 1},
        {u"胡"_s, u"Hu"_s, 1},       {u"郭"_s, u"Guo"_s, 1},    {u"何"_s, u"He"_s, 1},
        {u"高"_s, u"Gao"_s, 1},      {u"罗"_s, u"Luo"_s, 1},    {u"郑"_s, u"Zheng"_s, 1},
        {u"梁"_s, u"Liang"_s, 1},    {u"谢"_s, u"Xie"_s, 1},    {u"宋"_s, u"Song"_s, 1},
        {u"唐"_s, u"Tang"_s, 1},     {u"韩"_s, u"Han"_s, 1},    {u"冯"_s, u"Feng"_s, 1},
        {u"邓"_s, u"Deng"_s, 1},     {u"曹"_s, u"Cao"_s, 1},    {u"彭"_s, u"Peng"_s, 1},
        {u"曾"_s, u"Zeng"_s, 1},     {u"田"_s, u"Tian"_s, 1},   {u"董"_s, u"Dong"_s, 1},
        {u"袁"_s, u"Yuan"_s, 1},     {u"蒋"_s, u"Jiang"_s, 1},  {u"叶"_s, u"Ye"_s, 1},
        {u"欧阳"_s, u"Ouyang"_s, 1}, {u"司马"_s, u"Sima"_s, 1},
    };
    return list;
}

const QString &givenCharacters()
{
    static const QString characters =
        u"子涵浩宇欣怡梓轩一诺思远雨萱俊杰佳琪晨曦嘉若彤明哲逸凡可馨语桐天佑书瑶昊然博文静安悦铭泽乐瑞心妍宸睿朗月舒婷伟豪雅楠"_s;
    return characters;
}

const QStringList &teacherGivenNames()
{
    static const QStringList names = {
        u"建国"_s, u"丽华"_s, u"志强"_s, u"秀英"_s, u"海燕"_s, u"晓东"_s, u"春梅"_s, u"国庆"_s,
        u"文静"_s, u"立新"_s, u"红梅"_s, u"卫东"_s, u"玉兰"_s, u"建华"_s, u"小芳"_s, u"永刚"_s,
        u"慧敏"_s, u"振宇"_s, u"雪梅"_s, u"德明"_s, u"晓燕"_s, u"志华"_s, u"佩琳"_s, u"俊峰"_s,
        u"婉清"_s, u"国华"_s, u"美玲"_s, u"云飞"_s, u"淑芬"_s, u"明轩"_s, u"思敏"_s, u"宏伟"_s,
    };
    return names;
}

const QStringList &englishGivenNames()
{
    static const QStringList names = {
        u"Lucas"_s, u"Emma"_s,   u"Oliver"_s, u"Mia"_s,    u"Ethan"_s, u"Chloe"_s,  u"Leo"_s,     u"Grace"_s,
        u"Ryan"_s,  u"Lily"_s,   u"Kevin"_s,  u"Amy"_s,    u"Jason"_s, u"Sophia"_s, u"Daniel"_s,  u"Ella"_s,
        u"Eric"_s,  u"Hannah"_s, u"Henry"_s,  u"Ivy"_s,    u"Jack"_s,  u"Zoe"_s,    u"Max"_s,     u"Luna"_s,
        u"Owen"_s,  u"Nora"_s,   u"Sam"_s,    u"Ruby"_s,   u"Tony"_s,  u"Alice"_s,  u"Victor"_s,  u"Bella"_s,
        u"Aaron"_s, u"Cindy"_s,  u"Brian"_s,  u"Diana"_s,  u"Felix"_s, u"Fiona"_s,  u"Gavin"_s,   u"Helen"_s,
        u"Ian"_s,   u"Iris"_s,   u"Justin"_s, u"Joy"_s,    u"Kai"_s,   u"Kelly"_s,  u"Louis"_s,   u"Lucy"_s,
        u"Mark"_s,  u"Nancy"_s,  u"Peter"_s,  u"Queena"_s, u"Simon"_s, u"Tina"_s,   u"Vincent"_s, u"Wendy"_s,
    };
    return names;
}

const Surname &weightedSurname(SampleRandom &random)
{
    int total = 0;
    for (const Surname &s : surnames())
        total += s.weight;
    qsizetype roll = random.below(total);
    for (const Surname &s : surnames()) {
        if (roll < s.weight)
            return s;
        roll -= s.weight;
    }
    return surnames().constFirst();
}

} // namespace

SampleName SampleNames::student()
{
    const Surname &surname = weightedSurname(m_random);
    const QString &pool = givenCharacters();
    QString given = pool.at(m_random.below(pool.size()));
    if (m_random.below(4) != 0) {
        QChar second = pool.at(m_random.below(pool.size()));
        while (second == given.at(0))
            second = pool.at(m_random.below(pool.size()));
        given += second;
    }
    const bool hasEnglishName = m_random.below(25) != 0;
    return {surname.hanzi + given,
            hasEnglishName ? m_random.pick(englishGivenNames()) + u' ' + surname.pinyin : QString()};
}

SampleName SampleNames::teacher()
{
    const Surname &surname = weightedSurname(m_random);
    return {surname.hanzi + m_random.pick(teacherGivenNames()),
            m_random.pick(englishGivenNames()) + u' ' + surname.pinyin};
}

} // namespace quorvale::demo
