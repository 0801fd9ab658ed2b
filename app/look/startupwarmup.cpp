#include "app/look/startupwarmup.h"

#include <QFontDatabase>
#include <QImageReader>
#include <QStringList>
#include <fontconfig/fontconfig.h>
#include <sched.h>

namespace quorvale {

StartupWarmup::StartupWarmup()
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
    m_running = pthread_create(&m_reader, &attributes, &StartupWarmup::run, this) == 0;
    pthread_attr_destroy(&attributes);
}

StartupWarmup::~StartupWarmup()
{
    finish();
}

void StartupWarmup::finish()
{
    // Left before the application object existed, the reader has nothing more to wait for.
    proceed(Next::stop);
    if (m_running) {
        pthread_join(m_reader, nullptr);
        m_running = false;
    }
}

void StartupWarmup::applicationReady()
{
    proceed(Next::list);
}

void StartupWarmup::waitForFonts()
{
    if (!m_running)
        return;
    std::unique_lock lock(m_mutex);
    m_told.wait(lock, [this] { return m_fontsListed; });
}

void StartupWarmup::proceed(Next next)
{
    {
        const std::lock_guard lock(m_mutex);
        if (m_next != Next::waiting)
            return;
        m_next = next;
    }
    m_told.notify_all();
}

void *StartupWarmup::run(void *warmup)
{
    auto *self = static_cast<StartupWarmup *>(warmup);
    FcInit();
    std::unique_lock lock(self->m_mutex);
    self->m_told.wait(lock, [self] { return self->m_next != Next::waiting; });
    if (self->m_next == Next::stop)
        return nullptr;
    lock.unlock();
    // Qt's font database and its plugin descriptions may be read from any thread; the first reading
    // fills them for all.
    QFontDatabase::families();
    lock.lock();
    self->m_fontsListed = true;
    lock.unlock();
    self->m_told.notify_all();
    QImageReader::supportedImageFormats();
    return nullptr;
}

} // namespace quorvale
