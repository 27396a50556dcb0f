#include "ZEBMessages.h"

#include <QApplication>

TMessageTeksten MessageTeksten;
bool DutchCaptions = true;

void ShowInfoMessage(const std::string& Message)
{
    ZebMessageBox(MessageTeksten.Application, MessageTeksten.InfoTitle, Message, mbOk, clBlack, 1, DutchCaptions);
}

void ShowErrorMessage(const std::string& Title, const std::string& Message)
{
    QApplication::beep();
    ZebMessageBox(MessageTeksten.Application, Title, Message, mbOk, clRed, 1, DutchCaptions);
}

int AskQuestion(const std::string& Title, const std::string& Message, bool WithCancel)
{
    return ZebMessageBox(MessageTeksten.Application, Title, Message, WithCancel ? mbYesNoCancel : mbYesNo, clBlack, 1, DutchCaptions);
}
