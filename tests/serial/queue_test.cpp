// The transmit queue without a device: its byte block, and the write-request event that
// must stay set whenever bytes wait, whatever the interleaving of appends and consumes.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "serial/VaComm.h"
#include "serial/VaCommInternal.h"
#include "tests/support/started_thread.h"

namespace {

TEST(VaCommBuffer, AppendsBehindAndConsumesFromTheFront)
{
    TVaCommBuffer buffer(8);
    EXPECT_EQ(buffer.Capacity(), 8);
    buffer.Append("abcdef", 6);
    buffer.Consume(2);
    buffer.Append("gh", 2);
    EXPECT_EQ(std::string(buffer.Data(), buffer.Count()), "cdefgh");
    buffer.Consume(6);
    EXPECT_EQ(buffer.Count(), 0);
}

TEST(VaTransmitQueue, AcceptsUpToItsCapacityAndNoMore)
{
    TVaTransmitQueue queue(4);
    EXPECT_TRUE(queue.TryAppend("abcd", 4)) << "exactly the capacity fits";
    EXPECT_FALSE(queue.TryAppend("e", 1));
    EXPECT_EQ(queue.RequestEvent().Wait(0), vwSignaled);
    std::vector<char> snapshot;
    EXPECT_EQ(queue.Snapshot(snapshot), 4);
    EXPECT_FALSE(queue.Consumed(3));
    EXPECT_EQ(queue.RequestEvent().Wait(0), vwSignaled) << "one byte still waits";
    EXPECT_TRUE(queue.Consumed(1));
    EXPECT_EQ(queue.RequestEvent().Wait(0), vwTimeout) << "nothing waits";
    EXPECT_EQ(queue.RoomEvent().Wait(0), vwSignaled);

    TVaTransmitQueue small(4);
    EXPECT_FALSE(small.TryAppend("abcde", 5)) << "more than the capacity never fits";
    EXPECT_TRUE(small.TryAppend("", 0));
    EXPECT_EQ(small.RequestEvent().Wait(0), vwTimeout);
}

// A writer that appends one byte the moment the consumer has taken the last one lands
// exactly between the consume and the decision to reset the request. If that decision
// were made outside the queue's lock, the append's wake-up could be reset away: the
// consumer would then sleep with a byte queued, and the writer would wait for it forever.
TEST(VaTransmitQueue, AnAppendRightAfterAConsumeIsNeverLeftWithoutItsWakeUp)
{
    constexpr int kRounds = 5000;
    TVaTransmitQueue queue(16);
    std::atomic<bool> stop{false};
    std::atomic<int> stalls{0};
    std::atomic<int> consumed{0};
    std::thread consumer = zv::test::StartedThread([&] {
        std::vector<char> data;
        while (!stop) {
            if (queue.RequestEvent().Wait(2000) != vwSignaled) {
                if (queue.Count() > 0) ++stalls;  // asleep with bytes queued
                continue;
            }
            int n = queue.Snapshot(data);
            queue.Consumed(n);
            consumed += n;
        }
    });
    int appended = 0;
    for (int round = 0; round < kRounds && stalls == 0; ++round) {
        DWORD start = GetTickCount();
        while (queue.Count() != 0 && GetTickCount() - start < 3000) {
        }
        if (queue.Count() != 0) {
            ++stalls;
            break;
        }
        ASSERT_TRUE(queue.TryAppend("x", 1));
        ++appended;
    }
    DWORD start = GetTickCount();
    while (consumed < appended && GetTickCount() - start < 3000) Sleep(1);
    stop = true;
    queue.RequestEvent().Signal();
    consumer.join();
    EXPECT_EQ(stalls.load(), 0) << "a queued byte waited with the request reset";
    EXPECT_EQ(consumed.load(), appended);
}

} // namespace
