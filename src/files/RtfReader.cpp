#include "RtfReader.h"

#include "AnsiText.h"
#include "Exceptions.h"

#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>
#include <vector>

namespace {

constexpr int kDefaultHalfPoints = 24;
// The ranges word processors allow: measures within 22 inches, font sizes up to 1638 points.
constexpr int kMaxTwips = 31680;
constexpr int kMaxHalfPoints = 3276;

int Measure(int twips, int low = -kMaxTwips) { return std::clamp(twips, low, kMaxTwips); }

struct CharState {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int halfPoints = kDefaultHalfPoints;
};

struct ParaState {
    Qt::Alignment alignment = Qt::AlignLeft;
    int leftIndent = 0; // twips
    int firstIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;
    std::vector<int> tabs; // twips
};

struct GroupState {
    CharState chars;
    ParaState para;
    bool skip = false;
    int ucSkip = 1;
};

double TwipsToPixels(int twips) { return twips / 15.0; }

int HalfPointsToPixels(int halfPoints) { return std::max(1, int(std::lround(halfPoints * 2.0 / 3.0))); }

bool IsSkippedDestination(const std::string& word)
{
    static const char* const skipped[] = {"fonttbl", "colortbl", "stylesheet", "info", "pict", "header",
        "headerl", "headerr", "headerf", "footer", "footerl", "footerr", "footerf", "footnote", "fldinst",
        "object", "themedata", "colorschememapping", "latentstyles", "datastore", "listtable",
        "listoverridetable", "rsidtbl", "generator", "xmlnstbl", "filetbl", "revtbl", "pgdsctbl", "bkmkstart",
        "bkmkend", "pnseclvl", "userprops", "nonshppict", "shppict", "shp", "template", "docvar"};
    for (const char* name : skipped)
        if (word == name)
            return true;
    return false;
}

[[noreturn]] void Invalid(const std::string& what)
{
    throw EConvertError("Ongeldige RTF-tekst: " + what);
}

class Reader {
public:
    Reader(std::string_view rtf, QTextDocument& document) : rtf_(rtf), doc_(document), cursor_(&document) {}

    void Run()
    {
        if (rtf_.substr(0, 5) != "{\\rtf")
            Invalid("geen RTF");
        if (rtf_.size() > MaxRtfBytes)
            Invalid("de tekst is groter dan " + std::to_string(MaxRtfBytes >> 20) + " MB");
        doc_.clear();
        cursor_ = QTextCursor(&doc_);
        family_ = doc_.defaultFont().family();
        QTextOption option = doc_.defaultTextOption();
        option.setTabStopDistance(TwipsToPixels(720));
        doc_.setDefaultTextOption(option);
        size_t depth = 0;
        while (pos_ < rtf_.size()) {
            const char c = rtf_[pos_];
            if (c == '{') {
                ++pos_;
                if (++depth > MaxRtfDepth)
                    Invalid("de groepen zijn dieper genest dan " + std::to_string(MaxRtfDepth));
                stack_.push_back(state_);
                if (depth == 1)
                    continue;
                if (pos_ + 1 < rtf_.size() && rtf_[pos_] == '\\' && rtf_[pos_ + 1] == '*') {
                    pos_ += 2;
                    state_.skip = true;
                }
            } else if (c == '}') {
                ++pos_;
                if (depth == 0)
                    Invalid("een groep sluit die niet open is");
                --depth;
                Flush();
                if (depth == 0) {
                    // A final \par ends the last paragraph rather than starting an empty one.
                    if (cursor_.block().length() == 1 && doc_.blockCount() > 1)
                        cursor_.deletePreviousChar();
                    else
                        cursor_.setBlockFormat(BlockFormat());
                    break;
                }
                state_ = stack_.back();
                stack_.pop_back();
            } else if (c == '\\') {
                ControlWord();
            } else if (c == '\r' || c == '\n') {
                ++pos_;
            } else {
                ++pos_;
                Text(AnsiToQString(std::string(1, c)));
            }
        }
        if (depth != 0) {
            Invalid("de tekst houdt op binnen een groep");
        }
    }

private:
    void Text(const QString& text)
    {
        if (state_.skip)
            return;
        if (pendingSkip_ > 0) {
            --pendingSkip_;
            return;
        }
        if (!run_.isEmpty() && !SameChars(runChars_, state_.chars))
            Flush();
        chars_ += std::size_t(text.size());
        if (chars_ > MaxRtfChars)
            Invalid("meer dan " + std::to_string(MaxRtfChars) + " tekens");
        if (run_.isEmpty())
            runChars_ = state_.chars;
        run_ += text;
    }

