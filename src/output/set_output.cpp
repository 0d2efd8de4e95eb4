#include "output/set_output.h"

#include <QBuffer>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QWidget>
#include <string>

#include "output/preview.h"
#include "output/sheet_page.h"
#include "platform/preview_dialog.h"
#include "platform/print_job.h"
#include "platform/printers.h"

void ShowSetPreview(const SheetSet& set, QWidget* parent) {
    const std::unique_ptr<QPrintPreviewDialog> dialog = CreateSetPreviewDialog(set, parent);
    dialog->exec();
}

std::unique_ptr<QPrintPreviewDialog> CreateSetPreviewDialog(const SheetSet& set, QWidget* parent) {
    const GridPrintSettings settings = SheetPrintSettings();
    return CreateSheetPreviewDialog(
        [settings](QPrinter& printer, const std::string& target) {
            SetUpSheetPage(printer, settings, target);
        },
        [&set, settings](QPrinter& printer) {
            QPainter painter(&printer);
            if (painter.isActive())
                PaintSheetPages(painter, printer, set.Sheets(), settings.scaling);
        },
        parent);
}

void PrintSheetSet(const SheetSet& set, MessageBox& messages, const PagesProgress& progress) {
    const GridPrintSettings settings = SheetPrintSettings();
    const std::string printer = DefaultPrinterName();
    if (printer.empty()) {
        messages.Show(kNoDefaultPrinterText, MessageBox::kError);
        return;
    }
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    const PagesOutcome outcome =
        WriteSheetsPdf(pdf, set.Sheets(), settings, PrintableMinimum(printer, settings), progress);
    if (outcome == PagesOutcome::Cancelled) return;
    if (outcome != PagesOutcome::Complete || pdf.data().isEmpty()) {
        messages.Show(kNotRenderedText, MessageBox::kError);
        return;
    }
    const std::string failure = SubmitPdfJob(printer, pdf.data());
    if (!failure.empty()) messages.Show(failure, MessageBox::kError);
}
