#pragma once
// Opening a web page in the user's browser, and the version information of a program file.
// Texts are Windows-1252; file names are QStrings.

#include "VersionBlock.h"

#include <QString>

#include <functional>
#include <string>
#include <vector>

class QWidget;

// The running program's own version lines ("ProductVersion=4.0.0.1", "Product Name=Zorvandel",
// ...), filled once at start-up; empty when the program file carries no version block.
extern std::vector<std::string> VersionInfoList;

// Opens a target with the desktop's default program; returns a result above 32 on success.
using TShellOpen = std::function<int(const std::string& Target, QWidget* Window)>;

// Opens the web address Target with the program registered for ".htm" files (HKEY_CLASSES_ROOT
// "\.htm" -> class -> "\<class>\shell\open\command", up to its first blank), Target as its only
// argument; returns 0 when that program was started.  Otherwise the desktop's default program
// opens Target (Fallback, ShellOpen by default) and its result is returned.  Never throws.
int OpenInBrowser(const std::string& Target, QWidget* Window);
int OpenInBrowser(const std::string& Target, QWidget* Window, const TShellOpen& Fallback);

// Fills List with the version lines of FileName: the lines of the "0409" strings plus
// "Language=English (United States)" when they name a product, else those of "0413" (plus
// "Language=Dutch (Standard)" when they name one).  Throws Exception "The file does not contain
// any valid version information." when the file carries no version block.
void GetVersionInfo(const QString& FileName, std::vector<std::string>& List);

// Clears List, then adds the product version, operating system and file type of the fixed part
// and the strings of the block "\StringFileInfo\<LanguageId>04E4\".  Without a fixed part the
// list stays empty.
void ReadVersionStrings(const TVersionData& VersionData, const std::string& LanguageId, std::vector<std::string>& List);

// Names of the fixed part's codes ("Unknown" for any other).
std::string OperatingSystemName(std::uint32_t FileOS);
std::string FileTypeName(std::uint32_t FileType);

// Full path of the running program file; a failure is raised with "DLLFullFileName: " in front.
QString DLLFullFileName();
