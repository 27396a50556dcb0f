#include "BoundedWorker.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string FailureOf(auto&& call)
{
    try {
        call();
    } catch (const Failure& e) {
        return e.what();
    }
    return "";
}

void Pause() { std::this_thread::sleep_for(std::chrono::milliseconds(2)); }

TEST(BoundedWorker, TheWorkerTakesWhatTheOwnerPutsInOrderWithAtMostCapacityWaiting)
{
    std::atomic<int> put{0};
    std::atomic<int> mostAhead{0};
    std::vector<int> taken;
    TBoundedWorker<int> worker(3, [&](TBoundedWorker<int>& items) {
        while (std::optional<int> item = items.Take()) {
            Pause(); // a slow taker: the owner fills the queue and waits
            mostAhead = std::max(mostAhead.load(), put.load() - int(taken.size()));
            taken.push_back(*item);
        }
    });
    for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(worker.Put(i));
        ++put;
    }
    worker.Finish();
    std::vector<int> expected(40);
    for (int i = 0; i < 40; ++i)
        expected[std::size_t(i)] = i;
    EXPECT_EQ(taken, expected);
    // The item being handled and three waiting: the owner never ran further ahead.
    EXPECT_LE(mostAhead.load(), 4);
    EXPECT_GE(mostAhead.load(), 3);
}

TEST(BoundedWorker, TheOwnerTakesWhatTheWorkerPutsUntilItsEnd)
{
    std::atomic<int> mostWaiting{0};
    std::atomic<int> takenCount{0};
    TBoundedWorker<std::string> worker(2, [&](TBoundedWorker<std::string>& items) {
        for (int i = 0; i < 30; ++i) {
            ASSERT_TRUE(items.Put(std::to_string(i)));
            mostWaiting = std::max(mostWaiting.load(), i + 1 - takenCount.load());
        }
    });
    std::vector<std::string> taken;
    while (std::optional<std::string> item = worker.Take()) {
        Pause();
        taken.push_back(*item);
        ++takenCount;
    }
    worker.Finish();
    ASSERT_EQ(taken.size(), 30u);
    EXPECT_EQ(taken.front(), "0");
    EXPECT_EQ(taken.back(), "29");
    EXPECT_LE(mostWaiting.load(), 3);
    // Nothing more once it ended.
    EXPECT_FALSE(worker.Take());
}

TEST(BoundedWorker, AFailureOfATakingWorkerReachesTheOwnerWhereverItHappens)
{
    for (int failAt : {0, 5, 9}) {
        SCOPED_TRACE(failAt);
        std::vector<int> taken;
        TBoundedWorker<int> worker(2, [&](TBoundedWorker<int>& items) {
            if (failAt == 0)
                throw Failure("at the start");
            while (std::optional<int> item = items.Take()) {
                taken.push_back(*item);
                if (*item == failAt)
                    throw Failure("at " + std::to_string(failAt));
            }
        });
        int accepted = 0;
        for (int i = 0; i < 1000; ++i)
            if (worker.Put(i))
                ++accepted;
        // The owner learns of the end through Put, and of the failure through Finish.
        EXPECT_LT(accepted, 1000);
        EXPECT_EQ(FailureOf([&] { worker.Finish(); }), failAt == 0 ? "at the start" : "at " + std::to_string(failAt));
        EXPECT_EQ(taken.size(), std::size_t(failAt == 0 ? 0 : failAt + 1));
        // Taken once: a second Finish has nothing more to raise.
        EXPECT_EQ(FailureOf([&] { worker.Finish(); }), "");
    }
}

TEST(BoundedWorker, AFailureOfAPuttingWorkerEndsWhatTheOwnerTakesAfterItsItems)
{
    for (int failAt : {0, 4, 10}) {
        SCOPED_TRACE(failAt);
        TBoundedWorker<int> worker(2, [&](TBoundedWorker<int>& items) {
            for (int i = 0; i < failAt; ++i)
                ASSERT_TRUE(items.Put(i));
            throw Failure("after " + std::to_string(failAt));
        });
        int taken = 0;
        while (std::optional<int> item = worker.Take()) {
            EXPECT_EQ(*item, taken);
            ++taken;
        }
        EXPECT_EQ(taken, failAt);
        EXPECT_TRUE(worker.WorkerFailed());
        EXPECT_EQ(FailureOf([&] { worker.Finish(); }), "after " + std::to_string(failAt));
    }
}

TEST(BoundedWorker, AnOwnerThatStopsTakingEndsAPuttingWorker)
{
    std::atomic<bool> refused{false};
    TBoundedWorker<int> worker(2, [&](TBoundedWorker<int>& items) {
        for (int i = 0;; ++i)
            if (!items.Put(i)) {
                refused = true;
                return;
            }
    });
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(worker.Take(), i);
    worker.Stop();
    EXPECT_FALSE(worker.Take());
    EXPECT_NO_THROW(worker.Finish());
    EXPECT_TRUE(refused);
}

TEST(BoundedWorker, AWorkerThatStopsTakingEndsAPuttingOwner)
{
    TBoundedWorker<int> worker(2, [](TBoundedWorker<int>& items) {
        items.Take();
        items.Take();
    });
    int accepted = 0;
    while (worker.Put(accepted))
        ++accepted;
    EXPECT_GE(accepted, 2);
    EXPECT_LE(accepted, 4);
    EXPECT_NO_THROW(worker.Finish());
}

TEST(BoundedWorker, NoThreadOutlivesItsOwner)
{
    // Destroyed while the worker waits to put into a full queue, while it waits for an item, and
    // while it fails unseen: each time the worker has ended when the destructor returns.
    const std::vector<std::function<void(TBoundedWorker<int>&)>> works{
        [](TBoundedWorker<int>& items) {
            for (int i = 0; items.Put(i); ++i) {
            }
        },
        [](TBoundedWorker<int>& items) {
            while (items.Take()) {
            }
        },
        [](TBoundedWorker<int>&) { throw Failure("unseen"); },
    };
    for (std::size_t w = 0; w < works.size(); ++w) {
        SCOPED_TRACE(w);
        auto ended = std::make_shared<std::atomic<bool>>(false);
        {
            TBoundedWorker<int> worker(1, [&, ended](TBoundedWorker<int>& items) {
                struct Mark {
                    std::shared_ptr<std::atomic<bool>> ended;
                    ~Mark() { *ended = true; }
                } mark{ended};
                works[w](items);
            });
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        EXPECT_TRUE(*ended);
    }
}

} // namespace
