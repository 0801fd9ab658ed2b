#include "app/look/fontwarmup.h"

#include <fontconfig/fontconfig.h>

namespace quorvale {

FontConfigWarmup::FontConfigWarmup()
    : m_reader([] { FcInit(); })
{}

FontConfigWarmup::~FontConfigWarmup()
{
    wait();
}

void FontConfigWarmup::wait()
{
    if (m_reader.joinable())
        m_reader.join();
}

} // namespace quorvale
