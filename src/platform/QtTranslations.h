#pragma once
// Qt's own texts (the standard dialogs, key names, context menus) in Dutch, whatever the system's
// language: the program speaks Dutch.  Dates and numbers keep following the system's regional
// settings; the default locale is not changed.

#include <string_view>

// Installs Qt's Dutch translation (Debian: qt6-translations-l10n) in the application, and over
// it the key names that it leaves English; false when the translation is not installed, and
// Qt's texts then stay English.  Call once, after the application object exists.
bool InstallQtTranslations();

// The name shown for a key that Qt's Dutch translation leaves English ("Return" -> "Enter", as a
// Dutch keyboard and Windows call it); empty for every other name.
std::string_view DutchKeyName(std::string_view QtName);
