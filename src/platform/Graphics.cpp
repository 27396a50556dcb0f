#include "Graphics.h"

#include <QApplication>
#include <QPalette>
#include <QTextBoundaryFinder>
#include <QTextLayout>

QColor ColorToQColor(TColor color)
{
    if ((color >> 24) == 0xFF) {
        const QPalette palette = QApplication::palette();
        switch (color & 0xFF) {
        case 0x05: return palette.color(QPalette::Active, QPalette::Base);
        case 0x08: return palette.color(QPalette::Active, QPalette::Text);
        case 0x0D: return palette.color(QPalette::Active, QPalette::Highlight);
        case 0x0E: return palette.color(QPalette::Active, QPalette::HighlightedText);
        case 0x0F: return palette.color(QPalette::Active, QPalette::Button);
        case 0x10: return palette.color(QPalette::Active, QPalette::Dark);
        default: return palette.color(QPalette::Active, QPalette::Window);
        }
    }
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

QImage DisabledGlyph(const QImage& glyph, const QColor& shade)
{
    QImage image = glyph.convertToFormat(QImage::Format_ARGB32);
    const int darkest = qGray(shade.rgb());
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int gray = darkest + (255 - darkest) * qGray(line[x]) / 255;
            line[x] = qRgba(gray, gray, gray, qAlpha(line[x]));
        }
    }
    return image;
}

QString BreakLongWords(const QString& text, const QFont& font, int width)
{
    QString laidOut = text;
    laidOut.replace(QLatin1Char('\n'), QChar::LineSeparator); // same length, so positions match
    QTextLayout layout(laidOut, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, text);
    QString result;
    qsizetype from = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        const qsizetype end = line.textStart() + line.textLength();
        result += text.mid(from, end - from);
        from = end;
        breaks.setPosition(end);
        if (end < text.size() && !breaks.isAtBoundary())
            result += QLatin1Char('\n');
    }
    layout.endLayout();
    return result + text.mid(from);
}

TFont::TFont()
{
    const QFont font = QApplication::font();
    name_ = font.family();
    size_ = font.pointSize() > 0 ? font.pointSize() : 8;
}

void TFont::SetName(const QString& name)
{
    if (name_ != name) {
        name_ = name;
        Changed();
    }
}

void TFont::SetSize(int size)
{
    if (size_ != size) {
        size_ = size;
        Changed();
    }
}

void TFont::SetColor(TColor color)
{
    if (color_ != color) {
        color_ = color;
        Changed();
    }
}

void TFont::SetBold(bool bold)
{
    if (bold_ != bold) {
        bold_ = bold;
        Changed();
    }
}

void TFont::Assign(const TFont& source)
{
    AssignSilently(source);
    Changed();
}

void TFont::AssignSilently(const TFont& source)
{
    name_ = source.name_;
    size_ = source.size_;
    color_ = source.color_;
    bold_ = source.bold_;
    italic_ = source.italic_;
}

bool TFont::SameAs(const TFont& other) const
{
    return name_ == other.name_ && size_ == other.size_ && color_ == other.color_ && bold_ == other.bold_
        && italic_ == other.italic_;
}

QFont TFont::ToQFont() const
{
    QFont font(name_, size_);
    font.setBold(bold_);
    font.setItalic(italic_);
    return font;
}

void TFont::Changed()
{
    if (OnChange)
        OnChange();
}
