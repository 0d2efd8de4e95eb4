#include "app/program.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QLocale>
#include <QStandardPaths>
#include <QTimer>
#include <algorithm>
#include <cstdint>

#include "app/application_icon.h"
#include "app/generation_progress.h"
#include "app/hidden_components.h"
#include "app/qt_translations.h"
#include "app/sheet_set_run.h"
#include "app/worksheet_run.h"
#include "output/pdf_export.h"
#include "output/preview.h"
#include "output/printer_choice.h"
#include "output/printing.h"
#include "output/set_output.h"
#include "platform/date_time_text.h"
#include "platform/grid_renderer.h"
#include "settings/control_state_file.h"
#include "settings/control_states.h"

Program::Program(const std::function<void(WindowSteps&)>& adjustSteps, MessageBox* messages)
    : messages_(messages ? *messages : qtMessages_) {
    WindowSteps steps = RealSteps();
    if (adjustSteps) adjustSteps(steps);
    events_ = std::make_unique<WindowEvents>(std::move(steps));

    QObject::connect(&window_, &MainWindow::previewClicked, &window_,
                     [this] { events_->OnPreviewClicked(); });
    QObject::connect(&window_, &MainWindow::printClicked, &window_,
                     [this] { events_->OnPrintClicked(); });
    QObject::connect(&window_, &MainWindow::defaultPrinterClicked, &window_,
                     [this] { events_->OnDefaultPrinterClicked(); });
    QObject::connect(&window_, &MainWindow::exportPdfClicked, &window_,
                     [this] { events_->OnExportClicked(); });
    choosePdfPath_ = [this](const std::string& suggested) {
        return ChoosePdfPathWithDialog(suggested);
    };
    window_.SetCloseHandler([this] { return events_->OnWindowClosing(); });
}

Program::~Program() = default;

void Program::Start() {
    events_->OnWindowCreated();
    window_.show();
}

WindowSteps Program::RealSteps() {
    HiddenComponents& hidden = window_.Hidden();
    WindowSteps steps;
    steps.restoreStates = [this] { RestoreControlStates(controls_); };
    steps.fillPrinterList = [this] { FillPrinterList(controls_); };
    steps.createDataDirectory = [] { CreateDataDirectory(); };
    steps.saveStates = [this] { SaveControlStates(controls_); };
    steps.generateWorksheet = [this] { return RunGeneration(); };
    steps.cancelGeneration = [this] {
        if (running_) running_->Cancel();
    };
    steps.showPreview = [this, &hidden] { ShowPreview(hidden.Source(), hidden.Table(), &window_); };
    steps.printSheet = [this, &hidden] { PrintSheet(hidden.Source(), hidden.Table(), messages_); };
    steps.applyDefaultPrinter = [this] { ApplyDefaultPrinter(controls_, messages_); };
    steps.closeWindow = [this] { QTimer::singleShot(0, &window_, &QWidget::close); };
    steps.sheetCount = [this] { return ReadSheetCount(controls_); };
    steps.generateSet = [this](int32_t count) { return RunSetGeneration(count); };
    steps.previewSet = [this] {
        if (set_) ShowSetPreview(*set_, &window_);
    };
    steps.printSet = [this] { PrintSet(); };
    steps.exportSet = [this] { ExportSet(); };
    return steps;
}

bool Program::RunGeneration() {
    GenerationProgress progress(&window_);
    running_ = &progress;
    HiddenComponents& hidden = window_.Hidden();
    GenerationFeedback feedback;
    feedback.progress = [&progress](int32_t found, int32_t wanted) {
        return progress.Update(found, wanted);
    };
    feedback.finished = [&progress] { progress.Finish(); };
    const bool generated =
        GenerateWorksheet(controls_, hidden.Provider(), hidden.Source(), messages_, feedback);
    running_ = nullptr;
    return generated;
}

namespace {
// Steps of the set's progress bar that each sheet takes.
constexpr int64_t kStepsPerSheet = 100;
}  // namespace

// The runs of a set report into one progress dialog for the whole set; the messages of a run
// that gives no sheet wait until that dialog has gone.
bool Program::RunSetGeneration(int32_t count) {
    set_.reset();
    if (count > kMostSheetsPerSet) {
        messages_.Show(kTooManySheetsText, MessageBox::kError);
        return false;
    }
    GenerationProgress progress(&window_);
    running_ = &progress;
    HeldMessages held;
    const double moment = CurrentAutomationDate();  // every header of the set shows it
    std::optional<SheetSet> set =
        GenerateSheetSet(count, [&](int32_t index, GenericDataProvider& table, DataSource& source) {
            progress.SetLabel(
                QStringLiteral("正在出题：第 %1 份，共 %2 份……").arg(index + 1).arg(count));
            GenerationFeedback feedback;
            feedback.progress = [&progress, index, count](int32_t found, int32_t wanted) {
                const int64_t withinSheet =
                    wanted > 0
                        ? std::clamp<int64_t>(found * kStepsPerSheet / wanted, 0, kStepsPerSheet)
                        : 0;
                return progress.Update(static_cast<int32_t>(index * kStepsPerSheet + withinSheet),
                                       static_cast<int32_t>(count * kStepsPerSheet));
            };
            return GenerateWorksheetAt(moment, controls_, table, source, held, feedback);
        });
    progress.Finish();
    running_ = nullptr;
    held.ShowOn(messages_);
    set_ = std::move(set);
    return set_.has_value();
}

void Program::PrintSet() {
    if (!set_) return;
    GenerationProgress progress(&window_);
    progress.SetLabel(QStringLiteral("正在准备打印……"));
    running_ = &progress;
    PrintSheetSet(*set_, messages_, [&progress](int32_t done, int32_t total) {
        return progress.Update(done, total);
    });
    progress.Finish();
    running_ = nullptr;
}

void Program::ExportSet() {
    if (!set_ || !choosePdfPath_) return;
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    // A user without a documents folder starts in the home folder rather than in whatever
    // folder the program was started from.
    if (folder.isEmpty() || !QDir(folder).exists()) folder = QDir::homePath();
    const QDate today = QDate::currentDate();
    const std::string suggested = QDir(folder)
                                      .filePath(QString::fromStdString(SuggestedPdfFileName(
                                          today.year(), today.month(), today.day())))
                                      .toStdString();
    const std::string path = choosePdfPath_(suggested);
    if (path.empty()) return;

    GenerationProgress progress(&window_);
    progress.SetLabel(QStringLiteral("正在导出PDF……"));
    running_ = &progress;
    const ExportResult result = ExportSheetSet(
        *set_, path,
        [&progress](int32_t done, int32_t total) { return progress.Update(done, total); });
    progress.Finish();
    running_ = nullptr;
    if (result.outcome == ExportOutcome::Failed) messages_.Show(result.reason, MessageBox::kError);
}

std::string Program::ChoosePdfPathWithDialog(const std::string& suggested) {
    QFileDialog dialog(&window_, QStringLiteral("导出PDF"), QString::fromStdString(suggested),
                       QStringLiteral("PDF文件 (*.pdf)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("pdf"));  // "三班" becomes "三班.pdf"
    dialog.selectFile(QString::fromStdString(suggested));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst().toStdString();
}

int StartProgram(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VantrelPelmora"));
    QApplication::setApplicationVersion(QStringLiteral("1.1"));
    QApplication::setDesktopFileName(QStringLiteral("vantrel-pelmora"));
    QApplication::setWindowIcon(ApplicationIcon());
    RegisterCjkFontSubstitutions();
    InstallQtTranslations(application, QLocale::system());

    Program program;
    program.Start();
    QApplication::exec();
    return 0;
}
