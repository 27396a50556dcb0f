#pragma once
// Export filters: they receive a report's pages as texts with their places (TQRPrinter::
// ExportToFilter) and write them to the file they were created for.  The file is written as a
// whole at Finish and replaces an existing one only once complete; a file that cannot be written
// raises EInOutError with the system's text and leaves any existing file as it was.
//
// TQRRTFExportFilter writes RTF: the paper and margins of the report, one paragraph per line of
// text on a page (texts whose tops lie within half a line of each other share a line) at the line's
// own height (space before it and an exact line height, the paragraph mark in the line's largest
// font size), each text at its own place through a tab stop (left, right or centred after its
// alignment; a text that starts where the one before it ends follows it directly) in its own font
// (family, size rounded down to half points, bold, italic, underline); each page after the first
// starts with a page break before its first line.  Characters go out as Windows-1252 bytes (\'hh
// above 127) or, where that has none, as \uN.
//
// TQRXLSFilter writes a BIFF2 worksheet (the Excel 2.1 binary stream: BOF, CODEPAGE 1252,
// DIMENSIONS, one LABEL record per text, EOF), the smallest binary Excel file LibreOffice Calc
// opens.  Each line of a page becomes one row, in page order; each distinct left edge (to the
// pixel) of all texts becomes a column, left to right.  Texts longer than 255 bytes are cut to 255
// (a label's limit); a report of more than 16384 rows or 256 columns raises Exception "Het rapport
// is te groot voor een XLS-bestand." and nothing is written.

#include "QRPrntr.h"

#include <filesystem>
#include <string>
#include <vector>

class TQRExportFilter {
public:
    explicit TQRExportFilter(std::filesystem::path fileName) : FileName(std::move(fileName)) {}
    virtual ~TQRExportFilter() = default;

    // Paper width and height in report pixels.
    virtual void Start(double paperWidth, double paperHeight);
    virtual void NewPage();
    virtual void TextOut(const TQRTextItem& text);
    virtual void EndPage();
    virtual void Finish() = 0;

    const std::filesystem::path FileName;

protected:
    // The pages received so far, their texts in lines (top to bottom, each left to right).
    using Line = std::vector<TQRTextItem>;
    std::vector<std::vector<Line>> Lines() const;
    double paperWidth_ = 0;
    double paperHeight_ = 0;

    // Writes bytes as the file (see above).
    void WriteFile(const std::string& bytes) const;

private:
    std::vector<std::vector<TQRTextItem>> pages_;
};

class TQRRTFExportFilter : public TQRExportFilter {
public:
    using TQRExportFilter::TQRExportFilter;
    void Finish() override;
};

class TQRXLSFilter : public TQRExportFilter {
public:
    using TQRExportFilter::TQRExportFilter;
    void Finish() override;
};
