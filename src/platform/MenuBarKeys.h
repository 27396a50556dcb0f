#pragma once
// Alt with a letter opens the menu of the menu bar that underlines it, on the first press, as on
// every desktop.  Qt gives such a key to every button whose caption underlines the same letter
// too, and a key with two owners does nothing on its first press.

class QMenuBar;
class QWidget;

// Every button of window whose shortcut is the Alt key of a menu of bar gives that key up; its
// caption keeps the underline.  Call when the captions are set.
void GiveMenuBarTheAltKeys(QMenuBar* bar, QWidget* window);
