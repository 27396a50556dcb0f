#pragma once
// Helpers for the grid tests: the message of a failure, and a grid shown with the focus.

#include "Exceptions.h"
#include "StringGrid.h"

#include <QApplication>
#include <functional>
#include <string>

// The message of the Exception that action raises; "(no error)" when it raises none.
inline std::string ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Exception& e) {
        return e.Message;
    }
    return "(no error)";
}

// Shows grid as the active window with the keyboard focus, its view up to date.
inline void ShowFocused(TStringGrid& grid)
{
    grid.resize(400, 300);
    grid.show();
    QApplication::setActiveWindow(&grid);
    grid.setFocus();
    grid.UpdateView();
    QCoreApplication::processEvents();
}
