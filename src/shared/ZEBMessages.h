#pragma once
// The message routines every window uses; all of them show the program's own message box
// (Zebmbox.h) with the caption MessageTeksten.Application.
//
//   ShowInfoMessage("Zorvandel is opgeslagen in " + fileName);
//   ShowErrorMessage("StartTemplate: ", e.Message);
//   if (AskQuestion("Opslaan", "Wilt u de gegevens opslaan?", true) == mrYes) ...
//
// Texts are Windows-1252; the Unicode entries take a message that shows a path.

#include "Zebmbox.h"

#include <QString>

#include <string>

struct TMessageTeksten {
    std::string Application = "Gebruik MessageTeksten.Application"; // caption of every box
    std::string InfoTitle = "Melding";                              // heading of ShowInfoMessage
};

extern TMessageTeksten MessageTeksten;
extern bool DutchCaptions; // Dutch button captions; false gives the English ones

// Heading InfoTitle, black text, one "&Ok" button.
void ShowInfoMessage(const std::string& Message);

// The same for a message that shows a path: Message is Unicode, so every character of it stays.
void ShowInfoMessageUnicode(const QString& Message);

// Beeps, then shows Message in red under the heading Title with one "&Ok" button.
void ShowErrorMessage(const std::string& Title, const std::string& Message);
void ShowErrorMessageUnicode(const std::string& Title, const QString& Message);

// Yes/No (/Cancel when WithCancel) with Yes focused; returns mrYes (6), mrNo (7) or mrCancel (2).
int AskQuestion(const std::string& Title, const std::string& Message, bool WithCancel);
