#include "ExtraFields.h"

#include "AnsiText.h"
#include "Exceptions.h"
#include "FolderLock.h"
#include "IniFile.h"
#include "IntText.h"
#include "NameValueLines.h"
#include "RegistryStore.h"
#include "RegularFile.h"
#include "SafeFileWriter.h"
#include "StrFuncs.h"
#include "fExtraFields.h"
#include "uGlobals.h"
#include "uZVGlobals.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <chrono>
#include <optional>
#include <thread>

namespace {

std::string TodayText(const char* pattern)
{
    const QDate today = QDate::currentDate();
    return QStringToAnsi(today.toString(QString::fromLatin1(pattern)));
}

} // namespace

std::string FieldOption(const std::string& Key)
{
    const std::size_t open = Key.find('(');
    const std::size_t close = Key.find(')');
    if (open == std::string::npos || close == std::string::npos || close < open)
        return {};
    return UpperStr(Key.substr(open + 1, close - open - 1));
}

namespace {

const char* const VarsSection = "Vars";

std::string InitialText(const std::string& key, const TIniFile& vars)
{
    const std::string option = FieldOption(key);
    if (option == "NOSTORE")
        return {};
    if (option != "AUTONUM")
        return vars.ReadString(VarsSection, key, "");
    try {
        const std::string stored = vars.ReadString(VarsSection, key, "");
        return stored.empty() ? "1" : std::to_string(static_cast<long long>(StrToInt(stored)) + 1);
    } catch (const std::exception&) {
        return {};
    }
}

} // namespace

std::vector<TExtraField> ExtraFieldsFor(const std::vector<std::string>& Fields, const QString& FormVarsFile)
{
    const TIniFile vars(FormVarsFile);
    std::vector<TExtraField> result;
    for (const std::string& line : Fields) {
        TExtraField field;
        field.Key = NameOf(line).value_or("");
        field.Prompt = ValueOf(line);
        field.Initial = InitialText(field.Key, vars);
        result.push_back(std::move(field));
    }
    return result;
}

void StoreExtraFieldValues(std::vector<std::string>& Fields, const std::vector<std::string>& Texts,
                           const QString& FormVarsFile)
{
    TIniFile vars(FormVarsFile);
    vars.Update([&] { // one write for all fields
        for (std::size_t i = 0; i < Fields.size() && i < Texts.size(); ++i) {
            const std::string key = NameOf(Fields[i]).value_or("");
            if (Texts[i].empty()) {
                Fields[i] = key + "=";
            } else {
                const int first = IndexOfName(Fields, key);
                Fields[std::size_t(first < 0 ? int(i) : first)] = key + "=" + Texts[i];
            }
            vars.WriteString(VarsSection, key, Texts[i]);
        }
    });
}

TExtraFieldsGeometry ExtraFieldsGeometry(int FieldCount, int WidestPrompt, const TFrameExtents& Frame, QSize Screen,
                                         int ScrollBarWidth)
{
    using G = TExtraFieldsGeometry;
    constexpr int LayoutEditLeft = 170;
    constexpr int PromptGap = 6;
    constexpr int ButtonSpace = 38;  // from the buttons' bottom to the outer bottom edge
    constexpr int LeastMargin = 8;   // below the buttons, whatever the frame
    G g;
    g.EditLeft = std::max(LayoutEditLeft, G::LabelLeft + WidestPrompt + PromptGap);
    g.Width += g.EditLeft - LayoutEditLeft;
    if (g.Width > Screen.width() && g.EditLeft > LayoutEditLeft) {
        g.EditLeft = std::max(LayoutEditLeft, g.EditLeft - (g.Width - Screen.width()));
        g.Width = 400 + g.EditLeft - LayoutEditLeft;
    }
    g.Height = 25 * FieldCount + 78;
    g.ContentHeight = 25 * FieldCount + 4;
    const int maxHeight = std::max(Screen.height(), 25 * 4 + 78);
    if (g.Height > maxHeight) {
        g.Scrolls = true;
        g.Height = maxHeight;
        g.Width += ScrollBarWidth;
    }
    const QSize client = ClientSizeFor({g.Width, g.Height}, Frame);
    g.ClientWidth = client.width();
    g.ClientHeight = client.height();
    g.ButtonTop = std::min(g.Height - G::ButtonHeight - ButtonSpace, g.ClientHeight - G::ButtonHeight - LeastMargin);
    g.AreaHeight = g.ButtonTop - 4;
    g.OkLeft = g.Width / 2 - 90;
    g.CancelLeft = g.Width / 2 + 5;
    return g;
}

QString FormVarsFileName()
{
    const QString shipped = FormsDir + "FORMVARS.INI";
    const QFileInfo folder(QDir(FormsDir).absolutePath());
    const QFileInfo file(shipped);
    if (folder.isWritable() && (!file.exists() || file.isWritable()))
        return shipped;
    const QString own = QFileInfo(RegistryStore::FileName(HKEY_CURRENT_USER)).absolutePath() + "/FORMVARS.INI";
    if (!QFileInfo::exists(own)) {
        QDir().mkpath(QFileInfo(own).absolutePath());
        // The user's alone from its first byte, as every later write keeps it: the shipped text
        // (only a regular file is read), or none.  Without it the first write starts the file anew.
        try {
            std::string text;
            try {
                text = ReadRegularFile(QFile::encodeName(shipped).toStdString(), MaxIniBytes);
            } catch (const EInOutError&) {
            }
            ReplacePrivateFile(QFile::encodeName(own).toStdString(), text);
        } catch (const std::exception&) {
        }
    }
    return own;
}

const char* const AnotherFormText = "Er wordt al een formulier gemaakt door een ander exemplaar van het programma. "
                                    "Probeer het opnieuw wanneer dat formulier klaar is.";

int AskExtraFieldValues(std::vector<std::string>& Fields, const QString& FormVarsFile, const TAskExtraFields& Ask)
{
    const std::string folder = QFile::encodeName(QFileInfo(FormVarsFile).absolutePath()).toStdString();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(FormVarsWaitMilliseconds);
    std::optional<TFolderLock> lock;
    while (lock.emplace(folder, TFolderLock::TWait::DontWait).Busy()) {
        if (std::chrono::steady_clock::now() >= deadline)
            throw Exception(AnotherFormText);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    TIniFile vars(FormVarsFile);
    vars.CheckFormat(PathInMessage(FormVarsFile)); // a damaged file is neither used nor overwritten
    vars.WriteString("General", "dtKlanten", TodayText("dd-MM-yy"));
    const std::optional<std::vector<std::string>> texts = Ask(ExtraFieldsFor(Fields, FormVarsFile));
    if (!texts)
        return 2;
    StoreExtraFieldValues(Fields, *texts, FormVarsFile);
    return 1;
}

int GetNewVarValues(std::vector<std::string>& Fields)
{
    return GuardedPlain("GetNewVarValues: ", [&] {
        return AskExtraFieldValues(Fields, FormVarsFileName(),
                                   [](const std::vector<TExtraField>& fields) -> std::optional<std::vector<std::string>> {
                                       TdlgExtraFields dialog(fields);
                                       if (dialog.exec() != 1)
                                           return std::nullopt;
                                       return dialog.Texts();
                                   });
    });
}
