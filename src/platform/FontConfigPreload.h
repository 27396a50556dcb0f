#pragma once
// Loading the system's font configuration (fontconfig's files and caches) takes a few milliseconds
// that the first window's text waits for.  It starts here on a thread of its own, while the
// application connects to the display, and the program waits for it before it builds a window.

#include <thread>

class TFontConfigPreload {
public:
    TFontConfigPreload(); // starts loading
    ~TFontConfigPreload(); // waits for it
    TFontConfigPreload(const TFontConfigPreload&) = delete;
    TFontConfigPreload& operator=(const TFontConfigPreload&) = delete;

    // Returns once the configuration is loaded; again at once.
    void Wait();

private:
    std::thread thread_;
};
