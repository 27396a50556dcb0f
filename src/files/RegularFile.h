#pragma once
// Reading a whole file that the program only reads (texts, settings, data of the forms), so that
// nothing another program put in its place can make it wait or fill its memory.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

// The bytes of the file fileName names (through its links).  It is opened without blocking, so a
// FIFO (or a link to one) neither waits for a writer nor is read, and only a regular file is read:
// not a FIFO, a device such as /dev/zero, a socket or a directory.  A file larger than maxBytes is
// refused by its size before a byte is read, and so is one that grows past it while it is read.
// Failures raise EInOutError with the errno value as ErrorCode and a Dutch text that fits after
// "kon niet worden gelezen": ENOENT "het bestand bestaat niet", EACCES "geen toegang",
// EISDIR "het is een map", EINVAL "het is geen gewoon bestand", EFBIG "het bestand is groter dan
// <SizeText(maxBytes)>", any other "leesfout <errno>".
std::string ReadRegularFile(const std::filesystem::path& fileName, std::size_t maxBytes);

// The same file handed to piece in order, pieceBytes at a time (the last piece shorter), so that no
// more than a piece is held; a piece is valid during its call only.  The same checks and failures:
// a file that grows past maxBytes while it is read fails once its bytes so far pass it.
void ReadRegularFileInPieces(const std::filesystem::path& fileName, std::size_t maxBytes, std::size_t pieceBytes,
                             const std::function<void(std::string_view)>& piece);

// A size as the messages name it: whole megabytes as "<n> MB", whole kilobytes as "<n> kB",
// else "<n> bytes".
std::string SizeText(std::size_t bytes);
