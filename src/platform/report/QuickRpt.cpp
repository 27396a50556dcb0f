#include "QuickRpt.h"

#include "AnsiText.h"
#include "BoundedWorker.h"
#include "Exceptions.h"
#include "QRBuildJob.h"
#include "QRPreview.h"
#include "QRPrntr.h"
#include "RegularFile.h"
#include "RtfReader.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QFontMetricsF>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QtMath>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <exception>
#include <thread>
#include <iterator>

namespace {

QFont DefaultReportFont()
{
    QFont font("Arial");
    font.setPixelSize(13);
    return font;
}

TAlignment AlignmentOf(Qt::Alignment alignment)
{
    if (alignment & Qt::AlignRight)
        return taRightJustify;
    if (alignment & Qt::AlignHCenter)
        return taCenter;
    return taLeftJustify;
}

Qt::Alignment QtAlignment(TAlignment alignment)
{
    switch (alignment) {
    case taRightJustify:
        return Qt::AlignRight;
    case taCenter:
        return Qt::AlignHCenter;
    default:
        return Qt::AlignLeft;
    }
}

// x of a text w wide within a box [left, left + width) for the alignment.
double AlignedLeft(TAlignment alignment, double left, double width, double w)
{
    switch (alignment) {
    case taRightJustify:
        return left + width - w;
    case taCenter:
        return left + (width - w) / 2;
    default:
        return left;
    }
}

struct BuildCancelled {};

} // namespace

double TenthsMMToPixels(double tenths) { return tenths * 96.0 / 254.0; }

// ---- Controls ------------------------------------------------------------------------------------

TQRPrintable::TQRPrintable(TQRCustomBand&) {}

TQRLabel::TQRLabel(TQRCustomBand& parent, std::string caption)
    : TQRPrintable(parent), Caption(std::move(caption)), Font(parent.Report().Font)
{
}

const TQRLabel::TMeasured& TQRLabel::Measured() const
{
    TMeasured& m = measured_;
    if (m.Width == Width && m.WordWrap == WordWrap && m.Caption == Caption && m.Font == Font)
        return m;
    m.Caption = Caption;
    m.Font = Font;
    m.Width = Width;
    m.WordWrap = WordWrap;
    m.Lines.clear();
    QString text = AnsiToQString(Caption);
    text.replace("\r\n", "\n");
    const QStringList paragraphs = text.split('\n');
    if (!WordWrap) {
        m.Lines = paragraphs;
    } else {
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        for (const QString& paragraph : paragraphs) {
            if (paragraph.isEmpty()) {
                m.Lines.append(QString());
                continue;
            }
            QTextLayout layout(paragraph, Font);
            layout.setTextOption(option);
            layout.beginLayout();
            for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
                line.setLineWidth(std::max(1.0, Width));
                QString part = paragraph.mid(line.textStart(), line.textLength());
                while (part.endsWith(' '))
                    part.chop(1);
                m.Lines.append(part);
            }
            layout.endLayout();
        }
    }
    const QFontMetricsF metrics(Font);
    m.LineHeight = metrics.height();
    m.Advances.clear();
    for (const QString& line : m.Lines)
        m.Advances.push_back(metrics.horizontalAdvance(line));
    return m;
}

QStringList TQRLabel::Lines() const
{
    return Measured().Lines;
}

double TQRLabel::PrintHeight() const
{
    const TMeasured& m = Measured();
    const double text = double(m.Lines.size()) * m.LineHeight;
    if (AutoStretch)
        return std::max(Height, text);
    if (AutoSize && !WordWrap)
        return text;
    return Height;
}

QRectF TQRLabel::TextRect() const
{
    double width = Width;
    double left = Left;
    if (AutoSize && !WordWrap) {
        width = 0;
        for (const double advance : Measured().Advances)
            width = std::max(width, advance);
        left = AlignedLeft(Alignment, Left, Width, width);
    }
    return QRectF(left, Top, width, PrintHeight());
}

