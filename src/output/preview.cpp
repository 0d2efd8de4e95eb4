#include "output/preview.h"

#include "output/sheet_page.h"

GridPrintSettings SheetPrintSettings() {
    GridPrintSettings settings;
    settings.orientation = 2;  // landscape
    settings.paperSize = 1;    // A4
    settings.scaling = -2;     // the whole table on one page
    settings.marginLeft = 0;   // margins 0: the printer's printable area
    settings.marginRight = 0;
    settings.marginTop = 0;
    settings.marginBottom = 0;
    return settings;
}

void ShowPreview(DataSource& source, Grid& grid, QWidget* parent) {
    source.SetPrintSettings(SheetPrintSettings());
    grid.PrintPreview(SheetPageSetup(source), parent);
}
