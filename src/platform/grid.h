#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <QMarginsF>

#include "platform/data_source.h"

class QPagedPaintDevice;
class QPainter;
class QPrintPreviewDialog;
class QPrinter;
class QWidget;

// The grid: shows the cells of the data source it is bound to as one printed page, in a print
// preview or on the default printer, with the data source's print settings.
class Grid {
public:
    explicit Grid(DataSource& source, std::string name = "表格1");

    const std::string& Name() const { return name_; }
    const std::string& DataSourceName() const { return source_.Name(); }
    const DataSource& Source() const { return source_; }

    // Sets up the printer of a preview or a printout before the sheet is painted on it: its page
    // (paper, orientation, margins) and its document title. printerName is the printer the
    // sheet is meant for, the default printer ("" when there is none); the printer being set up
    // is that printer itself for a preview and a PDF writer for a printout.
    using PageSetup = std::function<void(QPrinter& printer, const std::string& printerName)>;

    // The page of the data source's print settings, on the printer the sheet is meant for.
    PageSetup SettingsPage() const;

    // Shows the sheet in a modal print preview, exactly as it will print, and returns when the
    // user closes it. The preview's printer is the default printer, set up by setUp before the
    // dialog opens; the dialog opens centred over parent.
    void PrintPreview(QWidget* parent = nullptr);
    void PrintPreview(const PageSetup& setUp, QWidget* parent = nullptr);
    // The dialog that PrintPreview runs, for callers that show it their own way. It owns its
    // printer. Its pages are painted on that printer as it stands: a page the user changes in
    // the preview (orientation, page setup) or in its print dialog is kept.
    std::unique_ptr<QPrintPreviewDialog> CreatePrintPreviewDialog(QWidget* parent = nullptr) const;
    std::unique_ptr<QPrintPreviewDialog> CreatePrintPreviewDialog(const PageSetup& setUp,
                                                                  QWidget* parent = nullptr) const;

    // Prints the sheet as one job on the default printer. Returns the empty text when the job
    // was accepted, otherwise a message saying what went wrong. The two arguments are reserved.
    // The job is a PDF, written by a printer that setUp has set up.
    std::string Print(std::optional<int32_t> a = {}, std::optional<int32_t> b = {});
    std::string Print(const PageSetup& setUp);

    // Gives the device the page of the data source's print settings (orientation, paper,
    // margins) and paints the sheet on it as one page. A device without a printable area of
    // its own (a PDF writer) takes `printableMinimumMm`, the unprintable edges of the printer
    // the page is meant for.
    void Render(QPagedPaintDevice& device, const QMarginsF& printableMinimumMm = {}) const;
    // Paints the sheet on the painter's current page, over the page's printable part, leaving
    // the page as it is.
    void Paint(QPainter& painter) const;

private:
    DataSource& source_;
    std::string name_;
};
