#include "ShellOpen.h"

#include "AnsiText.h"

#include <QDesktopServices>
#include <QUrl>

int ShellOpen(const std::string& Target)
{
    const QUrl url = QUrl::fromUserInput(AnsiToQString(Target));
    return url.isValid() && QDesktopServices::openUrl(url) ? ShellOpenSucceeded : SE_ERR_NOASSOC;
}
