#pragma once
// Typing any character, also those QTest::keyClicks cannot (outside Latin-1's keyboard keys).

#include <QString>

class QWidget;

// Sends a key press and release carrying each character of text to widget.
void TypeCharacters(QWidget* widget, const QString& text);
