// Grid::Print: the sheet as one PDF job for the default printer.
//
// The page is written as a PDF file by a PDF printer and handed to CUPS directly, instead of
// going through QPrinter's CUPS engine: every print asks CUPS afresh which printer is the
// default, and a job that CUPS refuses is reported back. (QPrinter's CUPS engine reports a
// refused job as printed.)

#include <cups/cups.h>

#include <QByteArray>
#include <QFile>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryDir>
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
        writer.setDocName(QString::fromUtf8(kJobTitle));
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

// Sends the document as a job of its own; "" when CUPS accepted it.
std::string SubmitPdf(const std::string& printer, const QByteArray& pdf, const QString& title) {
    const QByteArray jobTitle = title.isEmpty() ? QByteArray(kJobTitle) : title.toUtf8();
    const int job =
        cupsCreateJob(CUPS_HTTP_DEFAULT, printer.c_str(), jobTitle.constData(), 0, nullptr);
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
    return Print(SettingsPage());
}

std::string Grid::Print(const PageSetup& setUp) {
    const std::string printer = DefaultPrinterName();
    if (printer.empty()) return kNoDefaultPrinterText;
    QString title;
    const QByteArray pdf = RenderPdf(*this, setUp, printer, title);
    if (pdf.isEmpty()) return kNotRenderedText;
    return SubmitPdf(printer, pdf, title);
}

QMarginsF PrintableMinimumMm(const std::string& printer, const GridPrintSettings& settings) {
    if (printer.empty()) return {};
    const QPrinterInfo info = QPrinterInfo::printerInfo(QString::fromStdString(printer));
    if (info.isNull()) return {};
    QPrinter probe(info, QPrinter::HighResolution);
    ApplyPageSettings(settings, probe);
    QPageLayout layout = probe.pageLayout();
    layout.setUnits(QPageLayout::Millimeter);
    return layout.minimumMargins();
}
