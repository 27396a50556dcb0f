// Uses a unit of every layer of the included project and checks what the build laid out for its
// program; prints what it found and exits with 1 when something is missing.
#include "AnsiText.h"
#include "StrFuncs.h"
#include "fBaseForm.h"
#include "fMain.h"

#include <QApplication>
#include <QFileInfo>
#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    int failures = 0;
    const auto check = [&](bool ok, const char* what) {
        std::printf("%s: %s\n", ok ? "ok" : "MISSING", what);
        failures += ok ? 0 : 1;
    };
    check(AnsiToQString("Zo\xEBl") == QString::fromUtf8("Zo\u00EBl"), "files: text conversion");
    check(PadLeft("7", 3, '0') == "007", "shared: string routines");
    {
        auto frmMain = TBaseForm::Create<TfrmMain>();
        check(frmMain->windowTitle().startsWith("Zorvandel"), "app: the main window");
    }
    check(QFileInfo(ZORVANDEL_PROGRAM).isExecutable(), "the program file");
    check(QFileInfo(QStringLiteral(ZORVANDEL_FORMS_DIR "ZV/ZV_FORMS.DAT")).isFile(), "the forms catalogue beside it");
    check(QFileInfo(QStringLiteral(ZORVANDEL_FORMS_DIR "H1a.rtf")).isFile(), "the report texts beside it");
    return failures == 0 ? 0 : 1;
}