    static bool SameChars(const CharState& a, const CharState& b)
    {
        return a.bold == b.bold && a.italic == b.italic && a.underline == b.underline &&
               a.halfPoints == b.halfPoints;
    }

    QTextCharFormat CharFormat(const CharState& chars) const
    {
        QTextCharFormat format;
        QFont font(family_);
        font.setPixelSize(HalfPointsToPixels(chars.halfPoints));
        font.setBold(chars.bold);
        font.setItalic(chars.italic);
        font.setUnderline(chars.underline);
        format.setFont(font);
        return format;
    }

    QTextBlockFormat BlockFormat() const
    {
        const ParaState& p = state_.para;
        QTextBlockFormat format;
        format.setAlignment(p.alignment);
        format.setLeftMargin(TwipsToPixels(p.leftIndent));
        format.setTextIndent(TwipsToPixels(p.firstIndent));
        format.setTopMargin(TwipsToPixels(p.spaceBefore));
        format.setBottomMargin(TwipsToPixels(p.spaceAfter));
        QList<QTextOption::Tab> tabs;
        for (int t : p.tabs)
            tabs.append(QTextOption::Tab(TwipsToPixels(t), QTextOption::LeftTab));
        format.setTabPositions(tabs);
        return format;
    }

    void Flush()
    {
        if (run_.isEmpty())
            return;
        cursor_.insertText(run_, CharFormat(runChars_));
        run_.clear();
    }

    void Paragraph()
    {
        if (state_.skip)
            return;
        if (++paragraphs_ > MaxRtfParagraphs)
            Invalid("meer dan " + std::to_string(MaxRtfParagraphs) + " alinea's");
        Flush();
        cursor_.setBlockFormat(BlockFormat());
        cursor_.insertBlock(BlockFormat(), CharFormat(state_.chars));
        pendingSkip_ = 0;
    }

    void ControlWord()
    {
        ++pos_; // the backslash
        if (pos_ >= rtf_.size())
            Invalid("de tekst houdt op na een backslash");
        const char c = rtf_[pos_];
        if (!std::isalpha(static_cast<unsigned char>(c))) {
            ++pos_;
            ControlSymbol(c);
            return;
        }
        const size_t start = pos_;
        while (pos_ < rtf_.size() && std::isalpha(static_cast<unsigned char>(rtf_[pos_])))
            ++pos_;
        const std::string word(rtf_.substr(start, pos_ - start));
        bool hasParam = false;
        long param = 0;
        bool negative = false;
        if (pos_ < rtf_.size() && rtf_[pos_] == '-') {
            negative = true;
            ++pos_;
        }
        while (pos_ < rtf_.size() && std::isdigit(static_cast<unsigned char>(rtf_[pos_]))) {
            hasParam = true;
            if (param < 1000000000)
                param = param * 10 + (rtf_[pos_] - '0');
            ++pos_;
        }
        if (negative)
            param = -param;
        if (pos_ < rtf_.size() && rtf_[pos_] == ' ')
            ++pos_;
        Word(word, hasParam, int(param));
    }

