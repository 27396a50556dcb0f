#pragma once
// What the application object does for every window: failures that leave an event handler
// end in the application's error report, and the help call (no help file exists).

#include <functional>
#include <string>

class QWidget;

// The error report: a message box with the text, captioned with the application title.
void ShowApplicationError(const std::string& message);

// For use inside a catch block: reports the exception in flight.  The abort passes silently.
void HandleApplicationException();

// Runs an event handler the way the message loop does: nothing that it throws escapes.
void RunReported(const std::function<void()>& handler);

// Asks the help system for a topic.  There is no help file, so nothing is shown; false.
bool ApplicationHelpContext(int context);

// The window that a message box opened now belongs to: the active modal window, else the active
// window, else (between two activations) the program's visible main window; null when none.
QWidget* MessageBoxOwner();

// Makes box (a parentless top-level window, before it is shown) a dialog of MessageBoxOwner for
// the window manager, not of Qt's hidden group leader.  The box keeps no parent widget, so the
// owner may go away while it is open.
void BelongToActiveWindow(QWidget* box);
