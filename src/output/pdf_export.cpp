#include "output/pdf_export.h"

#include <QSaveFile>
#include <cstdio>

#include "output/preview.h"
#include "platform/print_job.h"
#include "platform/printers.h"

namespace {

ExportResult Failure(const std::string& path, const QString& reason) {
    std::string text = "PDF文件“" + path + "”没有保存。";
    if (!reason.isEmpty()) text += "（" + reason.toStdString() + "）";
    return {ExportOutcome::Failed, text};
}

}  // namespace

std::string SuggestedPdfFileName(int year, int month, int day) {
    char date[32];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", year, month, day);
    return std::string("四则运算练习-") + date + ".pdf";
}

ExportResult ExportSheetSet(const SheetSet& set, const std::string& path,
                            const PagesProgress& progress) {
    const GridPrintSettings settings = SheetPrintSettings();
    // The margins the printout would have on the default printer; without one, the page
    // renderer's own small margin.
    const std::string printer = DefaultPrinterName();
    const QMarginsF printable = printer.empty() ? QMarginsF() : PrintableMinimum(printer, settings);

    // QSaveFile writes into a temporary file beside the target and renames it over the target
    // only on commit, so the target is never half written.
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly)) return Failure(path, file.errorString());
    const PagesOutcome outcome = WriteSheetsPdf(file, set.Sheets(), settings, printable, progress);
    if (outcome == PagesOutcome::Cancelled) {
        file.cancelWriting();
        return {ExportOutcome::Cancelled, {}};
    }
    if (outcome != PagesOutcome::Complete) {
        file.cancelWriting();
        return Failure(path, QStringLiteral("练习题没能排成页面"));
    }
    if (!file.commit()) return Failure(path, file.errorString());
    return {ExportOutcome::Saved, {}};
}
