#pragma once
// Small helpers for the program's own file reading and writing on POSIX calls.

#include "Exceptions.h"

#include <cerrno>
#include <system_error>

// Raises the input/output error for an errno value, with the system's text.
[[noreturn]] inline void ThrowIoError(int error)
{
    throw EInOutError(std::system_category().message(error), error);
}

// Runs a system call again while a signal interrupts it.
int RetryOnInterrupt(auto call)
{
    int result;
    do
        result = static_cast<int>(call());
    while (result < 0 && errno == EINTR);
    return result;
}
