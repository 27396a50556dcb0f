#include "AnsiText.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {

constexpr const char* kCodePage = "windows-1252";

QByteArray Encode(QStringView text)
{
    QStringEncoder encoder(kCodePage, QStringConverter::Flag::Stateless);
    return encoder.encode(text);
}

} // namespace

QString AnsiToQString(const std::string& ansi)
{
    QStringDecoder decoder(kCodePage, QStringConverter::Flag::Stateless);
    return decoder.decode(QByteArrayView(ansi.data(), qsizetype(ansi.size())));
}

// The encoder does not report every character it cannot hold (some become a substitute byte),
// so a text counts as encoded only when it decodes back to itself.
std::string QStringToAnsi(const QString& text, bool* ok)
{
    const QByteArray whole = Encode(text);
    std::string result(whole.constData(), size_t(whole.size()));
    if (AnsiToQString(result) == text) {
        if (ok)
            *ok = true;
        return result;
    }
    bool allEncoded = true;
    result.clear();
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype len =
            (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) ? 2 : 1;
        const QStringView one = QStringView(text).mid(i, len);
        const QByteArray byte = Encode(one);
        if (byte.size() == 1 && AnsiToQString(std::string(1, byte.at(0))) == one) {
            result += byte.at(0);
        } else {
            allEncoded = false;
            result += '?';
        }
        i += len;
    }
    if (ok)
        *ok = allEncoded;
    return result;
}

bool IsAnsiRepresentable(const QString& text)
{
    bool ok = false;
    QStringToAnsi(text, &ok);
    return ok;
}
