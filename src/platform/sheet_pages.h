#pragma once

#include <QMarginsF>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/data_source.h"
#include "platform/grid_print_settings.h"

class QIODevice;
class QPagedPaintDevice;
class QPainter;

enum class PagesOutcome {
    Complete,     // every sheet is on its page
    Cancelled,    // the progress report asked to stop; the document is incomplete
    NotRendered,  // the device could not be painted on
};

// Reports pages done of total; returning false stops the rendering.
using PagesProgress = std::function<bool(int32_t done, int32_t total)>;

// Gives the device the page of the print settings (see ApplyPageSettings) and paints the sheets
// one per page, in order, each the way the grid paints its one sheet. The preview, the printout
// and the PDF export all come through here, so they show the same pages.
PagesOutcome RenderSheetPages(QPagedPaintDevice& device,
                              const std::vector<const DataSource*>& sheets,
                              const GridPrintSettings& settings,
                              const QMarginsF& printableMinimumMm = {},
                              const PagesProgress& progress = {});

// Paints the sheets one per page, in order, on the painter's device as its page stands (a
// preview's printer, set up already), starting on the current page.
PagesOutcome PaintSheetPages(QPainter& painter, QPagedPaintDevice& device,
                             const std::vector<const DataSource*>& sheets, int32_t scaling,
                             const PagesProgress& progress = {});

// Writes the sheets as one PDF document into `out`, which must be open for writing.
PagesOutcome WriteSheetsPdf(QIODevice& out, const std::vector<const DataSource*>& sheets,
                            const GridPrintSettings& settings, const QMarginsF& printableMinimumMm,
                            const PagesProgress& progress = {});
