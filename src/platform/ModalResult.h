#pragma once
// The results a modal window or message box ends with (the numbers the program's windows have
// always answered).

enum TModalResult : int {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrYes = 6,
    mrNo = 7,
};
