#pragma once
// The message of the failure an action raises, for checking exact error texts in one line.

#include "Exceptions.h"

#include <functional>
#include <string>

// The message of the E that action raises; "(no error)" when it raises none. A failure of
// another type is not caught, so the test fails on it.
template <class E = Exception>
std::string ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const E& e) {
        return e.Message;
    }
    return "(no error)";
}
