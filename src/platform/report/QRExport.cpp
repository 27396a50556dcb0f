#include "QRExport.h"

#include "AnsiText.h"
#include "Exceptions.h"

#include <QSaveFile>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <set>

void TQRExportFilter::Start(double paperWidth, double paperHeight)
{
    paperWidth_ = paperWidth;
    paperHeight_ = paperHeight;
    pages_.clear();
}

void TQRExportFilter::NewPage()
{
    pages_.emplace_back();
}

void TQRExportFilter::TextOut(const TQRTextItem& text)
{
    if (pages_.empty())
        NewPage();
    pages_.back().push_back(text);
}

void TQRExportFilter::EndPage() {}

std::vector<std::vector<TQRExportFilter::Line>> TQRExportFilter::Lines() const
{
    std::vector<std::vector<Line>> result;
    for (std::vector<TQRTextItem> texts : pages_) {
        std::stable_sort(texts.begin(), texts.end(),
                         [](const TQRTextItem& a, const TQRTextItem& b) { return a.Rect.top() < b.Rect.top(); });
        std::vector<Line> lines;
        for (const TQRTextItem& text : texts) {
            if (lines.empty() || text.Rect.top() - lines.back().front().Rect.top() >
                                     lines.back().front().Rect.height() / 2)
                lines.emplace_back();
            lines.back().push_back(text);
        }
        for (Line& line : lines)
            std::stable_sort(line.begin(), line.end(),
                             [](const TQRTextItem& a, const TQRTextItem& b) { return a.Rect.left() < b.Rect.left(); });
        result.push_back(std::move(lines));
    }
    return result;
}

void TQRExportFilter::WriteFile(const std::string& bytes) const
{
    QSaveFile file(QString::fromStdString(FileName.string()));
    auto fail = [&file] {
        const int code = file.error() == QFileDevice::OpenError ? EACCES : EIO;
        throw EInOutError(file.errorString().toStdString(), code);
    };
    if (!file.open(QIODevice::WriteOnly))
        fail();
    if (file.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size()))
        fail();
    if (!file.commit())
        fail();
}

// ---- RTF -----------------------------------------------------------------------------------------

namespace {

int Twips(double pixels) { return int(std::lround(pixels * 15)); }

double PixelSize(const QFont& font)
{
    return font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * 96.0 / 72.0;
}

std::string RtfText(const QString& text)
{
    std::string out;
    for (const QChar ch : text) {
        const char16_t code = ch.unicode();
        if (code == '\t') {
            out += "\\tab ";
        } else if (code == '\\' || code == '{' || code == '}') {
            out += '\\';
            out += char(code);
        } else if (code >= 32 && code < 128) {
            out += char(code);
        } else if (code < 32) {
            out += ' ';
        } else {
            bool ok = false;
            const std::string byte = QStringToAnsi(QString(ch), &ok);
            char buffer[16];
            if (ok && byte.size() == 1) {
                std::snprintf(buffer, sizeof buffer, "\\'%02x", unsigned(static_cast<unsigned char>(byte[0])));
            } else {
                std::snprintf(buffer, sizeof buffer, "\\u%d?", int(static_cast<int16_t>(code)));
            }
            out += buffer;
        }
    }
    return out;
}

// The lines of a page with each line that starts above the bottom of the line before it, beside
// its texts (text columns whose lines do not meet), joined to that line: one paragraph cannot
// start inside another.
std::vector<std::vector<TQRTextItem>> SideBySide(const std::vector<std::vector<TQRTextItem>>& lines)
{
    std::vector<std::vector<TQRTextItem>> joined;
    double bottom = 0;
    for (const auto& line : lines) {
        const auto beside = [&line](const TQRTextItem& text) {
            return std::none_of(line.begin(), line.end(), [&text](const TQRTextItem& other) {
                return other.Rect.left() < text.Rect.right() && text.Rect.left() < other.Rect.right();
            });
        };
        if (!joined.empty() && line.front().Rect.top() < bottom - 1
            && std::all_of(joined.back().begin(), joined.back().end(), beside)) {
            auto& last = joined.back();
            last.insert(last.end(), line.begin(), line.end());
            std::stable_sort(last.begin(), last.end(),
                             [](const TQRTextItem& a, const TQRTextItem& b) { return a.Rect.left() < b.Rect.left(); });
        } else {
            joined.push_back(line);
            bottom = 0;
        }
        for (const TQRTextItem& text : line)
            bottom = std::max(bottom, text.Rect.bottom());
    }
    return joined;
}

// A font's size in half points, rounded down so that a text takes no more room than on the page.
int HalfPoints(const QFont& font)
{
    return std::max(2, int(std::floor(PixelSize(font) * 1.5 + 0.01)));
}

} // namespace

