// Batches of lane candidates: what the judge keeps, and the helper thread's hand-over.

#include "worksheet/lane_batches.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../support/lane_setups.h"
#include "../support/worksheet_options.h"
#include "worksheet/candidate_search.h"

namespace {

using test_support::SeededLanes;

LaneSetup PlainSetup(const WorksheetSettings& settings) {
    std::string symbols;
    for (const std::string& symbol : settings.operators) symbols += symbol;
    return test_support::LaneSetupFor(settings.operandCount,
                                      static_cast<uint32_t>(settings.numberRange), symbols,
                                      settings.answerRange);
}

// The candidates of a batch as texts, such as "12-3*2".
std::vector<std::string> Texts(const LaneBatch& batch) {
    std::vector<std::string> texts;
    const auto n = static_cast<size_t>(batch.operandCount);
    for (size_t c = 0; c < batch.Size(); ++c) {
        std::string text = std::to_string(batch.operands[c * n]);
        for (size_t k = 1; k < n; ++k)
            text +=
                batch.operators[c * (n - 1) + k - 1] + std::to_string(batch.operands[c * n + k]);
        texts.push_back(text);
    }
    return texts;
}

// Every kept candidate has distinct operands and an acceptable value: the judge drops hits with
// a repeat, which the lanes' independent draws make common with numbers up to 6.
TEST(LaneBatchesTest, KeptCandidatesHaveDistinctOperandsAndAcceptableValues) {
    const WorksheetSettings settings = test_support::Options({"+", "-", "*"}, 4, 6, 10);
    const LaneSetup setup = PlainSetup(settings);
    const LaneJudge judge(settings, setup);
    LaneRandom lanes = SeededLanes(3);
    UnitRandom random(5);
    LaneBatch batch;
    DrawLaneBatch(setup, judge, lanes, random, 512, LaneKernel::Portable, batch);
    EXPECT_EQ(batch.lanes, 512u * kLaneCount);
    ASSERT_GT(batch.Size(), 0u);
    for (size_t c = 0; c < batch.Size(); ++c) {
        const int32_t* operands = batch.operands.data() + c * 4;
        ChainValue chain(operands[0]);
        for (size_t k = 1; k < 4; ++k) {
            for (size_t j = 0; j < k; ++j) EXPECT_NE(operands[j], operands[k]);
            chain.Take(batch.operators[c * 3 + k - 1], operands[k]);
        }
        EXPECT_TRUE(IsAcceptableValue(chain.Value(), 10)) << Texts(batch)[c];
    }
}

// The helper hands over exactly the batches that drawing on this thread from its random state
// gives, in their order: none lost, repeated or swapped, whatever the timing.
TEST(LaneBatchesTest, TheHelperHandsOverItsBatchesInTheOrderDrawn) {
    const WorksheetSettings settings = test_support::Options({"+", "/"}, 5, 20, 10);
    const LaneSetup setup = PlainSetup(settings);
    const LaneJudge judge(settings, setup);
    const LaneRandom start = SeededLanes(11);
    std::vector<std::vector<std::string>> expected;
    {
        LaneRandom lanes = start;
        UnitRandom random(17);
        LaneBatch batch;
        for (int b = 0; b < 12; ++b) {
            DrawLaneBatch(setup, judge, lanes, random, 64, LaneKernel::Portable, batch);
            expected.push_back(Texts(batch));
        }
    }
    LaneWorker helper(setup, judge, start, 17, 64, LaneKernel::Portable);
    LaneBatch batch;
    for (int b = 0; b < 12; ++b) {
        helper.Take(batch);
        EXPECT_EQ(batch.lanes, 64u * kLaneCount);
        EXPECT_EQ(Texts(batch), expected[static_cast<size_t>(b)]) << "batch " << b;
    }
}

}  // namespace
