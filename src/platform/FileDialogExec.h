#pragma once
// Modal file dialogs that are kept between uses.

class QFileDialog;

// Shows Dialog modally and returns its result.  Its name completion ends with it: the completion
// list, which would open again once the folder that it was reading is read, stays closed after the
// dialog has closed (an open list would take the keys meant for the window below).
int ExecFileDialog(QFileDialog* Dialog);
