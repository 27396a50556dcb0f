#include "FuzzSupport.h"

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <unistd.h>

namespace {

std::filesystem::path folder;
QGuiApplication* application = nullptr; // lives as long as the process

void RemoveFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

} // namespace

void FuzzSetUp(bool gui)
{
    if (folder.empty()) {
        // Memory-backed where there is such a folder: every input is written to a file.
        const char* base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string pattern = std::string(base) + "/zorvandel-fuzz-XXXXXX";
        if (!::mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        folder = pattern;
        std::atexit(RemoveFolder);
        for (const char* sub : {"config", "data", "tmp", "runtime"})
            std::filesystem::create_directories(folder / sub);
        std::filesystem::permissions(folder / "runtime", std::filesystem::perms::owner_all);
        setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
        setenv("XDG_DATA_HOME", (folder / "data").c_str(), 1);
        setenv("TMPDIR", (folder / "tmp").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", (folder / "runtime").c_str(), 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    if (gui && !application) {
        static int argc = 1;
        static char name[] = "fuzz";
        static char* argv[] = {name, nullptr};
        application = new QGuiApplication(argc, argv);
    }
}

const std::filesystem::path& FuzzFolder() { return folder; }

void WriteFileBytes(const std::filesystem::path& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    out.close();
    if (!out)
        FuzzFail(__FILE__, __LINE__, "cannot write " + path.string());
}

std::filesystem::path WriteFuzzFile(const std::string& name, std::string_view bytes)
{
    const std::filesystem::path path = folder / name;
    WriteFileBytes(path, bytes);
    return path;
}

void FuzzFail(const char* file, int line, const std::string& what)
{
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, what.c_str());
    std::fflush(stderr);
    std::abort();
}
