#include "platform/grid.h"

#include <QPagedPaintDevice>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QWidget>
#include <utility>

#include "platform/grid_renderer.h"
#include "platform/preview_dialog.h"
#include "platform/print_job.h"

Grid::Grid(DataSource& source, std::string name) : source_(source), name_(std::move(name)) {}

Grid::PageSetup Grid::SettingsPage() const {
    return [this](QPrinter& printer, const std::string& printerName) {
        const GridPrintSettings& settings = source_.PrintSettings();
        ApplyPageSettings(settings, printer, PrintableMinimum(printerName, settings));
    };
}

void Grid::PrintPreview(QWidget* parent) {
    PrintPreview(SettingsPage(), parent);
}

void Grid::PrintPreview(const PageSetup& setUp, QWidget* parent) {
    const std::unique_ptr<QPrintPreviewDialog> dialog = CreatePrintPreviewDialog(setUp, parent);
    dialog->exec();
}

std::unique_ptr<QPrintPreviewDialog> Grid::CreatePrintPreviewDialog(QWidget* parent) const {
    return CreatePrintPreviewDialog(SettingsPage(), parent);
}

std::unique_ptr<QPrintPreviewDialog> Grid::CreatePrintPreviewDialog(const PageSetup& setUp,
                                                                    QWidget* parent) const {
    return CreateSheetPreviewDialog(
        setUp,
        [this](QPrinter& printer) {
            QPainter painter(&printer);
            if (painter.isActive()) Paint(painter);
        },
        parent);
}

void Grid::Render(QPagedPaintDevice& device, const QMarginsF& printableMinimumMm) const {
    ApplyPageSettings(source_.PrintSettings(), device, printableMinimumMm);
    QPainter painter(&device);
    if (painter.isActive()) Paint(painter);
}

void Grid::Paint(QPainter& painter) const {
    // The painter's origin is the top-left corner of the page's printable part.
    const QPaintDevice* device = painter.device();
    const QRectF area(0, 0, device->width(), device->height());
    GridRenderer(source_).Paint(painter, area, source_.PrintSettings().scaling);
}
