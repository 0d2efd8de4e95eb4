#include "platform/grid.h"

#include <QGuiApplication>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScreen>
#include <QWidget>
#include <utility>

#include "platform/grid_renderer.h"
#include "platform/sheet_pages.h"

Grid::Grid(DataSource& source, std::string name) : source_(source), name_(std::move(name)) {}

void Grid::PrintPreview(QWidget* parent) {
    const std::unique_ptr<QPrintPreviewDialog> dialog = CreatePrintPreviewDialog(parent);
    dialog->exec();
}

std::unique_ptr<QPrintPreviewDialog> Grid::CreatePrintPreviewDialog(QWidget* parent) const {
    auto dialog = std::make_unique<QPrintPreviewDialog>(parent);
    dialog->setWindowTitle(QStringLiteral("打印预览"));
    // Open large enough to read the questions: most of the screen, on the parent's screen.
    if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        dialog->resize(available.width() * 4 / 5, available.height() * 4 / 5);
    }
    QObject::connect(dialog.get(), &QPrintPreviewDialog::paintRequested, dialog.get(),
                     [this](QPrinter* printer) { Render(*printer); });
    return dialog;
}

void Grid::Render(QPagedPaintDevice& device, const QMarginsF& printableMinimumMm) const {
    // One sheet is a set of one page: the same path as the pages of a class set.
    RenderSheetPages(device, {&source_}, source_.PrintSettings(), printableMinimumMm);
}