void TQRRTFExportFilter::Finish()
{
    const auto pages = Lines();
    std::vector<QString> families;
    auto fontIndex = [&families](const QFont& font) {
        const auto it = std::find(families.begin(), families.end(), font.family());
        if (it != families.end())
            return int(it - families.begin());
        families.push_back(font.family());
        return int(families.size() - 1);
    };
    double marginLeft = paperWidth_;
    double marginTop = 48;
    double lowest = 0;
    for (const auto& page : pages)
        for (const Line& line : page)
            for (const TQRTextItem& text : line) {
                marginLeft = std::min(marginLeft, std::floor(text.Rect.left()));
                marginTop = std::min(marginTop, std::max(0.0, std::floor(text.Rect.top())));
                lowest = std::max(lowest, text.Rect.bottom());
                fontIndex(text.Font);
            }
    if (marginLeft >= paperWidth_)
        marginLeft = 48;
    // Room under the lowest text, less some slack for the word processor's rounding.
    const double marginBottom = std::clamp(paperHeight_ - lowest - 12, 0.0, 48.0);

    // Every line is a paragraph placed where it stands on the page: space before it up to its top
    // and an exact line height (up to the next line's top at most), counted in twips from the top
    // margin so that nothing adds up.  The paragraph mark takes the line's largest font size.
    std::string body;
    for (size_t p = 0; p < pages.size(); ++p) {
        int position = 0;
        const std::vector<Line> lines = SideBySide(pages[p]);
        const auto lineTop = [&lines, marginTop](size_t l) {
            double top = lines[l].front().Rect.top();
            for (const TQRTextItem& text : lines[l])
                top = std::min(top, text.Rect.top());
            return Twips(top - marginTop);
        };
        for (size_t l = 0; l < lines.size(); ++l) {
            const Line& line = lines[l];
            const int top = std::max(position, lineTop(l));
            double bottom = 0;
            int size = 2;
            for (const TQRTextItem& text : line) {
                bottom = std::max(bottom, text.Rect.bottom());
                size = std::max(size, HalfPoints(text.Font));
            }
            int height = std::max(1, Twips(bottom - marginTop) - top);
            if (l + 1 < lines.size())
                height = std::clamp(lineTop(l + 1) - top, 1, height);
            body += "\\pard\\plain\\f" + std::to_string(fontIndex(line.front().Font)) + "\\fs" +
                    std::to_string(size) + "\\sl-" + std::to_string(height) + "\\slmult0";
            // A new page starts with its first line (a page break of its own would open a paragraph
            // that takes the space before of the line above it).
            if (p > 0 && l == 0)
                body += "\\pagebb";
            if (top > position)
                body += "\\sb" + std::to_string(top - position);
            position = top + height;

            double lastStop = -1;
            double lastRight = -1;
            std::string texts;
            for (const TQRTextItem& text : line) {
                double stop = text.Rect.left();
                const char* kind = "";
                if (text.Alignment == taRightJustify) {
                    stop = text.Rect.right();
                    kind = "\\tqr";
                } else if (text.Alignment == taCenter) {
                    stop = text.Rect.center().x();
                    kind = "\\tqc";
                }
                const int twips = Twips(stop - marginLeft);
                // A text that starts where the one before it ends (a footnote mark) follows it
                // without a tab: the word processor's width of the first may reach past the stop.
                const bool attached = !*kind && lastRight >= 0 && text.Rect.left() - lastRight < 1;
                if (!attached && twips > lastStop && (twips > 0 || *kind)) {
                    body += std::string(kind) + "\\tx" + std::to_string(twips);
                    lastStop = twips;
                    texts += "\\tab ";
                } else if (!texts.empty() && !attached) {
                    texts += ' ';
                }
                lastRight = text.Rect.right();
                const QFont& font = text.Font;
                texts += "{\\f" + std::to_string(fontIndex(font)) + "\\fs" + std::to_string(HalfPoints(font)) +
                         (font.bold() ? "\\b" : "") + (font.italic() ? "\\i" : "") + (font.underline() ? "\\ul" : "") +
                         " " + RtfText(text.Text) + "}";
            }
            body += " " + texts + "\\par\n";
        }
    }

    std::string rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0\n{\\fonttbl";
    if (families.empty())
        families.push_back("Arial");
    for (size_t i = 0; i < families.size(); ++i)
        rtf += "{\\f" + std::to_string(i) + "\\fswiss " + RtfText(families[i]) + ";}";
    rtf += "}\n\\paperw" + std::to_string(Twips(paperWidth_)) + "\\paperh" + std::to_string(Twips(paperHeight_)) +
           "\\margl" + std::to_string(Twips(marginLeft)) + "\\margr" + std::to_string(Twips(marginLeft)) +
           "\\margt" + std::to_string(Twips(marginTop)) + "\\margb" + std::to_string(Twips(marginBottom)) + "\n";
    rtf += body + "}\n";
    WriteFile(rtf);
}

// ---- XLS (BIFF2) ---------------------------------------------------------------------------------

namespace {

void Put16(std::string& out, unsigned value)
{
    out += char(value & 0xFF);
    out += char((value >> 8) & 0xFF);
}

void Record(std::string& out, unsigned type, const std::string& data)
{
    Put16(out, type);
    Put16(out, unsigned(data.size()));
    out += data;
}

} // namespace

void TQRXLSFilter::Finish()
{
    const auto pages = Lines();
    std::set<int> lefts;
    size_t rowCount = 0;
    for (const auto& page : pages)
        for (const Line& line : page) {
            ++rowCount;
            for (const TQRTextItem& text : line)
                lefts.insert(int(std::lround(text.Rect.left())));
        }
    if (rowCount > 16384 || lefts.size() > 256)
        throw Exception("Het rapport is te groot voor een XLS-bestand.");
    std::map<int, unsigned> column;
    for (int left : lefts)
        column.emplace(left, unsigned(column.size()));

    std::string out;
    std::string data;
    Put16(data, 0x0002); // BIFF2
    Put16(data, 0x0010); // worksheet
    Record(out, 0x0009, data);
    data.clear();
    Put16(data, 1252);
    Record(out, 0x0042, data);
    data.clear();
    Put16(data, 0);
    Put16(data, unsigned(rowCount));
    Put16(data, 0);
    Put16(data, unsigned(column.size()));
    Record(out, 0x0000, data);

    unsigned row = 0;
    for (const auto& page : pages)
        for (const Line& line : page) {
            std::map<unsigned, std::string> cells; // texts sharing a column are joined
            for (const TQRTextItem& text : line) {
                QString plain = text.Text;
                plain.replace('\t', ' ');
                std::string& cell = cells[column[int(std::lround(text.Rect.left()))]];
                if (!cell.empty())
                    cell += ' ';
                cell += QStringToAnsi(plain);
            }
            for (auto& [col, text] : cells) {
                if (text.size() > 255)
                    text.resize(255);
                data.clear();
                Put16(data, row);
                Put16(data, col);
                data += std::string(3, '\0');
                data += char(text.size());
                data += text;
                Record(out, 0x0004, data);
            }
            ++row;
        }
    Record(out, 0x000A, {});
    WriteFile(out);
}
