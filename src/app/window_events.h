#pragma once

#include <cstdint>
#include <functional>

// The steps the main window's events lead to. They are given from outside: the program wires
// them to the real operations, a test can put recorders or stand-ins in their place.
struct WindowSteps {
    std::function<void()> restoreStates;        // RestoreControlStates
    std::function<void()> fillPrinterList;      // FillPrinterList
    std::function<void()> createDataDirectory;  // CreateDataDirectory
    std::function<void()> saveStates;           // SaveControlStates
    // GenerateWorksheet: true when the grid holds a newly generated sheet; false when the run was
    // refused, found the options too strict or was cancelled (the user has been told why).
    std::function<bool()> generateWorksheet;
    std::function<void()> cancelGeneration;  // asks a running generation to stop
    std::function<void()> showPreview;       // ShowPreview
    std::function<void()> printSheet;        // PrintSheet
    std::function<void()> applyDefaultPrinter;
    // Class sets. sheetCount: how many sheets one press makes (组合框_份数); one when left out.
    // A press asking for one sheet runs the single-sheet steps above; for more, generateSet
    // makes them all (true when the set is complete, false as with generateWorksheet) and
    // previewSet or printSet takes it. The PDF export always takes the set steps.
    std::function<int32_t()> sheetCount;
    std::function<bool(int32_t count)> generateSet;
    std::function<void()> previewSet;
    std::function<void()> printSet;
    std::function<void()> exportSet;    // asks for the file and writes the set into it
    std::function<void()> closeWindow;  // closes the window again after a delayed close
};

// The event handlers of the main window. Each runs its steps in a fixed order and to the
// end. A generation run keeps the window responsive (it repaints and can be cancelled), so a
// click that arrives while a handler is still running is ignored rather than started on top of
// it, and a close that arrives meanwhile stops the run and closes the window once the handler
// is done.
class WindowEvents {
public:
    explicit WindowEvents(WindowSteps steps) : steps_(std::move(steps)) {}

    // The window and all its controls exist, the user cannot act yet: restore the saved option
    // states, fill the printer list, create the data directory, in this order.
    void OnWindowCreated();
    // The window is about to close. Saves the option states and returns true; while another
    // handler runs, returns false and closes the window once that handler has finished.
    bool OnWindowClosing();
    // 按钮_出题预览: a new worksheet (or set), then its preview.
    void OnPreviewClicked();
    // 按钮_直接打印: a new worksheet (or set), then its printout.
    void OnPrintClicked();
    // 按钮_导出PDF: a new set of sheets, then its export to a PDF file.
    void OnExportClicked();
    // 按钮1: make the chosen printer the default one.
    void OnDefaultPrinterClicked();

    bool Busy() const { return busy_; }

private:
    void RunExclusive(const std::function<void()>& handler);
    // Generates what one press asks for and hands it to the single-sheet or the set output.
    void GenerateThen(const std::function<void()>& single, const std::function<void()>& set);
    int32_t SheetCount() const { return steps_.sheetCount ? steps_.sheetCount() : 1; }
    static void Call(const std::function<void()>& step) {
        if (step) step();
    }

    WindowSteps steps_;
    bool busy_ = false;
    bool closePending_ = false;
};
