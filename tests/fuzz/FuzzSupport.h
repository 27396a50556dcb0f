#pragma once
// What every fuzz target shares: a private folder for the files it hands its reader, an offscreen
// application where the reader needs one, and a check that stops the run on a broken promise.

#include "Exceptions.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

// Sets up the process once: QT_QPA_PLATFORM=offscreen, configuration and temporary folders of its
// own (removed at exit) and, with gui, a QGuiApplication.  Called from LLVMFuzzerInitialize.
void FuzzSetUp(bool gui);

// The private folder of this process.
const std::filesystem::path& FuzzFolder();

// Writes bytes as the file name in the private folder and returns its path.
std::filesystem::path WriteFuzzFile(const std::string& name, std::string_view bytes);
void WriteFileBytes(const std::filesystem::path& path, std::string_view bytes);

// Prints what went wrong and aborts, so that the fuzzer keeps the input.
[[noreturn]] void FuzzFail(const char* file, int line, const std::string& what);

#define FUZZ_CHECK(condition)                                                                     \
    do {                                                                                          \
        if (!(condition))                                                                         \
            FuzzFail(__FILE__, __LINE__, #condition);                                             \
    } while (false)

// The view of a fuzz input as text.
inline std::string_view FuzzBytes(const std::uint8_t* data, std::size_t size)
{
    return {reinterpret_cast<const char*>(data), size};
}

// Every target defines these two (the fuzzer's entry points).
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
