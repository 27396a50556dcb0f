// An RTF text (the H1 texts of a report): any bytes are read and laid out, or end in a message.
#include "FuzzSupport.h"
#include "RtfReader.h"
#include "Exceptions.h"

#include <QFont>
#include <QTextDocument>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzSetUp(true);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // As the report's rich-text box lays it out.
    QTextDocument doc;
    doc.setDefaultFont(QFont("DejaVu Sans", 10));
    doc.setDocumentMargin(0);
    try {
        ReadRtf(FuzzBytes(data, size), doc);
    } catch (const EConvertError& e) {
        FUZZ_CHECK(e.Message.rfind("Ongeldige RTF-tekst: ", 0) == 0);
        FUZZ_CHECK(doc.isEmpty());
        return 0;
    }
    doc.setTextWidth(600);
    // The layout counts in 26.6 fixed point, about 33 million pixels; with the reader's bounds on
    // measures a text of a few KB stays far below that.
    const double height = doc.size().height();
    FUZZ_CHECK(height >= 0 || size > 4096);
    return 0;
}
