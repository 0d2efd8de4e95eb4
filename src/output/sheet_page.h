#pragma once

#include <string>

#include "platform/grid.h"
#include "platform/grid_print_settings.h"

class QPrinter;

// The title of every document the sheet is printed as: the print job, the PDF file.
inline constexpr const char* kSheetTitle = "四则运算练习";

// Sets up a printer for printing sheets, the same way for the preview, the direct print and
// every other printout: paper, orientation and margins of the print settings, and the document
// title and creator.
//
// targetPrinter is the printer the sheets are meant for ("" for none). Margins of 0 in the
// settings stand for its printable area; they are set in millimetres, so a PDF printer (the
// direct print's, or a file chosen in the print dialog) gets the very page of the printer
// itself. Call it before anything is painted on the printer.
void SetUpSheetPage(QPrinter& printer, const GridPrintSettings& settings,
                    const std::string& targetPrinter);

// The grid's page setup for the sheet held by source: SetUpSheetPage with the print settings
// the source holds when the page is set up.
Grid::PageSetup SheetPageSetup(const DataSource& source);
