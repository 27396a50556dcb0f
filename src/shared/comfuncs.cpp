#include "comfuncs.h"

#include "AnsiText.h"
#include "Exceptions.h"
#include "RegistryStore.h"
#include "ShellOpen.h"
#include "StrFuncs.h"

#include <QFileInfo>
#include <QProcess>
#include <array>

// The program's own version block; the program reads it back from its file at start-up.
[[gnu::used]] static const char ProgramVersionBlock[] =
    ZORVANDEL_VERSION_BLOCK_MAGIC
    "\\FileInfo\\ProductVersion=" ZORVANDEL_VERSION ".1\n"
    "\\FileInfo\\FileOS=0x00000000\n"
    "\\FileInfo\\FileType=0x00000001\n"
    "\\StringFileInfo\\041304E4\\Comments=Kandidatenlijst voor de verkiezingen\n"
    "\\StringFileInfo\\041304E4\\CompanyName=Zorvandel\n"
    "\\StringFileInfo\\041304E4\\FileDescription=Zorvandel module\n"
    "\\StringFileInfo\\041304E4\\InternalName=Zorvandel\n"
    "\\StringFileInfo\\041304E4\\LegalCopyright=Zorvandel\n"
    "\\StringFileInfo\\041304E4\\OriginalFileName=Zorvandel\n"
    "\\StringFileInfo\\041304E4\\ProductName=Zorvandel\n"
    ZORVANDEL_VERSION_BLOCK_END;

std::vector<std::string> VersionInfoList = [] {
    std::vector<std::string> list;
    try {
        GetVersionInfo(DLLFullFileName(), list);
    } catch (const std::exception&) {
        // No version information: the list stays as far as it got.
    }
    return list;
}();

namespace {

// The program registered for ".htm" files; throws when none is registered or it does not exist.
std::string RegisteredBrowser()
{
    RegistryStore reg(HKEY_CLASSES_ROOT);
    std::string fileClass;
    if (reg.OpenKeyReadOnly("\\.htm"))
        fileClass = reg.ReadString("");
    std::string command;
    if (!fileClass.empty() && reg.OpenKeyReadOnly("\\" + fileClass + "\\shell\\open\\command"))
        command = reg.ReadString("");

    const std::size_t blank = command.find(' ');
    if (blank == std::string::npos)
        throw Exception("length is 0");
    const std::string program = StripQuotes(command.substr(0, blank));
    if (!QFileInfo(AnsiToQString(program)).isFile())
        throw Exception("Application does not exists.");
    return program;
}

// The value of the first "Name=value" line for Name; "" when there is none.
std::string ValueOf(const std::vector<std::string>& list, const std::string& name)
{
    for (const std::string& line : list)
        if (line.size() > name.size() && line.compare(0, name.size(), name) == 0 && line[name.size()] == '=')
            return line.substr(name.size() + 1);
    return {};
}

struct StringKey {
    const char* Key;
    const char* Label;
};
constexpr std::array<StringKey, 10> StringKeys = {{
    {"Comments", "Comments="},
    {"CompanyName", "Company Name="},
    {"FileDescription", "Description="},
    {"InternalName", "Internal Name="},
    {"LegalCopyright", "Copyright="},
    {"LegalTradeMarks", "Legal Trademarks="},
    {"OriginalFileName", "Original Filename="},
    {"PrivateBuild", "Private Build="},
    {"ProductName", "Product Name="},
    {"SpecialBuild", "Special Build="},
}};

} // namespace

int OpenInBrowser(const std::string& Target, QWidget* Window)
{
    return OpenInBrowser(Target, Window, [](const std::string& target, QWidget*) { return ShellOpen(target); });
}

int OpenInBrowser(const std::string& Target, QWidget* Window, const TShellOpen& Fallback)
{
    try {
        const std::string program = RegisteredBrowser();
        // The address goes over as one argument, so blanks in it cannot split it.
        if (!QProcess::startDetached(AnsiToQString(program), {AnsiToQString(Target)}))
            throw Exception("Could not start process.");
        return 0;
    } catch (const std::exception&) {
        return Fallback(Target, Window);
    }
}

void GetVersionInfo(const QString& FileName, std::vector<std::string>& List)
{
    const std::optional<TVersionData> data = ReadVersionBlock(FileName);
    if (!data)
        throw Exception("The file does not contain any valid version information.");
    ReadVersionStrings(*data, "0409", List);
    if (!ValueOf(List, "Product Name").empty()) {
        List.push_back("Language=English (United States)");
        return;
    }
    ReadVersionStrings(*data, "0413", List);
    if (!ValueOf(List, "Product Name").empty())
        List.push_back("Language=Dutch (Standard)");
}

void ReadVersionStrings(const TVersionData& VersionData, const std::string& LanguageId, std::vector<std::string>& List)
{
    List.clear();
    if (!VersionData.Fixed)
        return;
    const TFixedFileInfo& fixed = *VersionData.Fixed;
    List.push_back("ProductVersion=" + std::to_string(fixed.ProductVersionMS >> 16) + "."
                   + std::to_string(fixed.ProductVersionMS & 0xFFFF) + "." + std::to_string(fixed.ProductVersionLS >> 16)
                   + "." + std::to_string(fixed.ProductVersionLS & 0xFFFF));
    List.push_back("OperatingSystem=" + OperatingSystemName(fixed.FileOS));
    List.push_back("FileType=" + FileTypeName(fixed.FileType));

    const std::string block = "\\StringFileInfo\\" + PadLeft(LanguageId, 4, '0') + "04E4\\";
    for (const StringKey& key : StringKeys)
        if (const std::optional<std::string> value = VersionData.QueryString(block + key.Key))
            List.push_back(key.Label + *value);
}

std::string OperatingSystemName(std::uint32_t FileOS)
{
    switch (FileOS) {
    case 0x10000: return "MS-DOS";
    case 0x20000: return "16-bit OS/2";
    case 0x30000: return "32-bit OS/2";
    case 0x40000: return "Windows NT";
    case 1: return "Windows 3.xx";
    case 2: return "16-bit OS/2 Presentation Manager";
    case 3: return "32-bit OS/2 Presentation Manager";
    case 4: return "32-bit Windows";
    case 0x10001: return "Windows 3.xx with MS-DOS";
    case 0x10004: return "32-bit Windows with MS-DOS";
    case 0x20002: return "16-bit OS/2 with Presentation Manager";
    case 0x30003: return "32-bit OS/2 with Presentation Manager";
    case 0x40004: return "Windows NT with 32 bit Windows";
    default: return "Unknown";
    }
}

std::string FileTypeName(std::uint32_t FileType)
{
    switch (FileType) {
    case 1: return "Application";
    case 2: return "Dynamic-Link Library";
    case 3: return "Device Driver";
    case 4: return "Font";
    case 5: return "Virtual Device Driver";
    case 7: return "Static-Link Library";
    default: return "Unknown";
    }
}

QString DLLFullFileName()
{
    return Guarded("DLLFullFileName: ", [] {
        const QString path = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
        if (path.isEmpty())
            throw Exception("Het programmabestand is niet te vinden.");
        return path;
    });
}
