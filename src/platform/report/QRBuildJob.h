#pragma once
// The build of a report on a thread of its own (TQuickRep::Preview filling a TQRPrinter).

#include <atomic>
#include <mutex>
#include <thread>

// The build of a report on a thread of its own; shared by the report and its printer object,
// whichever is freed first stops it.
struct TQRBuildJob {
    ~TQRBuildJob() { Stop(); }
    void Stop();
    std::atomic<bool> Cancel{false};
    std::mutex JoinMutex;
    std::thread Thread;
};
