#include "RegularFile.h"

#include "Exceptions.h"

#include <QTemporaryDir>
#include <fstream>
#include <iterator>
#include <gtest/gtest.h>
#include <unistd.h>
#include <vector>

namespace {

// The text and code of the refusal, or "(read <bytes>)".
std::string Outcome(const std::filesystem::path& path, std::size_t maxBytes)
{
    try {
        return "(read " + ReadRegularFile(path, maxBytes) + ")";
    } catch (const EInOutError& e) {
        return e.Message + " [" + std::to_string(e.ErrorCode) + "]";
    }
}

// Only a regular file is read, through its links (FIFOs and devices: in the readers' own tests).
TEST(RegularFile, ARegularFileIsReadThroughItsLinksAndNothingElse)
{
    QTemporaryDir dir;
    const std::filesystem::path folder = dir.path().toStdString();
    std::ofstream(folder / "tekst.ini", std::ios::binary) << "[A]\r\nb=c\r\n";
    std::filesystem::create_symlink(folder / "tekst.ini", folder / "naar-tekst");
    EXPECT_EQ(Outcome(folder / "naar-tekst", 100), "(read [A]\r\nb=c\r\n)");
    EXPECT_EQ(Outcome(folder, 100), "het is een map [" + std::to_string(EISDIR) + "]");
    EXPECT_EQ(Outcome(folder / "weg", 100), "het bestand bestaat niet [" + std::to_string(ENOENT) + "]");
}

// The size is checked before a byte is read: a sparse file far past the bound costs nothing.
TEST(RegularFile, AFileLargerThanTheBoundIsRefusedByItsSize)
{
    QTemporaryDir dir;
    const std::filesystem::path path = dir.path().toStdString() + "/groot";
    std::ofstream(path, std::ios::binary) << std::string(2048, 'x');
    EXPECT_EQ(Outcome(path, 2048), "(read " + std::string(2048, 'x') + ")");
    EXPECT_EQ(Outcome(path, 2047), "het bestand is groter dan 2047 bytes [" + std::to_string(EFBIG) + "]");
    EXPECT_EQ(Outcome(path, 1024), "het bestand is groter dan 1 kB [" + std::to_string(EFBIG) + "]");
    ASSERT_EQ(::truncate(path.c_str(), off_t(1) << 40), 0);
    EXPECT_EQ(Outcome(path, std::size_t(64) << 20), "het bestand is groter dan 64 MB [" + std::to_string(EFBIG) + "]");
    std::ofstream(dir.path().toStdString() + "/leeg");
    EXPECT_EQ(Outcome(dir.path().toStdString() + "/leeg", 0), "(read )");
}

// Read in pieces: the same bytes, in pieces as long as asked but the last, the same refusals.
TEST(RegularFile, InPiecesTheSameBytesAndRefusals)
{
    QTemporaryDir dir;
    const std::filesystem::path path = dir.path().toStdString() + "/stukken";
    std::string bytes;
    for (int i = 0; i < 1000; ++i)
        bytes += std::to_string(i) + "\r\n";
    std::ofstream(path, std::ios::binary) << bytes;
    const auto pieces = [&](const std::filesystem::path& file, std::size_t maxBytes, std::size_t pieceBytes) {
        std::string joined;
        std::vector<std::size_t> sizes;
        try {
            ReadRegularFileInPieces(file, maxBytes, pieceBytes, [&](std::string_view piece) {
                joined.append(piece);
                sizes.push_back(piece.size());
            });
        } catch (const EInOutError& e) {
            return e.Message + " [" + std::to_string(e.ErrorCode) + "]";
        }
        for (std::size_t i = 0; i < sizes.size(); ++i)
            EXPECT_TRUE(i + 1 < sizes.size() ? sizes[i] == pieceBytes : sizes[i] > 0 && sizes[i] <= pieceBytes) << i;
        return "(read " + joined + ")";
    };
    for (const std::size_t piece : {std::size_t(1), std::size_t(7), std::size_t(1000), bytes.size(), std::size_t(1) << 20})
        EXPECT_EQ(pieces(path, bytes.size(), piece), "(read " + bytes + ")") << piece;
    EXPECT_EQ(pieces(path, bytes.size() - 1, 64), Outcome(path, bytes.size() - 1));
    EXPECT_EQ(pieces(dir.path().toStdString(), 100, 64), Outcome(dir.path().toStdString(), 100));
    EXPECT_EQ(pieces(path.string() + "-weg", 100, 64), Outcome(path.string() + "-weg", 100));
    std::ofstream(dir.path().toStdString() + "/leeg");
    EXPECT_EQ(pieces(dir.path().toStdString() + "/leeg", 0, 64), "(read )");
}

// A file longer than its size says (the kernel's files state none) is read whole, in pieces or at
// once, and refused once its bytes pass the bound.
TEST(RegularFile, AFileLongerThanItsSizeIsReadWholeUpToTheBound)
{
    const std::filesystem::path path = "/proc/self/cmdline";
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 3u);
    ASSERT_EQ(std::filesystem::file_size(path), 0u);
    EXPECT_EQ(Outcome(path, 1 << 20), "(read " + bytes + ")");
    std::string joined;
    ReadRegularFileInPieces(path, 1 << 20, 3, [&](std::string_view piece) { joined.append(piece); });
    EXPECT_EQ(joined, bytes);
    EXPECT_EQ(Outcome(path, 3), "het bestand is groter dan 3 bytes [" + std::to_string(EFBIG) + "]");
}

} // namespace
