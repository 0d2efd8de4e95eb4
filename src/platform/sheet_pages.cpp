#include "platform/sheet_pages.h"

#include <QIODevice>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

#include "platform/grid_renderer.h"

namespace {
constexpr const char* kDocumentTitle = "四则运算练习";
}

PagesOutcome RenderSheetPages(QPagedPaintDevice& device,
                              const std::vector<const DataSource*>& sheets,
                              const GridPrintSettings& settings,
                              const QMarginsF& printableMinimumMm, const PagesProgress& progress) {
    ApplyPageSettings(settings, device, printableMinimumMm);
    QPainter painter(&device);
    if (!painter.isActive()) return PagesOutcome::NotRendered;
    return PaintSheetPages(painter, device, sheets, settings.scaling, progress);
}

PagesOutcome PaintSheetPages(QPainter& painter, QPagedPaintDevice& device,
                             const std::vector<const DataSource*>& sheets, int32_t scaling,
                             const PagesProgress& progress) {
    // The painter's origin is the top-left corner of the page's printable part.
    const QRectF area(0, 0, device.width(), device.height());
    const auto total = static_cast<int32_t>(sheets.size());
    for (int32_t i = 0; i < total; ++i) {
        if (i > 0 && !device.newPage()) return PagesOutcome::NotRendered;
        GridRenderer(*sheets[static_cast<size_t>(i)]).Paint(painter, area, scaling);
        if (progress && !progress(i + 1, total)) return PagesOutcome::Cancelled;
    }
    return PagesOutcome::Complete;
}

PagesOutcome WriteSheetsPdf(QIODevice& out, const std::vector<const DataSource*>& sheets,
                            const GridPrintSettings& settings, const QMarginsF& printableMinimumMm,
                            const PagesProgress& progress) {
    QPdfWriter writer(&out);
    writer.setTitle(QString::fromUtf8(kDocumentTitle));
    writer.setCreator(QStringLiteral("VantrelPelmora"));
    // The document is complete once the painter inside has ended.
    return RenderSheetPages(writer, sheets, settings, printableMinimumMm, progress);
}
