#pragma once

#include "platform/data_source.h"
#include "platform/grid.h"
#include "platform/grid_print_settings.h"

class QWidget;

// The print settings of every preview and printout of the sheet: landscape A4, the printer's
// printable area as margins, the whole table scaled to fit the one page.
GridPrintSettings SheetPrintSettings();

// Hands the sheet's print settings to the data source and opens the grid's print preview, on
// the default printer set up by SetUpSheetPage like the direct print's, centred over parent.
// Returns when the preview is closed.
void ShowPreview(DataSource& source, Grid& grid, QWidget* parent = nullptr);
