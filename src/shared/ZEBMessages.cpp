#include "ZEBMessages.h"

#include "AnsiText.h"

#include <QApplication>

#include <utility>

TMessageTeksten MessageTeksten;
bool DutchCaptions = true;

void ShowInfoMessage(const std::string& Message)
{
    ShowInfoMessageUnicode(MessageToQString(Message));
}

void ShowInfoMessageUnicode(const QString& Message)
{
    ZebMessageBoxUnicode(AnsiToQString(MessageTeksten.Application), AnsiToQString(MessageTeksten.InfoTitle), Message, mbOk,
                         clBlack, 1, DutchCaptions);
}

void ShowErrorMessage(const std::string& Title, const std::string& Message)
{
    ShowErrorMessageUnicode(Title, MessageToQString(Message));
}

void ShowErrorMessageUnicode(const std::string& Title, const QString& Message)
{
    QApplication::beep();
    ZebMessageBoxUnicode(AnsiToQString(MessageTeksten.Application), MessageToQString(Title), Message, mbOk, clRed, 1,
                         DutchCaptions);
}

namespace {

// Characters refused since the last message, waiting for the next one.
QString& PendingRefusals()
{
    static QString pending;
    return pending;
}

} // namespace

void TellRefusedCharacters(const QString& characters)
{
    QString& pending = PendingRefusals();
    const bool queued = !pending.isEmpty();
    pending += characters;
    if (queued || pending.isEmpty())
        return;
    QMetaObject::invokeMethod(
        qApp, [] { ShowInfoMessage(RefusedCharactersMessage(std::exchange(PendingRefusals(), QString()))); },
        Qt::QueuedConnection);
}

TAnsiValidator* TellRefusals(TAnsiValidator* validator)
{
    QObject::connect(validator, &TAnsiValidator::Refused, validator, &TellRefusedCharacters);
    return validator;
}

int AskQuestion(const std::string& Title, const std::string& Message, bool WithCancel)
{
    return ZebMessageBox(MessageTeksten.Application, Title, Message, WithCancel ? mbYesNoCancel : mbYesNo, clBlack, 1, DutchCaptions);
}
