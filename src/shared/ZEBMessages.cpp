#include "ZEBMessages.h"

#include <QApplication>

TMessageTeksten MessageTeksten;
bool DutchCaptions = true;

void ShowInfoMessage(const std::string& Message)
{
    ZebMessageBox(MessageTeksten.Application, MessageTeksten.InfoTitle, Message, 0, clBlack, 1, DutchCaptions);
}

void ShowErrorMessage(const std::string& Title, const std::string& Message)
{
    QApplication::beep();
    ZebMessageBox(MessageTeksten.Application, Title, Message, 0, clRed, 1, DutchCaptions);
}

int AskQuestion(const std::string& Title, const std::string& Message, bool WithCancel)
{
    return ZebMessageBox(MessageTeksten.Application, Title, Message, WithCancel ? 3 : 4, clBlack, 1, DutchCaptions);
}
