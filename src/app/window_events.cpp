#include "app/window_events.h"

void WindowEvents::OnWindowCreated() {
    RunExclusive([this] {
        Call(steps_.restoreStates);
        Call(steps_.fillPrinterList);
        Call(steps_.createDataDirectory);
    });
}

bool WindowEvents::OnWindowClosing() {
    if (busy_) {
        closePending_ = true;
        Call(steps_.cancelGeneration);
        return false;
    }
    Call(steps_.saveStates);
    return true;
}

void WindowEvents::OnPreviewClicked() {
    RunExclusive([this] { GenerateThen(steps_.showPreview, steps_.previewSet); });
}

void WindowEvents::OnPrintClicked() {
    RunExclusive([this] { GenerateThen(steps_.printSheet, steps_.printSet); });
}

void WindowEvents::OnExportClicked() {
    RunExclusive([this] {
        if (steps_.generateSet && steps_.generateSet(SheetCount())) Call(steps_.exportSet);
    });
}

void WindowEvents::GenerateThen(const std::function<void()>& single,
                                const std::function<void()>& set) {
    const int32_t count = SheetCount();
    if (count <= 1) {
        if (steps_.generateWorksheet && steps_.generateWorksheet()) Call(single);
    } else if (steps_.generateSet && steps_.generateSet(count)) {
        Call(set);
    }
}

void WindowEvents::OnDefaultPrinterClicked() {
    RunExclusive([this] { Call(steps_.applyDefaultPrinter); });
}

void WindowEvents::RunExclusive(const std::function<void()>& handler) {
    if (busy_) return;
    struct BusyWhileInScope {
        bool& busy;
        explicit BusyWhileInScope(bool& flag) : busy(flag) { busy = true; }
        ~BusyWhileInScope() { busy = false; }
    };
    {
        BusyWhileInScope guard(busy_);
        handler();
    }
    if (closePending_) {
        closePending_ = false;
        Call(steps_.closeWindow);
    }
}
