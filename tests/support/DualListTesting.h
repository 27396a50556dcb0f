#pragma once
// Helpers for tests of windows with a dual list box: its items, clicks on its items, and drops.

#include "ZEBDLB.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QTest>
#include <array>
#include <string>
#include <vector>

inline std::vector<std::string> ItemTexts(TDLBItems& items)
{
    std::vector<std::string> texts;
    for (int i = 0; i < items.Count(); ++i)
        texts.push_back(items.Strings(i));
    return texts;
}

inline QPoint ItemCentre(QListWidget* list, int row)
{
    return list->visualItemRect(list->item(row)).center();
}

inline void ClickItem(QListWidget* list, int row, Qt::KeyboardModifiers modifiers = {})
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, ItemCentre(list, row));
}

// What the platform delivers when a drag with data reaches a list and is let go there: enter,
// move, and the drop (which reaches the list only when it took the enter).  Whether each was taken.
inline std::array<bool, 3> DragOnto(TZEBDualListBox& dlb, TListBoxID id, const QMimeData* data)
{
    QWidget* target = dlb.ListBox(id)->viewport();
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QDragMoveEvent move(at, Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QDropEvent drop(at, Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    const bool entered = (QApplication::sendEvent(target, &enter), enter.isAccepted());
    const bool moved = (QApplication::sendEvent(target, &move), move.isAccepted());
    const bool dropped = (QApplication::sendEvent(target, &drop), drop.isAccepted()) && drop.dropAction() == Qt::MoveAction;
    return {entered, moved, dropped};
}
