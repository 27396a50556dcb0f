#pragma once
// Free text routines on single-byte (Windows-1252) strings.  Positions are 1-based, 0 means
// "not found"; case folding touches ASCII letters only; a "blank" is any byte below 33.
// Substring selection clamps: a start below 1 counts as 1, a start past the end gives "",
// a negative count counts as 0, a count past the end stops at the end.

#include <cstdint>
#include <string>

std::string TrimStr(const std::string& S);
std::string TrimLeftStr(const std::string& S);
std::string TrimRightStr(const std::string& S);

// Position of the first occurrence of SubStr in S (case-sensitive); 0 when absent or either is empty.
int InStr(const std::string& SubStr, const std::string& S);

std::string LeftStr(const std::string& S, int Count);
std::string RightStr(const std::string& S, int Count);
std::string MidStr(const std::string& S, int Start, int Count);

// Exactly Width characters: S right-aligned (PadLeft) or left-aligned (PadRight) in PadChar;
// a longer S is cut to its first Width characters.
std::string PadLeft(const std::string& S, int Width, char PadChar);
std::string PadRight(const std::string& S, int Width, char PadChar);

std::string Replicate(const std::string& S, int Count);

// Decimal text of Value with zeros in front (behind the sign) up to Width characters.
std::string ZeroPad(std::int32_t Value, int Width);

// S with Count characters deleted at Index, then Insertion inserted at Index.
std::string ReplaceAt(const std::string& S, int Index, int Count, const std::string& Insertion);

std::string AddBackslash(const std::string& S);
std::string UpperStr(const std::string& S);
std::string LowerStr(const std::string& S);

// 'S' with inner apostrophes doubled.
std::string QuoteStr(const std::string& S);

// Every non-overlapping occurrence of Old, left to right, replaced by New.
// Throws Exception "StrReplace: Empty search pattern is not allowed." for an empty Old.
std::string StrReplace(const std::string& S, const std::string& Old, const std::string& New, bool CaseSensitive);

// Replaces occurrences of Old from the FirstOccurrence-th on, at most MaxCount of them (0 = all,
// negative = none).  Text brought in by New is never searched again.  An empty Old returns S.
std::string ReplaceTextEx(const std::string& S, const std::string& Old, const std::string& New,
                          int FirstOccurrence, int MaxCount, bool CaseSensitive);

// Non-overlapping, case-sensitive occurrences of Pattern in S.
// Throws Exception "Occurrences: Empty search pattern is not allowed." for an empty Pattern.
int Occurrences(const std::string& Pattern, const std::string& S);

// Optional leading "-" and digits only, with a value in the 32-bit signed range.
bool IsInteger(const std::string& S);

// S trimmed, leading and trailing runs of double and single quotes dropped, trimmed again.
std::string StripQuotes(const std::string& S);
