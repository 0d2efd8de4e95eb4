#pragma once

#include <functional>
#include <memory>

#include "platform/grid.h"

class QPrintPreviewDialog;
class QPrinter;
class QWidget;

// Paints the pages of a preview on its printer, whose page is already set up.
using PreviewPainter = std::function<void(QPrinter& printer)>;

// The print preview of one sheet or of a set of sheets: a dialog titled "打印预览" that owns its
// printer, the default printer set up by setUp before the dialog is built (the dialog reads
// the page, its orientation buttons for one, from the printer when it is created), covering
// most of the screen and centred over parent's window as far as the screen allows. paint draws
// the pages on the printer as it stands, so a page the user changes in the preview is kept.
std::unique_ptr<QPrintPreviewDialog> CreateSheetPreviewDialog(const Grid::PageSetup& setUp,
                                                              PreviewPainter paint,
                                                              QWidget* parent);
