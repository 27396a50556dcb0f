#pragma once
// Makes memory run out: while it lives, the process may map only the given number of bytes more
// than it has mapped, so a larger allocation fails with std::bad_alloc.  Not under the address
// sanitizer, which maps far more than it uses.

#include <fstream>
#include <string>
#include <sys/resource.h>

class AddressSpaceLimit {
public:
    explicit AddressSpaceLimit(rlim_t extra)
    {
        ::getrlimit(RLIMIT_AS, &previous_);
        std::ifstream status("/proc/self/status");
        rlim_t mapped = 0;
        for (std::string line; std::getline(status, line);)
            if (line.rfind("VmSize:", 0) == 0)
                mapped = rlim_t(std::stoull(line.substr(7))) * 1024;
        const rlimit limit{mapped + extra, previous_.rlim_max};
        ::setrlimit(RLIMIT_AS, &limit);
    }
    ~AddressSpaceLimit() { ::setrlimit(RLIMIT_AS, &previous_); }
    AddressSpaceLimit(const AddressSpaceLimit&) = delete;
    AddressSpaceLimit& operator=(const AddressSpaceLimit&) = delete;

private:
    rlimit previous_{};
};

