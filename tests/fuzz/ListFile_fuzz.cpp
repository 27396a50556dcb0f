// The list file: any bytes open into records or end in a message, and what opens is written and
// read back unchanged.
#include "FuzzSupport.h"
#include "ListFile.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace {

std::string FileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

template <class TList>
bool SameRecords(const TList& a, const TList& b)
{
    if (a.Count() != b.Count())
        return false;
    for (int i = 0; i < a.Count(); ++i)
        if (std::memcmp(a.Items(i), b.Items(i), sizeof *a.Items(i)) != 0)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzSetUp(false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::filesystem::path path = WriteFuzzFile("lijst.lst", FuzzBytes(data, size));
    TPartijList partij;
    TKandidaatList kandidaten;
    const std::optional<std::string> failure = OpenLijstFile(path, partij, kandidaten);
    const std::size_t whole = size < sizeof(TPartijRecord) ? 0 : (size - sizeof(TPartijRecord)) / sizeof(TKandidaatRecord);
    if (failure) {
        const bool shortRecord = size < sizeof(TPartijRecord) || (size - sizeof(TPartijRecord)) % sizeof(TKandidaatRecord) != 0;
        FUZZ_CHECK(shortRecord);
        FUZZ_CHECK(*failure == (size < sizeof(TPartijRecord) ? "frmMain.OpenLijst: Ongeldige partij record ingelezen."
                                                              : "frmMain.OpenLijst: Ongeldige kandidaat record ingelezen."));
        FUZZ_CHECK(std::size_t(kandidaten.Count()) == whole);
        return 0;
    }
    FUZZ_CHECK(partij.Count() == 1 && std::size_t(kandidaten.Count()) == whole);
    FUZZ_CHECK(sizeof(TPartijRecord) + whole * sizeof(TKandidaatRecord) == size);

    // Written back and read again, the records stay as they are, and so do the bytes.
    const std::filesystem::path copy = FuzzFolder() / "kopie.lst";
    FUZZ_CHECK(!SaveLijstFile(copy, partij, kandidaten));
    const std::string written = FileBytes(copy);
    FUZZ_CHECK(written.size() == size);
    TPartijList partij2;
    TKandidaatList kandidaten2;
    FUZZ_CHECK(!OpenLijstFile(copy, partij2, kandidaten2));
    FUZZ_CHECK(SameRecords(partij, partij2) && SameRecords(kandidaten, kandidaten2));
    FUZZ_CHECK(!SaveLijstFile(copy, partij2, kandidaten2));
    FUZZ_CHECK(FileBytes(copy) == written);
    return 0;
}
