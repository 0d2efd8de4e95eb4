#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/main_window.h"
#include "app/qt_control_window.h"
#include "app/qt_message_box.h"
#include "app/window_events.h"
#include "platform/sheet_set.h"

class GenerationProgress;

// The main window wired to the rest of the program: its events run the handlers of
// WindowEvents, whose steps are the real operations (restore and save of the option states,
// printer list and default printer, data directory, generation, preview, printing, and the
// class sets with their PDF export).
//
// A test can replace any step and the message boxes before the window is used.
class Program {
public:
    // adjustSteps, when given, may replace steps of the real wiring; messages, when given,
    // stands in for the message boxes.
    explicit Program(const std::function<void(WindowSteps&)>& adjustSteps = {},
                     MessageBox* messages = nullptr);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Runs the window's created handler and then shows the window. The handler runs before the
    // window is shown, so the user never sees or touches the controls before their saved states
    // are back.
    void Start();

    // Asks the user where to save an exported PDF, offering `suggested` (a full path); returns
    // the chosen path, or "" when the user cancelled. The standard file dialog unless replaced.
    using PdfPathChooser = std::function<std::string(const std::string& suggested)>;
    void SetPdfPathChooser(PdfPathChooser chooser) { choosePdfPath_ = std::move(chooser); }

    MainWindow& Window() { return window_; }
    ControlWindow& Controls() { return controls_; }
    WindowEvents& Events() { return *events_; }
    // The class set the last press made, until the next press; none after a failed one.
    const std::optional<SheetSet>& LastSet() const { return set_; }

private:
    WindowSteps RealSteps();
    bool RunGeneration();
    bool RunSetGeneration(int32_t count);
    void PrintSet();
    void ExportSet();
    std::string ChoosePdfPathWithDialog(const std::string& suggested);

    MainWindow window_;
    QtControlWindow controls_{&window_};
    QtMessageBox qtMessages_;
    MessageBox& messages_;
    std::unique_ptr<WindowEvents> events_;
    GenerationProgress* running_ = nullptr;
    std::optional<SheetSet> set_;  // the last complete class set, until the next press
    PdfPathChooser choosePdfPath_;
};

// The program: creates the application and the main window, runs the event loop until the
// window has been closed and returns the exit code 0.
int StartProgram(int argc, char** argv);