void TQRLabel::Print(TQRPaintTarget& target, QPointF origin) const
{
    const TMeasured& m = Measured();
    const QRectF box = TextRect().translated(origin);
    QPainter& painter = target.Painter;
    painter.save();
    painter.setFont(Font);
    painter.setPen(Qt::black);
    const bool clipped = !AutoSize || WordWrap;
    if (clipped)
        painter.setClipRect(box, Qt::IntersectClip);
    for (int i = 0; i < m.Lines.size(); ++i) {
        const QString& line = m.Lines[i];
        const double y = box.top() + i * m.LineHeight;
        if (clipped && y + m.LineHeight > box.bottom() + 0.5)
            break;
        const QRectF lineBox(box.left(), y, box.width(), m.LineHeight);
        painter.drawText(lineBox, int(QtAlignment(Alignment) | Qt::AlignTop | Qt::TextSingleLine), line);
        if (line.trimmed().isEmpty())
            continue;
        const double w = std::min(box.width(), m.Advances[size_t(i)]);
        target.Texts.push_back({QRectF(AlignedLeft(Alignment, box.left(), box.width(), w), y, w, m.LineHeight),
            line, Font, Alignment});
    }
    painter.restore();
}

TQRRichText::TQRRichText(TQRCustomBand& parent) : TQRPrintable(parent), Font(parent.Report().Font) {}

void TQRRichText::LoadFromFile(const std::string& fileName)
{
    SetRtf(ReadRegularFile(fileName, MaxRtfBytes));
}

void TQRRichText::SetRtf(const std::string& rtf)
{
    QTextDocument check;
    ReadRtf(rtf, check);
    rtf_ = rtf;
    isRtf_ = true;
}

void TQRRichText::SetText(const std::string& text)
{
    text_ = text;
    isRtf_ = false;
}

namespace {

// The content laid out Width wide, in the thread that calls.
std::unique_ptr<QTextDocument> LayOut(const TQRRichText& box, bool isRtf, const std::string& rtf,
                                      const std::string& text)
{
    auto doc = std::make_unique<QTextDocument>();
    doc->setDefaultFont(box.Font);
    doc->setDocumentMargin(0);
    if (isRtf) {
        ReadRtf(rtf, *doc);
    } else {
        QString plain = AnsiToQString(text);
        plain.replace("\r\n", "\n");
        doc->setPlainText(plain);
    }
    doc->setTextWidth(std::max(1.0, box.Width));
    return doc;
}

// The font of the character at position (within the block), else fallback.
QFont FontAt(const QTextBlock& block, int position, const QFont& fallback)
{
    const int at = block.position() + position;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (fragment.position() <= at && at < fragment.position() + fragment.length())
            return fragment.charFormat().font();
    }
    return fallback;
}

} // namespace

QString TQRRichText::PlainText() const
{
    return LayOut(*this, isRtf_, rtf_, text_)->toPlainText();
}

double TQRRichText::PrintHeight() const
{
    if (!AutoStretch)
        return Height;
    return std::max(Height, LayOut(*this, isRtf_, rtf_, text_)->size().height());
}

void TQRRichText::Print(TQRPaintTarget& target, QPointF origin) const
{
    const auto doc = LayOut(*this, isRtf_, rtf_, text_);
    const double height = AutoStretch ? std::max(Height, doc->size().height()) : Height;
    const QPointF topLeft = origin + QPointF(Left, Top);
    QPainter& painter = target.Painter;
    painter.save();
    painter.translate(topLeft);
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette.setColor(QPalette::Text, Qt::black);
    context.clip = QRectF(0, 0, Width, height);
    painter.setClipRect(context.clip, Qt::IntersectClip);
    doc->documentLayout()->draw(&painter, context);
    painter.restore();

    for (QTextBlock block = doc->begin(); block != doc->end(); block = block.next()) {
        const QTextLayout* layout = block.layout();
        const QPointF position = layout->position();
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            const QRectF rect = line.naturalTextRect().translated(position);
            if (rect.bottom() > height + 0.5)
                break;
            QString text = block.text().mid(line.textStart(), line.textLength());
            text.replace(QChar::LineSeparator, ' ');
            // A line with tabs is one text per tab-separated part, each at its own place.
            const QStringList parts = text.split('\t');
            int start = line.textStart();
            for (QString part : parts) {
                const int partStart = start;
                start += int(part.size()) + 1;
                while (part.endsWith(' '))
                    part.chop(1);
                if (part.trimmed().isEmpty())
                    continue;
                QRectF box = rect;
                TAlignment alignment = AlignmentOf(block.blockFormat().alignment());
                if (parts.size() > 1) {
                    const double left = line.cursorToX(partStart);
                    box = QRectF(position.x() + left, rect.top(),
                                 line.cursorToX(partStart + int(part.size())) - left, rect.height());
                    alignment = taLeftJustify;
                }
                target.Texts.push_back({box.translated(topLeft), part, FontAt(block, partStart, Font), alignment});
            }
        }
    }
}

