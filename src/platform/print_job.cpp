#include "platform/print_job.h"

#include <cups/cups.h>

#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>

#include "platform/grid_renderer.h"

namespace {

constexpr const char* kDocumentName = "四则运算练习.pdf";

std::string RefusedText(const std::string& printer, const char* reason) {
    std::string text = "打印机“" + printer + "”没有接受这份练习题，练习题没有打印。";
    if (reason != nullptr && *reason != '\0') text += std::string("（") + reason + "）";
    return text;
}

}  // namespace

QMarginsF PrintableMinimum(const std::string& printer, const GridPrintSettings& settings) {
    if (printer.empty()) return {};
    const QPrinterInfo info = QPrinterInfo::printerInfo(QString::fromStdString(printer));
    if (info.isNull()) return {};
    QPrinter probe(info, QPrinter::HighResolution);
    ApplyPageSettings(settings, probe);
    QPageLayout layout = probe.pageLayout();
    layout.setUnits(QPageLayout::Millimeter);
    return layout.minimumMargins();
}

std::string SubmitPdfJob(const std::string& printer, const QByteArray& pdf, const QString& title) {
    const QByteArray jobTitle = title.isEmpty() ? QByteArray(kPrintJobTitle) : title.toUtf8();
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
