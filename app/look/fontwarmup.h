#pragma once

#include <thread>

// Before the first text can be measured, fontconfig reads the system's font configuration: a few
// milliseconds of XML parsing. Begun at the top of main(), that reading runs while Qt connects to
// the display, and the first window finds it done.
namespace quorvale {

class FontConfigWarmup
{
public:
    FontConfigWarmup();
    ~FontConfigWarmup();
    FontConfigWarmup(const FontConfigWarmup &) = delete;
    FontConfigWarmup &operator=(const FontConfigWarmup &) = delete;

    // Returns once the configuration is read. Called before the first widget measures text, so the
    // main thread does not read it a second time alongside.
    void wait();

private:
    std::thread m_reader;
};

} // namespace quorvale
