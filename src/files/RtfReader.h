#pragma once
// A reader of the RTF that word processors write, into rich text.
//
// Understood: groups; the destinations that hold no body text are skipped (font, colour and style
// tables, information, pictures, headers and footers, footnotes, every "\*" destination, field
// instructions; a field shows its result); paragraphs (\par, \pard, alignment \ql \qc \qr \qj, left
// and first-line indents \li \fi, tab stops \tx, space before and after \sb \sa, each held within
// 22 inches and space not below zero); line breaks;
// characters: \plain, bold \b, italic \i, underline \ul \ulnone, font size \fs (half points, at most
// 1638 points), \tab;
// bytes and \'hh as Windows-1252; \uN (negative N counts from 65536) with \ucN replacement characters
// skipped; \~ \_ \- and the named quotes and dashes; the bytes of \binN are passed over.  Everything
// else is ignored.
//
// Sizes become pixels at 96 per inch, the report's unit (one point is 4/3 pixel, one twip 1/15
// pixel), so the text lays out alike on every screen and in every thread.  The font family is the
// caller's (the document's default font), as the report's labels fix it too.
//
// A text that does not start with "{\rtf", or whose groups are not closed at its end (a truncated
// file) or close more often than they open, or that passes a bound below, raises EConvertError
// "Ongeldige RTF-tekst: " + what is wrong; the document is then left empty.

#include <QString>
#include <cstddef>
#include <string_view>

// Bounds on a text, far beyond the texts it holds (a page or two), so that the time and memory of
// reading and laying it out stay small: groups nested deeper, a text larger, more paragraphs or
// more characters of body text raise EConvertError; tab stops past the 64th of a paragraph are
// left out.
constexpr std::size_t MaxRtfDepth = 500;
constexpr std::size_t MaxRtfBytes = std::size_t(64) << 20;
constexpr std::size_t MaxRtfParagraphs = 1000;
constexpr std::size_t MaxRtfChars = 100000;
constexpr std::size_t MaxRtfTabStops = 64;

class QTextDocument;

// Replaces the content of document with the text of rtf, in the document's default font family.
void ReadRtf(std::string_view rtf, QTextDocument& document);
