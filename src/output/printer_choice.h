#pragma once

#include "output/message_box.h"
#include "platform/printers.h"
#include "settings/control_window.h"

// The printer list of the main window: the combo box "组合框_打印机" lists the installed printers
// with the default one selected, and the button "设置默认打印机" makes the chosen one the default.

inline constexpr const char* kPrinterComboName = "组合框_打印机";
inline constexpr const char* kDefaultPrinterSetText = "默认打印机设置成功！";
inline constexpr const char* kDefaultPrinterNotSetText = "默认打印机设置失败！";

// Appends every installed printer to the combo box, in the order the system lists them, and
// selects the item whose text equals the default printer's name byte for byte. Called once,
// when the window has been created.
void FillPrinterList(ControlWindow& window, const PrinterService& printers);
void FillPrinterList(ControlWindow& window);

// Makes the printer selected in the combo box the default and tells the user whether that
// worked.
void ApplyDefaultPrinter(ControlWindow& window, MessageBox& messages, PrinterService& printers);
void ApplyDefaultPrinter(ControlWindow& window, MessageBox& messages);
