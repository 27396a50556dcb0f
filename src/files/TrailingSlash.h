#pragma once
// Folder paths that end in the separator, so a file name can follow.

#include <QString>

// Folder with one '/' at its end: as it is when it ends in one, else with '/' added (so an empty
// folder becomes "/").
inline QString WithTrailingSlash(const QString& Folder)
{
    return Folder.endsWith('/') ? Folder : Folder + '/';
}
