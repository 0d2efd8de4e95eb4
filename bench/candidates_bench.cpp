// How many candidate questions the generator draws and judges per second, with the plain
// arithmetic computed natively (candidates judged in double precision, only accepted ones
// written out and evaluated) and with every expression sent through the script interpreter;
// and the lane kernel's candidates per second, wide and portable.

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/script_engine.h"
#include "worksheet/expression_evaluator.h"
#include "worksheet/lane_draw.h"
#include "worksheet/question_generator.h"

namespace {

WorksheetSettings InitialOptions() {
    WorksheetSettings settings;
    settings.operators = {"+", "-"};
    settings.operandCount = 4;
    settings.numberRange = 100;
    settings.answerRange = 1000;
    // A run stops at the 100 questions a sheet places, however many are asked for.
    settings.questionCount = 1000;
    return settings;
}

WorksheetSettings DivideThree() {
    WorksheetSettings settings = InitialOptions();
    settings.operators = {"/"};
    settings.operandCount = 3;
    settings.questionCount = 20;
    return settings;
}

void BM_Candidates(benchmark::State& state, const WorksheetSettings& settings, bool native) {
    SeedRandomSource(1);
    ExpressionEvaluator evaluator;
    evaluator.EngineObject()->SetNativeArithmetic(native);
    GenerationLimits limits;
    limits.timeBudget = std::chrono::minutes(10);
    // Blind draws only: the exact search would answer these options without drawing.
    limits.search = CandidateSearch::BlindOnly;
    uint64_t candidates = 0;
    uint64_t accepted = 0;
    for (auto _ : state) {
        const GenerationResult result = GenerateQuestions(settings, evaluator, limits);
        if (result.outcome != GenerationOutcome::Complete) {
            state.SkipWithError(result.reason.c_str());
            break;
        }
        candidates += result.candidates;
        accepted += result.questions.size();
        benchmark::DoNotOptimize(result.questions.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(candidates));
    state.counters["accepted_share"] =
        candidates == 0 ? 0.0 : static_cast<double>(accepted) / static_cast<double>(candidates);
}

// The lane kernel alone, wide and portable, on "+" and "÷" with 9 numbers up to 100 and answers
// below 10: hits are rare, so this is the cost of drawing and judging.
void BM_Lanes(benchmark::State& state, LaneKernel kernel) {
    if (kernel == LaneKernel::Best && !WideLanesAvailable()) {
        state.SkipWithError("the processor has no AVX-512");
        return;
    }
    LaneSetup setup;
    setup.operandCount = 9;
    setup.operandWidth = 100;
    setup.operatorWidth = 2;
    setup.dividePositions = 2;
    setup.answerRange = 10;
    LaneRandom random;
    for (int lane = 0; lane < kLaneCount; ++lane) random.state[lane] = 0x9e3779b9u * (lane + 1u);
    std::vector<LaneHit> hits(256);
    uint64_t blocks = 0;
    for (auto _ : state) {
        size_t found = 0;
        blocks += DrawLaneBlocks(setup, random, 1024, hits.data(), hits.size(), found, kernel);
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(static_cast<int64_t>(blocks) * kLaneCount);
}

const bool registered = [] {
    const std::vector<std::pair<std::string, WorksheetSettings>> cases{
        {"initial", InitialOptions()},
        {"divide3", DivideThree()},
    };
    for (const auto& [name, settings] : cases) {
        for (const bool native : {true, false}) {
            const std::string full = "BM_Candidates/" + name + "/" + (native ? "native" : "engine");
            benchmark::RegisterBenchmark(full.c_str(), BM_Candidates, settings, native)
                ->Unit(benchmark::kMicrosecond);
        }
    }
    benchmark::RegisterBenchmark("BM_Lanes/plusDivide9/wide", BM_Lanes, LaneKernel::Best)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("BM_Lanes/plusDivide9/portable", BM_Lanes, LaneKernel::Portable)
        ->Unit(benchmark::kMicrosecond);
    return true;
}();

}  // namespace

BENCHMARK_MAIN();
