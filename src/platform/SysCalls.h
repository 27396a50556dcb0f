#pragma once
// Small services the program took from the operating system.

#include <functional>
#include <string>

class QWidget;

// Milliseconds since the program started (the system tick count of the original).
double GetTickCount();

// The warning sound; type is the original's sound code.
enum : unsigned { mbIconError = 16 };
void MessageBeep(unsigned type);

// Stops redrawing window (nullptr: redraws the one locked window again).  Only one window of the
// process is locked at a time; locking another releases the first.
void LockWindowUpdate(QWidget* window);

// A plain message box with the application's title and an OK button.
void ShowMessage(const std::string& text);

// Runs show (a modal window) with the normal cursor, whatever the command around it shows.
int ShowModalWithNormalCursor(const std::function<int()>& show);

// Shows the hourglass cursor for its lifetime (inside another hourglass it changes nothing).
class TWaitCursor {
public:
    TWaitCursor();
    ~TWaitCursor();
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;

private:
    bool active_;
};
