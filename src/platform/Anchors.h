#pragma once
// Right anchoring of absolutely placed children: the child keeps its distance to its parent's
// right edge when the parent is resized.

class QWidget;

// designParentWidth: the parent's width that the child's position was laid out for.
// Anchoring the same child again replaces its distance.
void AnchorRight(QWidget* child, int designParentWidth);
