#pragma once

#include <condition_variable>
#include <mutex>
#include <pthread.h>

// Before the first text can be measured, fontconfig reads the system's font configuration and Qt
// lists the installed fonts: several milliseconds. Begun at the top of main(), the reading runs
// while Qt connects to the display, the listing as soon as the application object exists, and the
// first window finds both done.
namespace quorvale {

class FontConfigWarmup
{
public:
    FontConfigWarmup();
    ~FontConfigWarmup();
    FontConfigWarmup(const FontConfigWarmup &) = delete;
    FontConfigWarmup &operator=(const FontConfigWarmup &) = delete;

    // Called once the application object exists: Qt's font list may be filled from then on.
    void applicationReady();
    // Returns once both are done. Called before the first widget measures text, so the main thread
    // does not do the same work alongside.
    void wait();

private:
    enum class Next { waiting, listFonts, stop };

    static void *run(void *warmup);
    void proceed(Next next);

    pthread_t m_reader{};
    bool m_running = false;
    std::mutex m_mutex;
    std::condition_variable m_told;
    Next m_next = Next::waiting;
};

} // namespace quorvale
