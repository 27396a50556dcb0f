#pragma once
// Opens a document or web address with the desktop's default program.

#include <string>

// Result codes in the shell's manner: above 32 means the request was handed over.
constexpr int ShellOpenSucceeded = 42;
constexpr int SE_ERR_NOASSOC = 31; // nothing could open the target

// Target is Windows-1252 text: a web address, or a file path.
int ShellOpen(const std::string& Target);