TQRShape::TQRShape(TQRCustomBand& parent, TQRShapeType shape) : TQRPrintable(parent), Shape(shape) {}

void TQRShape::Print(TQRPaintTarget& target, QPointF origin) const
{
    QPainter& painter = target.Painter;
    painter.save();
    painter.setPen(QPen(Qt::black, 1));
    const QRectF box(origin.x() + Left, origin.y() + Top, Width, Height);
    switch (Shape) {
    case qrsHorLine:
        painter.drawLine(QPointF(box.left(), box.center().y()), QPointF(box.right(), box.center().y()));
        break;
    case qrsVertLine:
        painter.drawLine(QPointF(box.center().x(), box.top()), QPointF(box.center().x(), box.bottom()));
        break;
    case qrsRectangle:
        painter.drawRect(box);
        break;
    }
    painter.restore();
}

// ---- Bands ---------------------------------------------------------------------------------------

TQRCustomBand::TQRCustomBand(TQuickRep& report, TQRBandType type) : report_(report), type_(type) {}

TQRCustomBand::~TQRCustomBand() = default;

double TQRCustomBand::PrintHeight() const
{
    double height = Height;
    for (const auto& control : controls_)
        if (control->Enabled) {
            const double h = control->PrintHeight();
            if (h > control->Height)
                height = std::max({height, Height + h - control->Height, control->Top + h});
        }
    return height;
}

void TQRCustomBand::Print(TQRPaintTarget& target, QPointF origin, double height, double pageWidth) const
{
    for (const auto& control : controls_)
        if (control->Enabled)
            control->Print(target, origin);
    QPainter& painter = target.Painter;
    painter.save();
    painter.setPen(QPen(Qt::black, 1));
    const QRectF box(origin, QSizeF(pageWidth, height));
    if (Frame.DrawTop)
        painter.drawLine(box.topLeft(), box.topRight());
    if (Frame.DrawBottom)
        painter.drawLine(box.bottomLeft(), box.bottomRight());
    if (Frame.DrawLeft)
        painter.drawLine(box.topLeft(), box.bottomLeft());
    if (Frame.DrawRight)
        painter.drawLine(box.topRight(), box.bottomRight());
    painter.restore();
}

TQRChildBand::TQRChildBand(TQuickRep& report, TQRCustomBand& parent)
    : TQRCustomBand(report, rbChild), parent_(parent)
{
    parent.child_ = this;
}

// ---- Building pages ------------------------------------------------------------------------------

namespace {

// Closes finished pages on a thread of its own, in the order given: ends each page's painter
// (which checksums the recorded picture) and hands the page to the printer object.  Finish waits
// for the last page and raises the first failure of a closing; the destructor waits as well.
class TQRPageCloser {
public:
    struct TPage {
        std::unique_ptr<QPicture> Picture;
        std::unique_ptr<QPainter> Painter; // painting on Picture
        std::vector<TQRTextItem> Texts;
        QRect Bounds;
    };

    explicit TQRPageCloser(TQRPrinter& out) : out_(out), worker_(QueuedPages, [this](auto& pages) { CloseAll(pages); }) {}
    ~TQRPageCloser()
    {
        try {
            worker_.Finish();
        } catch (...) { // the build that failed tells its own failure
        }
    }
    TQRPageCloser(const TQRPageCloser&) = delete;
    TQRPageCloser& operator=(const TQRPageCloser&) = delete;

    void Close(TPage page) { worker_.Put(std::move(page)); }
    void Finish() { worker_.Finish(); }

private:
    // Pages laid out ahead of the one being closed, at most.
    static constexpr std::size_t QueuedPages = 8;

