#pragma once
// The message routines every window uses; all of them show the program's own message box
// (Zebmbox.h) with the caption MessageTeksten.Application.
//
//   ShowInfoMessage("Zorvandel is opgeslagen in " + fileName);
//   ShowErrorMessage("StartTemplate: ", e.Message);
//   if (AskQuestion("Opslaan", "Wilt u de gegevens opslaan?", true) == mrYes) ...
//
// Texts are Windows-1252; the Unicode entries take a message that shows a path.

#include "AnsiValidator.h"
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

// Tells the user, with ShowInfoMessage, that an entry field refused an input for characters the
// program cannot store (RefusedCharactersMessage).  The message comes once the input at hand has
// been handled; refusals before it is shown join it, so a burst of such keys gives one message.
void TellRefusedCharacters(const QString& characters);
// validator, its refusals told by TellRefusedCharacters.
TAnsiValidator* TellRefusals(TAnsiValidator* validator);

// Yes/No (/Cancel when WithCancel) with Yes focused; returns mrYes (6), mrNo (7) or mrCancel (2).
int AskQuestion(const std::string& Title, const std::string& Message, bool WithCancel);