    void ControlSymbol(char c)
    {
        switch (c) {
        case '\'': {
            if (pos_ + 2 > rtf_.size())
                Invalid("de tekst houdt op binnen \\'hh");
            const std::string hex(rtf_.substr(pos_, 2));
            pos_ += 2;
            char* end = nullptr;
            const long value = std::strtol(hex.c_str(), &end, 16);
            if (end != hex.c_str() + 2)
                Invalid("\\' zonder twee hexadecimale cijfers");
            Text(AnsiToQString(std::string(1, char(value))));
            break;
        }
        case '~':
            Text(QString(QChar(0x00A0)));
            break;
        case '_':
            Text(QString(QChar(0x2011)));
            break;
        case '\\':
        case '{':
        case '}':
            Text(QString(QChar(c)));
            break;
        case '\r':
        case '\n':
            Paragraph();
            break;
        default: // \- optional hyphen, \| and the rest
            break;
        }
    }

    void Word(const std::string& w, bool hasParam, int param)
    {
        CharState& ch = state_.chars;
        ParaState& pa = state_.para;
        const bool on = !hasParam || param != 0;
        if (w == "bin") {
            pos_ += std::min(size_t(std::max(0, param)), rtf_.size() - pos_);
        } else if (IsSkippedDestination(w)) {
            state_.skip = true;
        } else if (w == "par" || w == "sect" || w == "page" || w == "row") {
            Paragraph();
        } else if (w == "line") {
            Text(QString(QChar::LineSeparator));
        } else if (w == "tab" || w == "cell") {
            Text("\t");
        } else if (w == "pard") {
            pa = ParaState();
        } else if (w == "plain") {
            ch = CharState();
        } else if (w == "b") {
            ch.bold = on;
        } else if (w == "i") {
            ch.italic = on;
        } else if (w == "ul") {
            ch.underline = on;
        } else if (w == "ulnone") {
            ch.underline = false;
        } else if (w == "fs") {
            ch.halfPoints = hasParam && param > 0 ? std::min(param, kMaxHalfPoints) : kDefaultHalfPoints;
        } else if (w == "ql") {
            pa.alignment = Qt::AlignLeft;
        } else if (w == "qc") {
            pa.alignment = Qt::AlignHCenter;
        } else if (w == "qr") {
            pa.alignment = Qt::AlignRight;
        } else if (w == "qj") {
            pa.alignment = Qt::AlignJustify;
        } else if (w == "li") {
            pa.leftIndent = Measure(param);
        } else if (w == "fi") {
            pa.firstIndent = Measure(param);
        } else if (w == "sb") {
            pa.spaceBefore = Measure(param, 0);
        } else if (w == "sa") {
            pa.spaceAfter = Measure(param, 0);
        } else if (w == "tx") {
            if (pa.tabs.size() < MaxRtfTabStops)
                pa.tabs.push_back(Measure(param, 0));
        } else if (w == "uc") {
            state_.ucSkip = std::max(0, param);
        } else if (w == "u") {
            const int code = param < 0 ? param + 65536 : param;
            Text(QString(QChar(char16_t(code))));
            pendingSkip_ = state_.ucSkip;
        } else if (w == "emdash") {
            Text(QString(QChar(0x2014)));
        } else if (w == "endash") {
            Text(QString(QChar(0x2013)));
        } else if (w == "bullet") {
            Text(QString(QChar(0x2022)));
        } else if (w == "lquote") {
            Text(QString(QChar(0x2018)));
        } else if (w == "rquote") {
            Text(QString(QChar(0x2019)));
        } else if (w == "ldblquote") {
            Text(QString(QChar(0x201C)));
        } else if (w == "rdblquote") {
            Text(QString(QChar(0x201D)));
        }
        if (w != "u")
            pendingSkip_ = 0;
    }

    std::string_view rtf_;
    QTextDocument& doc_;
    QTextCursor cursor_;
    QString family_;
    size_t pos_ = 0;
    GroupState state_;
    std::vector<GroupState> stack_;
    QString run_;
    CharState runChars_;
    int pendingSkip_ = 0;
    std::size_t paragraphs_ = 0;
    std::size_t chars_ = 0; // of body text
};

} // namespace

void ReadRtf(std::string_view rtf, QTextDocument& document)
{
    try {
        Reader(rtf, document).Run();
    } catch (...) {
        document.clear();
        throw;
    }
}