    void CloseAll(TBoundedWorker<TPage>& pages)
    {
        std::exception_ptr failure;
        while (std::optional<TPage> page = pages.Take()) {
            try {
                page->Painter->end();
                page->Painter.reset();
                page->Picture->setBoundingRect(page->Bounds);
                out_.AddPage({*page->Picture, std::move(page->Texts)});
            } catch (...) {
                if (!failure)
                    failure = std::current_exception();
            }
        }
        if (failure)
            std::rethrow_exception(failure);
    }

    TQRPrinter& out_;
    TBoundedWorker<TPage> worker_; // last: its thread starts when the rest exists
};

} // namespace

class TQRReportBuilder {
public:
    TQRReportBuilder(const TQuickRep& report, TQRPrinter& out, const std::atomic<bool>* cancel)
        : report_(report), cancel_(cancel), area_(report.PrintableRect()), closer_(out)
    {
    }

    void Run()
    {
        std::vector<TQRCustomBand*> titles, details, summaries;
        bool haveStrings = false, empty = true;
        for (const auto& band : report_.Bands()) {
            switch (band->BandType()) {
            case rbTitle:
                titles.push_back(band.get());
                break;
            case rbSummary:
                summaries.push_back(band.get());
                break;
            case rbPageHeader:
                if (!header_)
                    header_ = band.get();
                break;
            case rbPageFooter:
                if (!footer_)
                    footer_ = band.get();
                break;
            case rbDetail:
                details.push_back(band.get());
                if (auto* strings = dynamic_cast<TQRStringsBand*>(band.get())) {
                    haveStrings = true;
                    empty = empty && strings->Items.empty();
                }
                break;
            case rbChild:
                break;
            }
        }
        if (haveStrings && empty && !report_.PrintIfEmpty)
            return;
        StartPage();
        for (TQRCustomBand* band : titles)
            PrintChain(*band);
        for (TQRCustomBand* band : details) {
            auto* strings = dynamic_cast<TQRStringsBand*>(band);
            if (!strings) {
                PrintChain(*band);
                continue;
            }
            for (const std::string& item : strings->Items) {
                strings->item_ = item;
                PrintChain(*band);
            }
            strings->item_.clear();
        }
        for (TQRCustomBand* band : summaries)
            PrintChain(*band);
        EndPage(true);
        closer_.Finish();
    }

private:
    double BodyBottom() const
    {
        return area_.bottom() - (footer_ && footer_->Enabled ? footer_->Height : 0);
    }

    TQRPaintTarget Target() { return {*painter_, texts_}; }

    bool WantsPrint(TQRCustomBand& band)
    {
        if (cancel_ && cancel_->load())
            throw BuildCancelled();
        if (!band.Enabled)
            return false;
        bool print = true;
        if (band.BeforePrint)
            band.BeforePrint(band, print);
        return print;
    }

    void StartPage()
    {
        ++pageNumber_;
        picture_ = std::make_unique<QPicture>();
        texts_.clear();
        painter_ = std::make_unique<QPainter>(picture_.get());
        y_ = area_.top();
        bodyBands_ = 0;
        if (header_ && (pageNumber_ > 1 || report_.Options.FirstPageHeader) && WantsPrint(*header_)) {
            const double height = header_->PrintHeight();
            TQRPaintTarget target = Target();
            header_->Print(target, QPointF(area_.left(), y_), height, area_.width());
            y_ += height;
        }
    }

    void EndPage(bool last)
    {
        if (footer_ && (!last || report_.Options.LastPageFooter) && WantsPrint(*footer_)) {
            const double height = footer_->PrintHeight();
            TQRPaintTarget target = Target();
            footer_->Print(target, QPointF(area_.left(), area_.bottom() - height), height, area_.width());
        }
        // Ending the painter checksums the page's whole picture: the closer does that on a thread
        // of its own while the next page is laid out.
        const QSizeF size = report_.PagePixels();
        closer_.Close({std::move(picture_), std::move(painter_), std::move(texts_),
                       QRect(0, 0, qCeil(size.width()), qCeil(size.height()))});
        texts_ = {};
    }

    void PrintChain(TQRCustomBand& first)
    {
        for (TQRCustomBand* band = &first; band; band = band->ChildBand())
            if (!PrintBand(*band))
                break;
    }

