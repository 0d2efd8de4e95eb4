// Grid::Print: the sheet as one PDF job for the default printer.
//
// The page is written as a PDF file by a PDF printer and handed to CUPS directly, instead of
// going through QPrinter's CUPS engine: every print asks CUPS afresh which printer is the
// default, and a job that CUPS refuses is reported back. (QPrinter's CUPS engine reports a
// refused job as printed.)

#include <QByteArray>
#include <QFile>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryDir>
#include <string>

#include "platform/grid.h"
#include "platform/grid_renderer.h"
#include "platform/print_job.h"
#include "platform/printers.h"

namespace {

// The sheet as a PDF document, written by a PDF printer that setUp has set up for the target
// printer; empty when it could not be written.
QByteArray RenderPdf(const Grid& grid, const Grid::PageSetup& setUp, const std::string& target,
                     QString& title) {
    const QTemporaryDir directory;
    if (!directory.isValid()) return {};
    const QString file = directory.filePath(QStringLiteral("sheet.pdf"));
    {
        QPrinter writer(QPrinter::HighResolution);
        writer.setOutputFormat(QPrinter::PdfFormat);
        writer.setOutputFileName(file);
        writer.setDocName(QString::fromUtf8(kPrintJobTitle));
        writer.setCreator(QStringLiteral("VantrelPelmora"));
        if (setUp) setUp(writer, target);
        title = writer.docName();
        QPainter painter(&writer);
        if (!painter.isActive()) return {};
        grid.Paint(painter);
    }  // the PDF is complete when the page's painter has ended
    QFile pdf(file);
    return pdf.open(QIODevice::ReadOnly) ? pdf.readAll() : QByteArray();
}

}  // namespace

std::string Grid::Print(std::optional<int32_t> a, std::optional<int32_t> b) {
    // The two arguments are reserved; the sheet always prints whole, once.
    static_cast<void>(a);
    static_cast<void>(b);
    return Print(SettingsPage());
}

std::string Grid::Print(const PageSetup& setUp) {
    const std::string printer = DefaultPrinterName();
    if (printer.empty()) return kNoDefaultPrinterText;
    QString title;
    const QByteArray pdf = RenderPdf(*this, setUp, printer, title);
    if (pdf.isEmpty()) return kNotRenderedText;
    return SubmitPdfJob(printer, pdf, title);
}
