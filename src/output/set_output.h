#pragma once

#include <memory>

#include "output/message_box.h"
#include "platform/sheet_pages.h"
#include "platform/sheet_set.h"

class QPrintPreviewDialog;
class QWidget;

// The sheets of a class set as one document, one sheet per page in the order they were made,
// with the page and print settings of the single sheet (SheetPrintSettings).

// Shows the set in a modal print preview that pages through the sheets, and returns when the
// user closes it.
void ShowSetPreview(const SheetSet& set, QWidget* parent = nullptr);
// The dialog that ShowSetPreview runs, for callers that show it their own way.
std::unique_ptr<QPrintPreviewDialog> CreateSetPreviewDialog(const SheetSet& set,
                                                            QWidget* parent = nullptr);

// Prints the set as one job of as many pages as it has sheets on the default printer. When it
// cannot be printed the user is told why in an error message; a job the printer accepted, and a
// rendering stopped through `progress`, show nothing (and a stopped one sends no job).
void PrintSheetSet(const SheetSet& set, MessageBox& messages, const PagesProgress& progress = {});
