#pragma once
// The exception family the program's routines raise and its command handlers catch.

#include <exception>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : Message(std::move(message)) {}
    const char* what() const noexcept override { return Message.c_str(); }

    std::string Message; // guards put their prefix in front of it and re-throw the same object
};

// The silent abort: a user's cancellation; handlers pass it over without a message.
class EAbort : public Exception {
public:
    explicit EAbort(std::string message = "Operation aborted") : Exception(std::move(message)) {}
};

class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// File input/output failures.
class EInOutError : public Exception {
public:
    EInOutError(std::string message, int errorCode) : Exception(std::move(message)), ErrorCode(errorCode) {}
    int ErrorCode;
};

class ExceptionWithCode : public Exception {
public:
    ExceptionWithCode(std::string message, int code) : Exception(std::move(message)), Code(code) {}
    int Code;
};

// Whether e is one of the standard library's failures to find memory (std::bad_alloc,
// std::length_error), whose own texts are technical English.
inline bool IsOutOfMemory(const std::exception& e)
{
    return dynamic_cast<const std::bad_alloc*>(&e) || dynamic_cast<const std::length_error*>(&e);
}

// The text of a failure as the user reads it: an Exception's message; for a failure to find memory
// (IsOutOfMemory) "Onvoldoende geheugen"; else the failure's own text.
inline std::string MessageOf(const std::exception& e)
{
    if (const auto* own = dynamic_cast<const Exception*>(&e))
        return own->Message;
    if (IsOutOfMemory(e))
        return "Onvoldoende geheugen";
    return e.what();
}

// Runs body; a failure leaves with prefix put in front of its message.  An Exception keeps its
// class; any other std::exception becomes an Exception with the same text.  A failed allocation
// leaves unchanged, so that the handler that shows it can say so in words.
template <class Body>
decltype(auto) Guarded(const std::string& prefix, Body&& body)
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        throw;
    } catch (Exception& e) {
        e.Message = prefix + e.Message;
        throw;
    } catch (const std::exception& e) {
        throw Exception(prefix + MessageOf(e));
    }
}

// Runs body; a failure leaves as a new plain Exception with prefix put in front of its message
// (the class of the failure is not kept).  With passAbort, the abort exception leaves unchanged;
// so does a failed allocation.
template <class Body>
decltype(auto) GuardedPlain(const std::string& prefix, Body&& body, bool passAbort = false)
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const EAbort& e) {
        if (passAbort)
            throw;
        throw Exception(prefix + e.Message);
    } catch (const std::exception& e) {
        throw Exception(prefix + MessageOf(e));
    }
}
