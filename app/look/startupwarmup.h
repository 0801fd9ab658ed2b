#pragma once

#include <condition_variable>
#include <mutex>
#include <pthread.h>

// Work the first window needs that one reading serves for the whole process, done on a thread of its
// own while the main thread connects to the display and builds the model. Before the first text can
// be measured, fontconfig reads the system's font configuration and Qt lists the installed fonts:
// several milliseconds. Before the first icon is read, Qt reads the description of every image format
// plugin: a millisecond more, which the menu bar's first icon would otherwise wait for. The reading
// begins at the top of main(), the listings once the application object exists.
namespace quorvale {

class StartupWarmup
{
public:
    StartupWarmup();
    ~StartupWarmup();
    StartupWarmup(const StartupWarmup &) = delete;
    StartupWarmup &operator=(const StartupWarmup &) = delete;

    // Called once the application object exists: Qt's font list and its image formats may be read
    // from then on.
    void applicationReady();
    // Returns once the fonts are listed; called after applicationReady() and before the first widget
    // measures text, so the main thread does not do the same work alongside. An icon read before the
    // formats are listed waits for the listing in Qt rather than repeating it.
    void waitForFonts();
    // Returns once everything is read; called before the application object goes, which the reading
    // uses. The destructor calls it too.
    void finish();

private:
    enum class Next { waiting, list, stop };

    static void *run(void *warmup);
    void proceed(Next next);

    pthread_t m_reader{};
    bool m_running = false;
    std::mutex m_mutex;
    std::condition_variable m_told;
    Next m_next = Next::waiting;
    bool m_fontsListed = false;
};

} // namespace quorvale
