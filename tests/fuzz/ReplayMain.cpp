// A fuzz target as a plain program: feeds it every file named on the command line and every file
// of every folder named there, in name order, once each.  Ends with the count and the slowest file.
#include "FuzzSupport.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    LLVMFuzzerInitialize(&argc, &argv);
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path(argv[i]);
        if (std::filesystem::is_directory(path)) {
            for (const auto& entry : std::filesystem::directory_iterator(path))
                if (entry.is_regular_file())
                    files.push_back(entry.path());
        } else {
            files.push_back(path);
        }
    }
    std::sort(files.begin(), files.end());
    if (files.empty()) {
        std::fprintf(stderr, "no input files\n");
        return 1;
    }
    double slowest = 0, slowestPerByte = 0;
    std::string slowestName, slowestPerByteName;
    for (const auto& file : files) {
        std::ifstream in(file, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!in.eof() && in.fail()) {
            std::fprintf(stderr, "cannot read %s\n", file.c_str());
            return 1;
        }
        std::fprintf(stderr, "%s (%zu bytes", file.c_str(), bytes.size());
        const auto start = std::chrono::steady_clock::now();
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::fprintf(stderr, ", %.6f s)\n", seconds);
        if (seconds >= slowest) {
            slowest = seconds;
            slowestName = file.filename().string();
        }
        // Per byte only where the bytes outweigh the fixed cost of a call.
        if (bytes.size() >= 1024 && seconds / double(bytes.size()) >= slowestPerByte) {
            slowestPerByte = seconds / double(bytes.size());
            slowestPerByteName = file.filename().string();
        }
    }
    std::printf("%zu files replayed; slowest %s, %.3f s; slowest per byte %s, %.3f us/byte\n", files.size(),
                slowestName.c_str(), slowest, slowestPerByteName.c_str(), slowestPerByte * 1e6);
    return 0;
}
