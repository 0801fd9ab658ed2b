#include "app/look/fontwarmup.h"

#include <QFontDatabase>
#include <QStringList>
#include <fontconfig/fontconfig.h>
#include <sched.h>

namespace quorvale {

FontConfigWarmup::FontConfigWarmup()
{
    // A process that has only just started looks idle to the scheduler, which then starts a new
    // thread on the starting thread's own processor: the two took turns there for milliseconds
    // instead of running side by side. The reader is kept off that processor when there is another.
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    cpu_set_t elsewhere;
    const int here = sched_getcpu();
    if (here >= 0 && sched_getaffinity(0, sizeof elsewhere, &elsewhere) == 0 && CPU_ISSET(here, &elsewhere)) {
        CPU_CLR(here, &elsewhere);
        if (CPU_COUNT(&elsewhere) > 0)
            pthread_attr_setaffinity_np(&attributes, sizeof elsewhere, &elsewhere);
    }
    m_running = pthread_create(&m_reader, &attributes, &FontConfigWarmup::run, this) == 0;
    pthread_attr_destroy(&attributes);
}

FontConfigWarmup::~FontConfigWarmup()
{
    proceed(Next::stop);
    wait();
}

void FontConfigWarmup::applicationReady()
{
    proceed(Next::listFonts);
}

void FontConfigWarmup::wait()
{
    if (m_running) {
        pthread_join(m_reader, nullptr);
        m_running = false;
    }
}

void FontConfigWarmup::proceed(Next next)
{
    {
        const std::lock_guard lock(m_mutex);
        if (m_next != Next::waiting)
            return;
        m_next = next;
    }
    m_told.notify_one();
}

void *FontConfigWarmup::run(void *warmup)
{
    auto *self = static_cast<FontConfigWarmup *>(warmup);
    FcInit();
    std::unique_lock lock(self->m_mutex);
    self->m_told.wait(lock, [self] { return self->m_next != Next::waiting; });
    const bool listFonts = self->m_next == Next::listFonts;
    lock.unlock();
    // Qt's font database may be used from any thread; the first use fills it.
    if (listFonts)
        QFontDatabase::families();
    return nullptr;
}

} // namespace quorvale
