// Grid::Print: the sheet as one PDF job for the default printer.
//
// The page is rendered into a PDF in memory and handed to CUPS directly, instead of going
// through QPrinter: every print asks CUPS afresh which printer is the default, and a job that
// CUPS refuses is reported back. (QPrinter's CUPS engine reports a refused job as printed.)

#include <cups/cups.h>

#include <QBuffer>
#include <QByteArray>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <string>

#include "platform/grid.h"
#include "platform/grid_renderer.h"
#include "platform/printers.h"

namespace {

constexpr const char* kJobTitle = "四则运算练习";
constexpr const char* kDocumentName = "四则运算练习.pdf";

constexpr const char* kNoDefaultPrinterText =
    "没有默认打印机，练习题没有打印。请在“打印机”列表里选一台打印机，"
    "点“设置默认打印机”，然后再打印。";
constexpr const char* kNotRenderedText = "练习题没能排成打印页面，没有打印。";

std::string RefusedText(const std::string& printer, const char* reason) {
    std::string text = "打印机“" + printer + "”没有接受这份练习题，练习题没有打印。";
    if (reason != nullptr && *reason != '\0') text += std::string("（") + reason + "）";
    return text;
}

// The unprintable edges of the printer, in millimetres, for the sheet's paper and orientation;
// null when the printer does not say. The preview's page has the same edges, since its printer
// is the default one too.
QMarginsF PrintableMinimum(const std::string& printer, const GridPrintSettings& settings) {
    const QPrinterInfo info = QPrinterInfo::printerInfo(QString::fromStdString(printer));
    if (info.isNull()) return {};
    QPrinter probe(info, QPrinter::HighResolution);
    ApplyPageSettings(settings, probe);
    QPageLayout layout = probe.pageLayout();
    layout.setUnits(QPageLayout::Millimeter);
    return layout.minimumMargins();
}

QByteArray RenderPdf(const Grid& grid, const QMarginsF& printableMinimumMm) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setTitle(QString::fromUtf8(kJobTitle));
        writer.setCreator(QStringLiteral("VantrelPelmora"));
        grid.Render(writer,
                    printableMinimumMm);  // the PDF is complete when the page's painter has ended
    }
    return buffer.data();
}

// Sends the document as a job of its own; "" when CUPS accepted it.
std::string SubmitPdf(const std::string& printer, const QByteArray& pdf) {
    const int job = cupsCreateJob(CUPS_HTTP_DEFAULT, printer.c_str(), kJobTitle, 0, nullptr);
    if (job == 0) return RefusedText(printer, cupsLastErrorString());

    bool sent = cupsStartDocument(CUPS_HTTP_DEFAULT, printer.c_str(), job, kDocumentName,
                                  CUPS_FORMAT_PDF, 1) == HTTP_STATUS_CONTINUE;
    if (sent) {
        sent = cupsWriteRequestData(CUPS_HTTP_DEFAULT, pdf.constData(),
                                    static_cast<size_t>(pdf.size())) == HTTP_STATUS_CONTINUE;
        // Finishing reads the scheduler's answer, also after a failed write.
        sent = cupsFinishDocument(CUPS_HTTP_DEFAULT, printer.c_str()) == IPP_STATUS_OK && sent;
    }
    if (sent) return {};

    const std::string reason = cupsLastErrorString() ? cupsLastErrorString() : "";
    cupsCancelJob2(CUPS_HTTP_DEFAULT, printer.c_str(), job, 0);  // no job without its document
    return RefusedText(printer, reason.c_str());
}

}  // namespace

std::string Grid::Print(std::optional<int32_t> a, std::optional<int32_t> b) {
    // The two arguments are reserved; the sheet always prints whole, once.
    static_cast<void>(a);
    static_cast<void>(b);

    const std::string printer = DefaultPrinterName();
    if (printer.empty()) return kNoDefaultPrinterText;
    const QByteArray pdf = RenderPdf(*this, PrintableMinimum(printer, source_.PrintSettings()));
    if (pdf.isEmpty()) return kNotRenderedText;
    return SubmitPdf(printer, pdf);
}
