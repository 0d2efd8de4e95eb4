// Grid::Print: the sheet as one PDF job for the default printer.
//
// The page is rendered into a PDF in memory and handed to CUPS directly, instead of going
// through QPrinter: every print asks CUPS afresh which printer is the default, and a job that
// CUPS refuses is reported back. (QPrinter's CUPS engine reports a refused job as printed.)

#include <QBuffer>
#include <QByteArray>
#include <string>

#include "platform/grid.h"
#include "platform/print_job.h"
#include "platform/printers.h"
#include "platform/sheet_pages.h"

namespace {

QByteArray RenderPdf(const DataSource& source, const QMarginsF& printableMinimumMm) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (WriteSheetsPdf(buffer, {&source}, source.PrintSettings(), printableMinimumMm) !=
        PagesOutcome::Complete) {
        return {};
    }
    return buffer.data();
}

}  // namespace

std::string Grid::Print(std::optional<int32_t> a, std::optional<int32_t> b) {
    // The two arguments are reserved; the sheet always prints whole, once.
    static_cast<void>(a);
    static_cast<void>(b);

    const std::string printer = DefaultPrinterName();
    if (printer.empty()) return kNoDefaultPrinterText;
    const QByteArray pdf = RenderPdf(source_, PrintableMinimum(printer, source_.PrintSettings()));
    if (pdf.isEmpty()) return kNotRenderedText;
    return SubmitPdfJob(printer, pdf);
}
