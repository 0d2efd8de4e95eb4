#include "output/set_output.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScreen>
#include <QWidget>
#include <string>

#include "output/preview.h"
#include "platform/print_job.h"
#include "platform/printers.h"

void ShowSetPreview(const SheetSet& set, QWidget* parent) {
    const std::unique_ptr<QPrintPreviewDialog> dialog = CreateSetPreviewDialog(set, parent);
    dialog->exec();
}

std::unique_ptr<QPrintPreviewDialog> CreateSetPreviewDialog(const SheetSet& set, QWidget* parent) {
    auto dialog = std::make_unique<QPrintPreviewDialog>(parent);
    dialog->setWindowTitle(QStringLiteral("打印预览"));
    // Large enough to read the questions, as the preview of one sheet.
    if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        dialog->resize(available.width() * 4 / 5, available.height() * 4 / 5);
    }
    QObject::connect(dialog.get(), &QPrintPreviewDialog::paintRequested, dialog.get(),
                     [&set](QPrinter* printer) {
                         RenderSheetPages(*printer, set.Sheets(), SheetPrintSettings());
                     });
    return dialog;
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
