// How many candidate questions the generator draws and judges per second, with the plain
// arithmetic computed natively (candidates judged in double precision, only accepted ones
// written out and evaluated) and with every expression sent through the script interpreter.

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/script_engine.h"
#include "worksheet/expression_evaluator.h"
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
    return true;
}();

}  // namespace

BENCHMARK_MAIN();
