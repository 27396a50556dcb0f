#pragma once
// Outer sizes of top-level windows.  A size given for a window with a frame (a standard dialog) is
// its outer size: the frame and caption that the window system draws around it are part of it,
// and the client area is what is left.  The window system tells a window's frame only once it has
// framed the window, so the frame of a framed window of the program stands in until then.

#include <QSize>
#include <functional>

class QWidget;

struct TFrameExtents {
    int Left = 0;
    int Top = 0; // the caption included
    int Right = 0;
    int Bottom = 0;

    int Width() const { return Left + Right; }
    int Height() const { return Top + Bottom; }
    bool IsNone() const { return Left == 0 && Top == 0 && Right == 0 && Bottom == 0; }
    bool operator==(const TFrameExtents&) const = default;
};

// The client size of a window of outer size Outer in the frame; never below 1 by 1.
QSize ClientSizeFor(QSize Outer, const TFrameExtents& Frame);

// The frame that the window system draws around Window now; none before it is framed.
TFrameExtents FrameOf(const QWidget* Window);

// The frame of a standard dialog as the window system draws it: that of a shown, framed top-level
// window of the program (the active window first); none while no such window is known.
TFrameExtents StandardDialogFrame();

// Sizes Window (a top-level widget with a frame, not shown yet) for an outer size: Apply is called
// at once with StandardDialogFrame(), and again with the window's own frame when the window system
// has framed it and that frame differs; the framed window is then centred on the screen anew.
// Apply sets the client size (and places what depends on it).
void ApplyOuterSize(QWidget* Window, const std::function<void(const TFrameExtents&)>& Apply);
