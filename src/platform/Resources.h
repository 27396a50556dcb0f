#pragma once
// The pictures and layouts compiled into the program (resources/zorvandel.qrc).

// Registers the compiled-in resources; safe to call any number of times.  Needed because they
// live in a static library, from which the linker would otherwise leave them out.
void EnsureResources();
