#pragma once

#include "tools/demoplatform/school/samplerandom.h"

#include <QString>

namespace quorvale::demo {

struct SampleName
{
    QString name;
    QString englishName;
};

// Chinese names with English names in the school's habit: an English given name followed by the
// pinyin of the surname. Common surnames come up often, so a search by surname finds several people.
class SampleNames
{
public:
    explicit SampleNames(SampleRandom &random)
        : m_random(random)
    {}

    // A student; about one in twenty-five has no English name.
    SampleName student();
    SampleName teacher();

private:
    SampleRandom &m_random;
};

} // namespace quorvale::demo
