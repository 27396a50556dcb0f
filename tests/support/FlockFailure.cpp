#include "FlockFailure.h"

#include <atomic>
#include <cerrno>
#include <dlfcn.h>

namespace {

std::atomic<int> failWith{0};

} // namespace

FlockFailure::FlockFailure(int error) { failWith = error; }

FlockFailure::~FlockFailure() { failWith = 0; }

extern "C" int flock(int fd, int operation)
{
    if (const int error = failWith.load()) {
        errno = error;
        return -1;
    }
    using TFlock = int (*)(int, int);
    static const auto next = reinterpret_cast<TFlock>(::dlsym(RTLD_NEXT, "flock"));
    return next(fd, operation);
}
