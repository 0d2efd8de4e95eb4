#include "app/program.h"

#include <QApplication>
#include <QLocale>
#include <QTimer>

#include "app/application_icon.h"
#include "app/generation_progress.h"
#include "app/hidden_components.h"
#include "app/qt_translations.h"
#include "app/worksheet_run.h"
#include "output/preview.h"
#include "output/printer_choice.h"
#include "output/printing.h"
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
