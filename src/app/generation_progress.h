#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <chrono>
#include <cstdint>
#include <memory>

class QProgressDialog;
class QWidget;

// Keeps the window alive while a generation run works: every progress report lets the event
// loop repaint the window, and a run that takes longer than half a second shows a progress
// dialog with a cancel button over the window.
class GenerationProgress {
public:
    static constexpr std::chrono::milliseconds kDialogDelay{500};

    explicit GenerationProgress(QWidget* window);
    ~GenerationProgress();
    GenerationProgress(const GenerationProgress&) = delete;
    GenerationProgress& operator=(const GenerationProgress&) = delete;

    // The run's progress report: found of wanted questions so far. Returns false once the user
    // has cancelled the run (or Cancel was called).
    bool Update(int32_t found, int32_t wanted);
    // Makes the next report stop the run.
    void Cancel() { cancelled_ = true; }
    // The run is over: the dialog goes away.
    void Finish();

private:
    void ShowDialog(int32_t wanted);

    QPointer<QWidget> window_;
    std::unique_ptr<QProgressDialog> dialog_;
    QElapsedTimer started_;
    bool cancelled_ = false;
};
