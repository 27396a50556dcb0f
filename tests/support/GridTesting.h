#pragma once
// Helpers for the grid tests: ErrorOf, and a grid shown with the focus.

#include "ErrorOf.h"
#include "StringGrid.h"

#include <QApplication>

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
