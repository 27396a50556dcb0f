#pragma once
// The one place where the program's Windows-1252 text meets Unicode (the widget boundary).

#include <QString>
#include <string>

// Every byte 0..255 maps to one character, so any byte string round-trips.
QString AnsiToQString(const std::string& ansi);

// Appends the UTF-8 of one byte to utf8.
void AppendAnsiAsUtf8(std::string& utf8, char byte);

// Characters Windows-1252 cannot hold become '?'; ok (when given) tells whether that happened.
std::string QStringToAnsi(const QString& text, bool* ok = nullptr);

// True when every character of text has a Windows-1252 byte.
bool IsAnsiRepresentable(const QString& text);
