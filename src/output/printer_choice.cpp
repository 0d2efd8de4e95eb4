#include "output/printer_choice.h"

#include <cstddef>
#include <string>
#include <vector>

void FillPrinterList(ControlWindow& window, const PrinterService& printers) {
    const std::vector<std::string> names = printers.InstalledPrinters();
    for (const std::string& name : names) window.ComboAppend(kPrinterComboName, name);

    // The positions compared are 0 .. names.size() - 1 whatever the box held before; the
    // default is asked for anew at each one.
    for (size_t p = 0; p < names.size(); ++p) {
        const auto index = static_cast<int32_t>(p);
        if (window.ComboItemText(kPrinterComboName, index) == printers.DefaultPrinterName()) {
            window.SetComboSelectedIndex(kPrinterComboName, index);
        }
    }
}

void FillPrinterList(ControlWindow& window) {
    FillPrinterList(window, CupsPrinterService());
}

void ApplyDefaultPrinter(ControlWindow& window, MessageBox& messages, PrinterService& printers) {
    const int32_t selected = window.ComboSelectedIndex(kPrinterComboName);
    // No selection reads as the empty name, which no printer has.
    const std::string name =
        selected < 0 ? std::string() : window.ComboItemText(kPrinterComboName, selected);
    if (printers.MakeDefaultPrinter(name) == 1) {
        messages.Show(kDefaultPrinterSetText, MessageBox::kInformation);
    } else {
        messages.Show(kDefaultPrinterNotSetText, MessageBox::kError);
    }
}

void ApplyDefaultPrinter(ControlWindow& window, MessageBox& messages) {
    CupsPrinterService printers;
    ApplyDefaultPrinter(window, messages, printers);
}
