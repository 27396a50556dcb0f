#pragma once
// An icon that is made only when it is first drawn or measured, for pictures that cost time to
// decode or compute while their window is being built.  Made once, it answers every later request
// exactly as the icon that make returned.

#include <QIcon>
#include <functional>

QIcon LazyIcon(std::function<QIcon()> make);
