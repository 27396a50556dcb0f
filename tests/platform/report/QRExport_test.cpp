// The pages of a report written as RTF, XLS and printed into a PDF file, read back by the
// programs our users open them with (LibreOffice, a PDF reader's text extraction).
#include "report/QRExport.h"
#include "report/QRPrntr.h"
#include "report/QuickRpt.h"

#include "ErrorOf.h"
#include "ModalAnswer.h"
#include "OfficeConvert.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

// Two pages of rows with a footer, texts with characters beyond ASCII, a right-aligned title.
struct ExportReport {
    TQuickRep report;
    TQRBand& title = report.AddBand<TQRBand>(rbTitle);
    TQRStringsBand& rows = report.AddBand<TQRStringsBand>();
    TQRBand& footer = report.AddBand<TQRBand>(rbPageFooter);
    TQRLabel& nr = rows.Add<TQRLabel>();
    TQRLabel& name = rows.Add<TQRLabel>();
    TQRLabel& place = rows.Add<TQRLabel>();

    ExportReport()
    {
        report.Options.LastPageFooter = true;
        title.Height = 40;
        title.Add<TQRLabel>("KANDIDATENLIJST");
        TQRLabel& model = title.Add<TQRLabel>("Model H1");
        model.Alignment = taRightJustify;
        model.Left = 539;
        model.Width = 100;
        rows.Height = 22;
        nr.Left = 8;
        name.Left = 40;
        place.Left = 344;
        rows.BeforePrint = [this](TQRCustomBand& band, bool&) {
            const std::string& item = static_cast<TQRStringsBand&>(band).Item();
            nr.Caption = item + ".";
            name.Caption = "Kandidaat\xe9 " + item; // é
            place.Caption = "1234 AB  \x80stad";    // €
        };
        footer.Height = 21;
        footer.Add<TQRLabel>("Voetregel");
        for (int i = 1; i <= 60; ++i)
            rows.Items.push_back(std::to_string(i));
        report.Prepare();
    }
};

QString ReadUtf8(const QString& path)
{
    return QString::fromStdString(ReadFileBytes(path));
}

QStringList NonEmptyLines(const QString& text)
{
    QStringList lines;
    for (const QString& line : text.split(QRegularExpression("[\r\n\f]+")))
        if (!line.trimmed().isEmpty())
            lines << line.simplified();
    return lines;
}

TEST(QRExport, RtfFileOpensInWriterWithTheTextsOfThePages)
{
    ExportReport r;
    QTemporaryDir dir;
    const QString file = dir.filePath("rapport.rtf");
    TQRRTFExportFilter filter(file.toStdString());
    r.report.QRPrinter()->ExportToFilter(filter);
    const std::string rtf = ReadFileBytes(file);
    EXPECT_EQ(rtf.substr(0, 6), "{\\rtf1");
    EXPECT_NE(rtf.find("Kandidaat\\'e9 7"), std::string::npos);

    QString error;
    const QString txt = OfficeConvert(file, "txt:Text (encoded):UTF8", dir.filePath("txt"), &error);
    ASSERT_FALSE(txt.isEmpty()) << error.toStdString();
    const QStringList lines = NonEmptyLines(ReadUtf8(txt));
    ASSERT_GE(lines.size(), 60 + 3);
    EXPECT_EQ(lines[0], "KANDIDATENLIJST Model H1");
    EXPECT_EQ(lines[1], QString::fromUtf8("1. Kandidaaté 1 1234 AB €stad"));
    EXPECT_EQ(lines.count(QString::fromUtf8("60. Kandidaaté 60 1234 AB €stad")), 1);
    EXPECT_EQ(lines.count("Voetregel"), r.report.QRPrinter()->PageCount());
    EXPECT_EQ(lines.back(), "Voetregel");
}

