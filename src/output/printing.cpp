#include "output/printing.h"

#include <string>

#include "output/preview.h"
#include "output/sheet_page.h"

void PrintSheet(DataSource& source, Grid& grid, MessageBox& messages) {
    source.SetPrintSettings(SheetPrintSettings());
    const std::string failure = grid.Print(SheetPageSetup(source));
    if (!failure.empty()) messages.Show(failure, MessageBox::kError);
}
