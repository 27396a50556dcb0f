#pragma once
// Colours, fonts, rectangles and alignment as the program's components use them.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>
#include <cstdint>
#include <functional>

// A colour: red in the low byte, then green, then blue.  Values with the high byte 0xFF name a
// system colour that is looked up in the application's palette when drawn.
using TColor = std::uint32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clOlive = 0x008080;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clWhite = 0xFFFFFF;

constexpr TColor clWindow = 0xFF000005;
constexpr TColor clWindowText = 0xFF000008;
constexpr TColor clHighlight = 0xFF00000D;
constexpr TColor clHighlightText = 0xFF00000E;
constexpr TColor clBtnFace = 0xFF00000F;
constexpr TColor clBtnShadow = 0xFF000010;

// The colour to paint with (system colours resolved).
QColor ColorToQColor(TColor color);

// A button picture as a disabled button shows it: grey, each pixel's brightness spread between
// shade (black) and white, its transparency kept, so that no part is darker than shade.
QImage DisabledGlyph(const QImage& glyph, const QColor& shade);

// text with a line break wherever wrapping it at width in font must break inside a word (a deep
// folder path), so that a word-wrapping label shows every character; elsewhere unchanged.
QString BreakLongWords(const QString& text, const QFont& font, int width);

enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// A rectangle with exclusive right and bottom edges.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool operator==(const TRect&) const = default;
};

// A font whose changes are reported to its owner.
class TFont {
public:
    TFont();

    const QString& Name() const { return name_; }
    int Size() const { return size_; }
    TColor Color() const { return color_; }
    bool Bold() const { return bold_; }
    bool Italic() const { return italic_; }

    void SetName(const QString& name);
    void SetSize(int size);
    void SetColor(TColor color);
    void SetBold(bool bold);

    // Copies every setting and reports one change.
    void Assign(const TFont& source);
    // Copies every setting without reporting it.
    void AssignSilently(const TFont& source);

    bool SameAs(const TFont& other) const;
    QFont ToQFont() const;

    std::function<void()> OnChange;

private:
    void Changed();

    QString name_;
    int size_;
    TColor color_ = clWindowText;
    bool bold_ = false;
    bool italic_ = false;
};
