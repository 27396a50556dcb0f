#pragma once
// A thread of its own that exchanges items with its owner through a queue of bounded length: either
// the owner puts and the worker takes, or the worker puts and the owner takes.  What the worker
// throws is handed to the owner by Finish; no thread outlives the object.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

template <class T>
class TBoundedWorker {
public:
    using TWork = std::function<void(TBoundedWorker& Exchange)>;

    // Starts Work on a thread of its own; at most Capacity (at least 1) items wait between the two.
    TBoundedWorker(std::size_t Capacity, TWork Work)
        : capacity_(Capacity == 0 ? 1 : Capacity), thread_([this, work = std::move(Work)] { Run(work); })
    {
    }
    // Stops the exchange and waits for the worker; a failure that Finish did not take is dropped.
    ~TBoundedWorker()
    {
        Stop();
        Join();
    }
    TBoundedWorker(const TBoundedWorker&) = delete;
    TBoundedWorker& operator=(const TBoundedWorker&) = delete;

    // The putting side: adds Item, waiting while Capacity items wait.  False, and nothing added,
    // once the exchange was stopped or the worker, as the taking side, has ended.
    bool Put(T Item)
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return stopped_ || workerEnded_ || queue_.size() < capacity_; });
        if (stopped_ || workerEnded_)
            return false;
        queue_.push_back(std::move(Item));
        lock.unlock();
        changed_.notify_all();
        return true;
    }
    // The putting side has put its last item.
    void EndPut()
    {
        {
            const std::lock_guard lock(mutex_);
            putEnded_ = true;
        }
        changed_.notify_all();
    }
    // The taking side: the next item, waiting while none waits.  None once the exchange was stopped,
    // or once every item was taken after the putting side ended (EndPut, or the worker's end when
    // it puts).
    std::optional<T> Take()
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return stopped_ || putEnded_ || workerEnded_ || !queue_.empty(); });
        if (stopped_ || queue_.empty())
            return std::nullopt;
        T item = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        changed_.notify_all();
        return item;
    }
    // Ends the exchange early, from either side: Put gives false and Take none from now on.
    void Stop()
    {
        {
            const std::lock_guard lock(mutex_);
            stopped_ = true;
        }
        changed_.notify_all();
    }
    // Whether the worker has ended with a failure, which Finish rethrows.
    bool WorkerFailed()
    {
        const std::lock_guard lock(mutex_);
        return failure_ != nullptr;
    }
    // The owner: ends its putting (when it puts), waits for the worker to end, and rethrows what
    // the worker threw.  A worker that takes first takes every item put before.
    void Finish()
    {
        EndPut();
        Join();
        if (std::exception_ptr failure = std::exchange(failure_, nullptr))
            std::rethrow_exception(failure);
    }

private:
    void Run(const TWork& work)
    {
        std::exception_ptr failure;
        try {
            work(*this);
        } catch (...) {
            failure = std::current_exception();
        }
        {
            const std::lock_guard lock(mutex_);
            failure_ = failure;
            workerEnded_ = true;
        }
        changed_.notify_all();
    }

    void Join()
    {
        if (thread_.joinable())
            thread_.join();
    }

    const std::size_t capacity_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<T> queue_;
    bool putEnded_ = false;
    bool stopped_ = false;
    bool workerEnded_ = false;
    std::exception_ptr failure_; // set by the worker as it ends, read after the join
    std::thread thread_;         // last: started when all of the above exists
};
