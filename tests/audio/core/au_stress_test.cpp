// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <random>

#include "test_support.h"

namespace {

// Many runs of two outputs back to back, each ended normally, by an
// asynchronous stop or by a synchronous stop at a random moment. Checks the
// event protocol on every run: no progress event after its done event, one
// done per run that is not stopped synchronously, none for those that are.
TEST(AuStressTest, RandomStopsKeepTheEventProtocol) {
    std::mt19937 random(20261207);  // fixed seed: the same schedule every time
    MemoryInput inputA(Pattern(96 * 1024), 8192);
    MemoryInput inputB(Pattern(160 * 1024), 5000);
    CountingOutput outA;
    CountingOutput outB;
    outA.SetInput(&inputA);
    outB.SetInput(&inputB);

    struct RunState {
        int Run = 0;
        int DonesThisRun = 0;
        bool ProgressAfterDone = false;
        int TotalDones = 0;
    };
    RunState stateA;
    RunState stateB;
    auto attach = [](CountingOutput& out, RunState& state) {
        out.OnProgress = [&state](TComponent*) {
            if (state.DonesThisRun > 0) {
                state.ProgressAfterDone = true;
            }
        };
        out.OnDone = [&state](TComponent*) {
            ++state.DonesThisRun;
            ++state.TotalDones;
        };
    };
    attach(outA, stateA);
    attach(outB, stateB);

    int expectedDonesA = 0;
    for (int iteration = 0; iteration < 60; ++iteration) {
        SCOPED_TRACE(iteration);
        stateA.DonesThisRun = 0;
        ++stateA.Run;
        outA.SetDelay(static_cast<int>(random() % 3) * 6);  // 0, 6 or 12 ms per block
        outA.Run();
        if (!outB.Busy() && stateB.DonesThisRun == stateB.Run) {
            stateB.DonesThisRun = 0;
            ++stateB.Run;
            outB.Run();
        }
        const int blocksBefore = outA.Blocks;
        const int wantBlocks = static_cast<int>(random() % 8);
        PumpUntil([&] { return outA.Blocks - blocksBefore >= wantBlocks || !outA.Busy(); });
        switch (random() % 3) {
            case 0:  // let it end
                ++expectedDonesA;
                ASSERT_TRUE(PumpUntil([&] { return stateA.DonesThisRun == 1; }));
                break;
            case 1:  // asynchronous stop
                outA.Stop(true);
                ++expectedDonesA;
                ASSERT_TRUE(PumpUntil([&] { return stateA.DonesThisRun == 1; }));
                break;
            default:  // synchronous stop: no done event may follow
                outA.Stop(false);
                EXPECT_FALSE(outA.Busy());
                break;
        }
        EXPECT_FALSE(stateA.ProgressAfterDone);
    }
    ASSERT_TRUE(PumpUntil([&] { return !outB.Busy() && stateB.DonesThisRun == 1; }));
    Drain(kLateEventWindow);
    EXPECT_EQ(stateA.TotalDones, expectedDonesA);
    EXPECT_EQ(outA.Dones, 60) << "Done runs after every run, stopped or not";
    EXPECT_EQ(stateB.TotalDones, stateB.Run);
    EXPECT_FALSE(stateB.ProgressAfterDone);
    EXPECT_EQ(inputA.Inits, inputA.Flushes);
}

}  // namespace
