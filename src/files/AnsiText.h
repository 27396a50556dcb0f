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

// A text inside a message text.  Windows-1252 holds most texts; a character it cannot hold, and
// the escape's own byte 0x81, is carried as an escape (byte 0x81, a key drawn once per run, its
// code point in hex, ';') that MessageToQString turns back, so the message box shows the text
// whole.  A control, a line separator or a bidirectional control would act on the message rather
// than show, and is carried as U+FFFD.
std::string TextInMessage(const QString& text);

// A path inside a message text, as TextInMessage.  NativePathInMessage takes the file system's bytes.
inline std::string PathInMessage(const QString& path)
{
    return TextInMessage(path);
}
std::string NativePathInMessage(const std::string& bytes);

// The characters of text that Windows-1252 cannot hold, each once, in the order they first
// appear; a surrogate pair is one character.
std::u32string CharactersNotInAnsi(const QString& text);

// A message text for the screen: AnsiToQString, with the escapes that TextInMessage wrote in this
// run turned back.  Any other byte shows as itself, so text from data, which cannot hold the key,
// reads exactly as AnsiToQString shows it.
QString MessageToQString(const std::string& message);