    bool PrintBand(TQRCustomBand& band)
    {
        if (!WantsPrint(band))
            return false;
        const double height = band.PrintHeight();
        if (bodyBands_ > 0 && (band.ForceNewPage || y_ + height > BodyBottom() + 0.01)) {
            EndPage(false);
            StartPage();
        }
        painter_->save();
        painter_->setClipRect(QRectF(area_.left(), area_.top(), area_.width(), BodyBottom() - area_.top()));
        TQRPaintTarget target = Target();
        band.Print(target, QPointF(area_.left(), y_), height, area_.width());
        painter_->restore();
        y_ += height;
        ++bodyBands_;
        return true;
    }

    const TQuickRep& report_;
    const std::atomic<bool>* cancel_;
    QRectF area_;
    TQRCustomBand* header_ = nullptr;
    TQRCustomBand* footer_ = nullptr;
    std::unique_ptr<QPicture> picture_;
    std::unique_ptr<QPainter> painter_;
    std::vector<TQRTextItem> texts_;
    TQRPageCloser closer_; // last, so a failed build waits for the pages being closed first
    double y_ = 0;
    int bodyBands_ = 0;
    int pageNumber_ = 0;
};

// ---- The report ----------------------------------------------------------------------------------

TQuickRep::TQuickRep() : Font(DefaultReportFont()) {}

TQuickRep::~TQuickRep()
{
    StopBuilds();
}

void TQuickRep::StopBuilds()
{
    for (const auto& job : jobs_)
        job->Stop();
    jobs_.clear();
}

QSizeF TQuickRep::PagePixels() const
{
    QSizeF size(TenthsMMToPixels(Page.Width), TenthsMMToPixels(Page.Length));
    if (Page.Orientation == poLandscape)
        size.transpose();
    return size;
}

QRectF TQuickRep::PrintableRect() const
{
    const QSizeF size = PagePixels();
    const double left = TenthsMMToPixels(Page.LeftMargin);
    const double top = TenthsMMToPixels(Page.TopMargin);
    return QRectF(left, top, size.width() - left - TenthsMMToPixels(Page.RightMargin),
                  size.height() - top - TenthsMMToPixels(Page.BottomMargin));
}

std::unique_ptr<TQRPrinter> TQuickRep::NewPrinter() const
{
    return std::make_unique<TQRPrinter>(PagePixels(),
        Page.Orientation == poLandscape ? QPageLayout::Landscape : QPageLayout::Portrait,
        PrinterSettings.PrinterIndex, PrinterSettings.Copies, ReportTitle);
}

void TQuickRep::Prepare()
{
    StopBuilds();
    qrPrinter_.reset();
    auto printer = NewPrinter();
    printer->SetStatus(mpBusy);
    TQRReportBuilder(*this, *printer, nullptr).Run();
    printer->SetStatus(mpFinished);
    qrPrinter_ = std::move(printer);
}

void TQuickRep::Preview()
{
    StopBuilds();
    qrPrinter_.reset();
    auto printer = NewPrinter();
    printer->SetStatus(mpBusy);
    auto job = std::make_shared<TQRBuildJob>();
    TQRPrinter* out = printer.get();
    std::atomic<bool>* cancel = &job->Cancel;
    job->Thread = std::thread([this, out, cancel] {
        try {
            TQRReportBuilder(*this, *out, cancel).Run();
        } catch (const BuildCancelled&) {
            out->SetErrorMessage("Opbouw afgebroken");
        } catch (const std::exception& e) {
            out->SetErrorMessage(e.what());
        } catch (...) {
            out->SetErrorMessage("Onbekende fout");
        }
        out->SetStatus(mpFinished);
    });
    printer->SetJob(job);
    jobs_.push_back(job);
    qrPrinter_ = std::move(printer);
    if (OnPreview)
        OnPreview(*this);
    else
        ShowStandardPreview(*qrPrinter_, ReportTitle);
}

void TQuickRep::Print()
{
    Prepare();
    qrPrinter_->Print();
}

std::unique_ptr<TQRPrinter> TQuickRep::ReleaseQRPrinter()
{
    return std::move(qrPrinter_);
}