TEST(QRExport, XlsFileOpensInCalcWithOneRowPerLineAndAColumnPerPlace)
{
    ExportReport r;
    QTemporaryDir dir;
    const QString file = dir.filePath("rapport.xls");
    TQRXLSFilter filter(file.toStdString());
    r.report.QRPrinter()->ExportToFilter(filter);
    const std::string xls = ReadFileBytes(file);
    ASSERT_GE(xls.size(), 8u);
    EXPECT_EQ(xls.substr(0, 4), std::string("\x09\x00\x04\x00", 4)); // BIFF2 BOF
    EXPECT_EQ(xls.substr(xls.size() - 4), std::string("\x0a\x00\x00\x00", 4)); // EOF

    QString error;
    const QString csv =
        OfficeConvert(file, "csv:Text - txt - csv (StarCalc):59,34,76", dir.filePath("csv"), &error);
    ASSERT_FALSE(csv.isEmpty()) << error.toStdString();
    const QStringList lines = ReadUtf8(csv).split('\n', Qt::SkipEmptyParts);
    // Columns: 0 title, 8 nr, 40 name, 344 place, the right-aligned model.
    ASSERT_GE(lines.size(), 62);
    EXPECT_EQ(lines[0], "KANDIDATENLIJST;;;;Model H1");
    EXPECT_EQ(lines[1], QString::fromUtf8(";1.;Kandidaaté 1;1234 AB  €stad;"));
    EXPECT_EQ(lines.filter(QString::fromUtf8(";60.;Kandidaaté 60;")).size(), 1);
    EXPECT_EQ(lines.filter(QRegularExpression("^Voetregel;;;;$")).size(), r.report.QRPrinter()->PageCount());
}

TEST(QRExport, FilesThatCannotBeWrittenRaiseAndLeaveNothingBehind)
{
    ExportReport r;
    QTemporaryDir dir;
    const QString missing = dir.filePath("geen/map/rapport.rtf");
    TQRRTFExportFilter rtf(missing.toStdString());
    EXPECT_NE(ErrorOf<EInOutError>([&] { r.report.QRPrinter()->ExportToFilter(rtf); }), "(no error)");
    EXPECT_FALSE(QFile::exists(missing));

    // Too many rows for the format: refused without touching the existing file.
    const QString big = dir.filePath("groot.xls");
    ASSERT_TRUE(WriteFileBytes(big, "oud"));
    TQRXLSFilter xls(big.toStdString());
    xls.Start(800, 1100);
    xls.NewPage();
    for (int i = 0; i <= 16384; ++i)
        xls.TextOut({QRectF(0, i * 10, 50, 10), "x", QFont(), taLeftJustify});
    xls.EndPage();
    EXPECT_EQ(ErrorOf([&] { xls.Finish(); }), "Het rapport is te groot voor een XLS-bestand.");
    EXPECT_EQ(ReadFileBytes(big), "oud");
}

TEST(QRExport, PrintingIntoAPdfFileShowsEveryPage)
{
    // The pages as the preview's thread builds them.
    ExportReport r;
    r.report.OnPreview = [](TQuickRep&) {};
    r.report.Preview();
    TQRPrinter& printer = *r.report.QRPrinter();
    ASSERT_TRUE(WaitFor([&] { return printer.Status() == mpFinished; }, 30000));
    QTemporaryDir dir;
    const QString pdf = dir.filePath("rapport.pdf");
    printer.Printer().setOutputFileName(pdf);
    EXPECT_EQ(printer.PrinterName(), "");
    printer.Print();

    const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
    ASSERT_FALSE(pdftotext.isEmpty()) << "pdftotext not found (tools/setup.sh installs poppler-utils)";
    QProcess process;
    process.start(pdftotext, {"-layout", pdf, "-"});
    ASSERT_TRUE(process.waitForFinished(60000));
    const QString text = QString::fromUtf8(process.readAllStandardOutput());
    const QStringList pages = text.split('\f', Qt::SkipEmptyParts);
    ASSERT_EQ(pages.size(), printer.PageCount());
    ASSERT_EQ(pages.size(), 2);
    EXPECT_TRUE(pages[0].contains("KANDIDATENLIJST"));
    EXPECT_TRUE(pages[0].contains("Model H1"));
    EXPECT_TRUE(pages[0].contains(QString::fromUtf8("Kandidaaté 1 ")));
    EXPECT_TRUE(pages[1].contains(QString::fromUtf8("Kandidaaté 60")));
    for (const QString& page : pages)
        EXPECT_EQ(page.count("Voetregel"), 1);
    EXPECT_EQ(text.count(QString::fromUtf8("€stad")), 60);
}

TEST(QRExport, PrintingWithoutAUsableDeviceRaises)
{
    ExportReport r;
    TQRPrinter& printer = *r.report.QRPrinter();
    printer.Printer().setOutputFileName(QDir::temp().filePath("geen/map/rapport.pdf"));
    EXPECT_EQ(ErrorOf([&] { printer.Print(); }), "Kan niet afdrukken: de printer is niet beschikbaar.");
}

} // namespace
