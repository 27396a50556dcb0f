// The registry store's file: any bytes are read as a tree of keys or count as damaged; a damaged
// store is never overwritten, and a sound one keeps its keys when a value is written.
#include "FuzzSupport.h"
#include "RegistryStore.h"

#include <QDir>
#include <QFileInfo>
#include <fstream>
#include <iterator>

namespace {

std::string FileBytes(const QString& path)
{
    std::ifstream in(path.toStdString(), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Reads a few keys and every value of them, down to depth levels.
void Walk(RegistryStore& reg, const std::string& path, int depth)
{
    if (!reg.OpenKeyReadOnly(path))
        return;
    for (const std::string& name : reg.GetValueNames()) {
        // A name that Windows-1252 cannot hold is listed with "?" for what it lacks and cannot
        // be read under that name, as with the registry's ANSI calls.
        const TRegDataType type = reg.GetDataType(name);
        FUZZ_CHECK(type == rdString || type == rdInteger || name.find('?') != std::string::npos);
        if (type == rdString)
            reg.ReadString(name);
        else if (type == rdInteger)
            reg.ReadInteger(name);
    }
    if (depth == 0)
        return;
    std::vector<std::string> keys = reg.GetKeyNames();
    keys.resize(std::min<std::size_t>(keys.size(), 3));
    for (const std::string& key : keys)
        Walk(reg, path + "\\" + key, depth - 1);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzSetUp(false);
    const QString file = RegistryStore::FileName(HKEY_CURRENT_USER);
    QDir().mkpath(QFileInfo(file).path());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString file = RegistryStore::FileName(HKEY_CURRENT_USER);
    const std::string bytes(FuzzBytes(data, size));
    WriteFileBytes(std::filesystem::path(file.toStdString()), bytes);
    RegistryStore reg;
    bool damaged = false;
    std::vector<std::string> keys;
    try {
        keys = reg.GetKeyNames();
        Walk(reg, "\\", 2);
    } catch (const ERegistryException&) {
        damaged = true;
    }
    reg.CloseKey();
    const bool opened = reg.OpenKey("\\Software\\Zorvandel", true);
    if (damaged) {
        FUZZ_CHECK(!opened);
        FUZZ_CHECK(FileBytes(file) == bytes);
        return 0;
    }
    FUZZ_CHECK(opened);
    reg.WriteString("Naam", "waarde");
    reg.WriteInteger("Getal", -7);
    FUZZ_CHECK(reg.ReadString("Naam") == "waarde" && reg.ReadInteger("Getal") == -7);
    reg.CloseKey();
    std::vector<std::string> after = reg.GetKeyNames();
    for (const std::string& key : keys)
        FUZZ_CHECK(std::find(after.begin(), after.end(), key) != after.end());
    return 0;
}
