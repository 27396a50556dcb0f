#include "FontConfigPreload.h"

#include <fontconfig/fontconfig.h>

// fontconfig loads its configuration once per process and safely from any thread; a second
// caller meanwhile would load it again, so the program waits for this one first.
TFontConfigPreload::TFontConfigPreload() : thread_([] { FcInit(); }) {}

TFontConfigPreload::~TFontConfigPreload() { Wait(); }

void TFontConfigPreload::Wait()
{
    if (thread_.joinable())
        thread_.join();
}
