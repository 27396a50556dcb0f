#pragma once
// Windows that open in the middle of the screen rather than over their owner.

class QWidget;

// Moves window (a top-level widget, before it is shown) to the middle of the screen that its
// owner is on, or of the primary screen; Qt then keeps that place when the window is shown.
void CenterOnScreen(QWidget* window);
