// A class set as a teacher makes it: 40 different sheets of 100 questions with the options the
// window opens with, generated and written as one PDF file. Reports the time for the whole set,
// how it splits between generating and rendering, and the size of the file.

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <chrono>
#include <cstdlib>

#include "output/pdf_export.h"
#include "platform/date_time_text.h"
#include "platform/grid_renderer.h"
#include "platform/sheet_set.h"
#include "worksheet/expression_evaluator.h"
#include "worksheet/question_generator.h"
#include "worksheet/worksheet_layout.h"

namespace {

constexpr int kSheets = 40;

WorksheetSettings InitialOptions() {
    WorksheetSettings settings;
    settings.operators = {"+", "-"};
    settings.operandCount = 4;
    settings.numberRange = 100;
    settings.questionCount = 100;
    settings.answerRange = 1000;
    return settings;
}

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Fonts and the PDF writer need a GUI application; no display is needed.
void EnsureGuiApplication() {
    static int argc = 1;
    static char name[] = "class_set_bench";
    static char* argv[] = {name, nullptr};
    if (QGuiApplication::instance() != nullptr) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication application(argc, argv);
    RegisterCjkFontSubstitutions();
}

void BM_ClassSetToPdf(benchmark::State& state) {
    EnsureGuiApplication();
    const auto sheets = static_cast<int>(state.range(0));
    QTemporaryDir dir;
    const std::string path = QDir(dir.path()).filePath(QStringLiteral("set.pdf")).toStdString();
    double generating = 0;
    double rendering = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        // As the program makes a set: one full run per sheet, each with its own evaluator.
        const double moment = CurrentAutomationDate();
        GenericDataProvider table;
        DataSource source(table);
        SheetSet set;
        for (int i = 0; i < sheets; ++i) {
            WorksheetSettings settings = InitialOptions();
            ExpressionEvaluator evaluator;
            const GenerationResult result = GenerateQuestions(settings, evaluator);
            if (result.outcome != GenerationOutcome::Complete) {
                state.SkipWithError(result.reason.c_str());
                return;
            }
            FillWorksheetGrid(settings, result.questions, moment, table, source);
            set.Add(table);
        }
        const auto generated = std::chrono::steady_clock::now();
        const ExportResult exported = ExportSheetSet(set, path);
        if (exported.outcome != ExportOutcome::Saved) {
            state.SkipWithError(exported.reason.c_str());
            return;
        }
        const auto done = std::chrono::steady_clock::now();
        generating += Seconds(generated - start);
        rendering += Seconds(done - generated);
    }
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["generate_s"] = generating / iterations;
    state.counters["render_pdf_s"] = rendering / iterations;
    state.counters["file_kib"] = QFileInfo(QString::fromStdString(path)).size() / 1024.0;
    state.counters["kib_per_page"] = state.counters["file_kib"] / sheets;
}

BENCHMARK(BM_ClassSetToPdf)->Arg(1)->Arg(kSheets)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
