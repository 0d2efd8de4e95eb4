#include "platform/preview_dialog.h"

#include <QGuiApplication>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <string>

#include "platform/printers.h"

namespace {

// The printer of a preview, set up before the dialog is built on it: the dialog reads the
// page (its orientation buttons, for one) from the printer when it is created.
struct SetUpPrinter {
    SetUpPrinter(const Grid::PageSetup& setUp, const std::string& printerName)
        : printer(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
        if (!printerName.empty()) printer->setPrinterName(QString::fromStdString(printerName));
        if (setUp) setUp(*printer, printerName);
    }
    std::unique_ptr<QPrinter> printer;
};

// A preview dialog that owns its printer. The printer is a base of its own, so it is made
// before the dialog and outlives it.
class OwningPreviewDialog : private SetUpPrinter, public QPrintPreviewDialog {
public:
    OwningPreviewDialog(const Grid::PageSetup& setUp, const std::string& printerName,
                        QWidget* parent)
        : SetUpPrinter(setUp, printerName),
          QPrintPreviewDialog(SetUpPrinter::printer.get(), parent) {}
};

// Most of the screen, large enough to read the questions, centred over the parent's window as
// far as the screen allows.
void PlaceOver(QWidget& dialog, const QWidget* parent) {
    const QWidget* window = parent ? parent->window() : nullptr;
    const QScreen* screen = window ? window->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    const QRect available = screen->availableGeometry();
    dialog.resize(available.width() * 4 / 5, available.height() * 4 / 5);
    QRect placed(QPoint(0, 0), dialog.size());
    placed.moveCenter(window ? window->frameGeometry().center() : available.center());
    placed.moveLeft(std::clamp(placed.left(), available.left(),
                               std::max(available.left(), available.right() + 1 - placed.width())));
    placed.moveTop(std::clamp(placed.top(), available.top(),
                              std::max(available.top(), available.bottom() + 1 - placed.height())));
    dialog.move(placed.topLeft());
}

}  // namespace

std::unique_ptr<QPrintPreviewDialog> CreateSheetPreviewDialog(const Grid::PageSetup& setUp,
                                                              PreviewPainter paint,
                                                              QWidget* parent) {
    auto dialog = std::make_unique<OwningPreviewDialog>(setUp, DefaultPrinterName(), parent);
    dialog->setWindowTitle(QStringLiteral("打印预览"));
    PlaceOver(*dialog, parent);
    QObject::connect(dialog.get(), &QPrintPreviewDialog::paintRequested, dialog.get(),
                     [paint = std::move(paint)](QPrinter* printer) {
                         if (paint && printer != nullptr) paint(*printer);
                     });
    return dialog;
}
