// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "audio/core/au_exception.h"
#include "audio/core/au_output.h"
#include "audio/core/au_rounding.h"
#include "test_support.h"

namespace {

// Records the events of one output as text, on the GUI (test) thread.
struct EventLog {
    std::vector<std::string> Events;
    std::vector<int> ProgressValues;

    explicit EventLog(CountingOutput& out) {
        out.OnProgress = [this, &out](TComponent* sender) {
            EXPECT_EQ(sender, &out);
            Events.push_back("progress");
            ProgressValues.push_back(out.Progress());
        };
        out.OnDone = [this, &out](TComponent* sender) {
            EXPECT_EQ(sender, &out);
            EXPECT_FALSE(out.Busy());
            Events.push_back("done");
        };
        out.OnThreadException = [this, &out](TComponent* sender) {
            EXPECT_EQ(sender, &out);
            Events.push_back("exception:" + out.ExceptionMessage());
        };
    }
    int Count(const std::string& kind) const {
        return static_cast<int>(std::count(Events.begin(), Events.end(), kind));
    }
};

TEST(AuOutputTest, RunDeliversAllDataWithOrderedProgressThenOneDone) {
    const auto data = Pattern(1 << 20);
    MemoryInput input(data);
    CountingOutput out;
    EventLog log(out);
    out.SetInput(&input);

    out.Run();
    ASSERT_TRUE(PumpUntil([&] { return log.Count("done") == 1; }));
    Drain(kLateEventWindow);

    EXPECT_EQ(out.BytesOut, static_cast<std::int64_t>(data.size()));
    EXPECT_EQ(out.Checksum, ChecksumOf(data.data(), data.size()));
    EXPECT_EQ(out.Prepares, 1);
    EXPECT_EQ(out.Dones, 1);
    EXPECT_EQ(input.Flushes, 1);
    EXPECT_EQ(log.Events.back(), "done");
    EXPECT_EQ(log.Count("done"), 1);
    EXPECT_LE(log.Count("progress"), 101);
    EXPECT_GE(log.Count("progress"), 10);
    EXPECT_TRUE(std::is_sorted(log.ProgressValues.begin(), log.ProgressValues.end()));
    EXPECT_FALSE(out.Busy());
    EXPECT_TRUE(out.ExceptionMessage().empty());
}

TEST(AuOutputTest, RunRejectsMissingInputAndARunInProgress) {
    CountingOutput out;
    try {
        out.Run();
        FAIL() << "Run without input succeeded";
    } catch (const EAuException& error) {
        EXPECT_STREQ(error.what(), "Input is not assigned");
    }

    MemoryInput input(Pattern(4096));
    input.SetEndless(true);
    out.SetInput(&input);
    out.Run();
    ASSERT_TRUE(PumpUntil([&] { return out.Blocks > 0; }));
    try {
        out.Run();
        FAIL() << "Run while busy succeeded";
    } catch (const EAuException& error) {
        EXPECT_STREQ(error.what(), "Component is Busy");
    }
    out.Stop(false);
}

TEST(AuOutputTest, RunFromOnDoneStartsTheNextRun) {
    MemoryInput input(Pattern(100000));
    CountingOutput out;
    out.SetInput(&input);
    int dones = 0;
    out.OnDone = [&](TComponent*) {
        if (++dones < 3) {
            out.Run();
        }
    };
    out.Run();
    ASSERT_TRUE(PumpUntil([&] { return dones == 3; }));
    Drain(kLateEventWindow);
    EXPECT_EQ(dones, 3);
    EXPECT_EQ(out.Prepares, 3);
    EXPECT_EQ(out.Dones, 3);
    EXPECT_EQ(out.BytesOut, 300000);
}

TEST(AuOutputTest, SynchronousStopEndsTheRunWithoutFurtherEvents) {
    MemoryInput input(Pattern(65536));
    input.SetEndless(true);
    CountingOutput out;
    EventLog log(out);
    out.SetInput(&input);
    out.Run();
    ASSERT_TRUE(PumpUntil([&] { return out.Blocks >= 5; }));

    out.Stop(false);
    EXPECT_FALSE(out.Busy());
    EXPECT_EQ(out.Dones, 1);
    const auto eventsAtStop = log.Events.size();
    Drain(kLateEventWindow);
    EXPECT_EQ(log.Events.size(), eventsAtStop);
    EXPECT_EQ(log.Count("done"), 0);

    // The output runs normally afterwards.
    input.SetEndless(false);
    out.Run();
    ASSERT_TRUE(PumpUntil([&] { return log.Count("done") == 1; }));
}

TEST(AuOutputTest, AsynchronousStopRunsDoneAndFiresOneDone) {
    MemoryInput input(Pattern(65536));
    input.SetEndless(true);
    CountingOutput out;
    EventLog log(out);
    out.SetInput(&input);
    out.Run();
    ASSERT_TRUE(PumpUntil([&] { return out.Blocks >= 3; }));

    out.Stop(true);
    ASSERT_TRUE(PumpUntil([&] { return log.Count("done") == 1; }));
    Drain(kLateEventWindow);
    EXPECT_EQ(log.Count("done"), 1);
    EXPECT_EQ(log.Events.back(), "done");
    EXPECT_EQ(out.Dones, 1);
    EXPECT_LE(out.AbortCalls, 1);
    EXPECT_FALSE(out.Stopped());
}

TEST(AuOutputTest, FailuresReportTheMessageThenDoneAndReleaseTheInput) {
    struct Case {
        const char* Name;
        std::function<void(CountingOutput&)> Arm;
        const char* Message;
    };
    const std::vector<Case> cases = {
        {"prepare",
         [](CountingOutput& out) {
             out.PrepareHook = [] {
                 throw EAuException(FormatAuMessage("Cannot create file %s", "/x/y.wav"));
             };
         },
         "Cannot create file /x/y.wav"},
        {"block",
         [](CountingOutput& out) {
             out.DoOutputHook = [] { throw std::runtime_error("disk full"); };
         },
         "disk full"},
        {"foreign", [](CountingOutput& out) { out.DoOutputHook = [] { throw 42; }; },
         "Unknown error"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        MemoryInput input(Pattern(100000));
        CountingOutput out;
        EventLog log(out);
        c.Arm(out);
        out.SetInput(&input);
        out.Run();
        ASSERT_TRUE(PumpUntil([&] { return log.Count("done") == 1; }));
        ASSERT_GE(log.Events.size(), 2u);
        EXPECT_EQ(log.Events[log.Events.size() - 2], std::string("exception:") + c.Message);
        EXPECT_EQ(log.Events.back(), "done");
        EXPECT_EQ(out.ExceptionMessage(), c.Message);
        EXPECT_EQ(out.Dones, 0);
        EXPECT_EQ(input.Flushes, 1) << "the failed run must end the input's pass";
        EXPECT_FALSE(out.Busy());
    }
}

TEST(AuOutputTest, ProgressFollowsTheInputSize) {
    CountingOutput out;
    EXPECT_EQ(out.Progress(), 0);

    MemoryInput input(Pattern(200));
    out.SetInput(&input);
    input.SetSizeForTest(200);
    input.SetPositionForTest(101);  // 50.5 %
    EXPECT_EQ(out.Progress(), 50);
    input.SetPositionForTest(103);  // 51.5 %
    EXPECT_EQ(out.Progress(), 52);
    input.SetSizeForTest(0);
    EXPECT_EQ(out.Progress(), 0);
    input.SetSizeForTest(-1);
    EXPECT_EQ(out.Progress(), -1);

    EXPECT_EQ(RoundHalfEven(5050, 100), 50);
    EXPECT_EQ(RoundHalfEven(5150, 100), 52);
    EXPECT_EQ(RoundHalfEven(5049, 100), 50);
    EXPECT_EQ(RoundHalfEven(5051, 100), 51);
}

TEST(AuOutputTest, UnknownSizeGivesOneProgressEventAndEmptyInputNone) {
    MemoryInput unknown(Pattern(300000));
    unknown.SetUnknownSize(true);
    CountingOutput out;
    EventLog log(out);
    out.SetInput(&unknown);
    out.Run();
    ASSERT_TRUE(PumpUntil([&] { return log.Count("done") == 1; }));
    EXPECT_EQ(log.Count("progress"), 1);
    EXPECT_EQ(log.ProgressValues, std::vector<int>{-1});

    MemoryInput empty(std::vector<std::uint8_t>{});
    CountingOutput out2;
    EventLog log2(out2);
    out2.SetInput(&empty);
    out2.Run();
    ASSERT_TRUE(PumpUntil([&] { return log2.Count("done") == 1; }));
    EXPECT_EQ(log2.Count("progress"), 0);
    EXPECT_EQ(out2.Dones, 1);
}

TEST(AuOutputTest, DelayAboveOneHundredIsIgnored) {
    CountingOutput out;
    out.SetDelay(11);
    out.SetDelay(150);
    EXPECT_EQ(out.Delay(), 11);
    out.SetDelay(100);
    EXPECT_EQ(out.Delay(), 100);
}

// The pause before the done event is each output's own: an output without
// one overtakes an output whose run ended first but waits the default pause.
TEST(AuOutputTest, AnOutputWithoutDonePauseOvertakesOneWithThePause) {
    MemoryInput pausedInput(Pattern(4096));
    MemoryInput promptInput(Pattern(4096));
    CountingOutput paused;
    CountingOutput prompt;
    std::vector<std::string> order;
    paused.OnDone = [&](TComponent*) { order.push_back("paused"); };
    prompt.OnDone = [&](TComponent*) { order.push_back("prompt"); };
    paused.SetInput(&pausedInput);
    prompt.SetInput(&promptInput);
    prompt.SetDoneEventDelay(std::chrono::milliseconds(0));
    EXPECT_EQ(paused.DoneEventDelay(), kDoneEventDelay);

    paused.Run();
    ASSERT_TRUE(PumpUntil([&] { return paused.Dones == 1; }));
    prompt.Run();
    ASSERT_TRUE(PumpUntil([&] { return order.size() == 2; }));
    EXPECT_EQ(order, (std::vector<std::string>{"prompt", "paused"}));
}

TEST(AuOutputTest, ChangingTheInputOfABusyOutputRestartsIt) {
    MemoryInput first(Pattern(65536));
    first.SetEndless(true);
    MemoryInput second(Pattern(50000));
    CountingOutput out;
    EventLog log(out);
    out.SetInput(&first);
    out.Run();
    ASSERT_TRUE(PumpUntil([&] { return out.Blocks >= 2; }));

    out.SetInput(&second);
    ASSERT_TRUE(PumpUntil([&] { return log.Count("done") == 1; }));
    EXPECT_EQ(out.Prepares, 2);
    EXPECT_EQ(second.Inits, 1);

    // Clearing the input of a busy output stops it and then reports the error.
    first.SetEndless(true);
    out.SetInput(&first);
    out.Run();
    ASSERT_TRUE(PumpUntil([&] { return out.Busy() && out.Blocks >= 1; }));
    EXPECT_THROW(out.SetInput(nullptr), EAuException);
    EXPECT_FALSE(out.Busy());
}

TEST(AuOutputTest, DestroyingTheInputClearsTheReference) {
    CountingOutput out;
    auto input = std::make_unique<MemoryInput>(Pattern(65536));
    input->SetEndless(true);
    out.SetInput(input.get());
    out.Run();
    ASSERT_TRUE(PumpUntil([&] { return out.Blocks >= 2; }));
    input.reset();
    EXPECT_EQ(out.Input(), nullptr);
    EXPECT_FALSE(out.Busy());
    EXPECT_THROW(out.Run(), EAuException);
}

TEST(AuOutputTest, DestroyingABusyOutputStopsItsWorker) {
    MemoryInput input(Pattern(65536));
    input.SetEndless(true);
    bool doneFired = false;
    {
        CountingOutput out;
        out.OnDone = [&](TComponent*) { doneFired = true; };
        out.SetInput(&input);
        out.Run();
        ASSERT_TRUE(PumpUntil([&] { return out.Blocks >= 2; }));
    }
    Drain(kLateEventWindow);
    EXPECT_FALSE(doneFired);
    EXPECT_EQ(input.Flushes, 1);
}

}  // namespace
