#include "output/sheet_page.h"

#include <QPrinter>

#include "platform/grid_renderer.h"
#include "platform/print_job.h"

void SetUpSheetPage(QPrinter& printer, const GridPrintSettings& settings,
                    const std::string& targetPrinter) {
    ApplyPageSettings(settings, printer, PrintableMinimum(targetPrinter, settings));
    printer.setDocName(QString::fromUtf8(kSheetTitle));
    printer.setCreator(QStringLiteral("VantrelPelmora"));
}

Grid::PageSetup SheetPageSetup(const DataSource& source) {
    return [&source](QPrinter& printer, const std::string& targetPrinter) {
        SetUpSheetPage(printer, source.PrintSettings(), targetPrinter);
    };
}
