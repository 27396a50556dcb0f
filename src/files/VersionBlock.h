#pragma once
// Version information carried by a program file.  The build embeds a block of text lines in the
// program (see VersionBlockText for the layout); ReadVersionBlock finds it again in any file.
//
//   <VersionBlockMagic>
//   \FileInfo\ProductVersion=4.0.0.1
//   \FileInfo\FileOS=0x00000000
//   \FileInfo\FileType=0x00000001
//   \StringFileInfo\041304E4\ProductName=Zorvandel
//   ...
//   <VersionBlockEnd>
//
// Values are Windows-1252 text without line breaks.  The "\FileInfo\" lines form the fixed part;
// a block may lack it.  The string lines are found by their full path.

#include <QString>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

// As macros too, so that a block can be written as one string literal.
#define ZORVANDEL_VERSION_BLOCK_MAGIC "\x7FZorvandel version block\n"
#define ZORVANDEL_VERSION_BLOCK_END "\x7F" "end\n"
inline constexpr char VersionBlockMagic[] = ZORVANDEL_VERSION_BLOCK_MAGIC;
inline constexpr char VersionBlockEnd[] = ZORVANDEL_VERSION_BLOCK_END;

struct TFixedFileInfo {
    std::uint32_t ProductVersionMS = 0; // major << 16 | minor
    std::uint32_t ProductVersionLS = 0; // release << 16 | build
    std::uint32_t FileOS = 0;
    std::uint32_t FileType = 0;
};

struct TVersionData {
    std::optional<TFixedFileInfo> Fixed;
    std::map<std::string, std::string> Strings; // "\StringFileInfo\041304E4\ProductName" -> value

    // The value at Path, or nothing when the block does not hold it.
    std::optional<std::string> QueryString(const std::string& Path) const;
};

// The first well-formed block in FileName; nothing when the file is missing, unreadable or holds
// no block.
std::optional<TVersionData> ReadVersionBlock(const QString& FileName);

// The block as it is embedded: magic, fixed part, strings, end.
std::string VersionBlockText(const TVersionData& Data);
