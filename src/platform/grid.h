#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include <QMarginsF>

#include "platform/data_source.h"

class QPagedPaintDevice;
class QPrintPreviewDialog;
class QWidget;

// The grid: shows the cells of the data source it is bound to as one printed page, in a print
// preview or on the default printer, with the data source's print settings.
class Grid {
public:
    explicit Grid(DataSource& source, std::string name = "表格1");

    const std::string& Name() const { return name_; }
    const std::string& DataSourceName() const { return source_.Name(); }
    const DataSource& Source() const { return source_; }

    // Shows the sheet in a modal print preview, exactly as it will print, and returns when the
    // user closes it.
    void PrintPreview(QWidget* parent = nullptr);
    // The dialog that PrintPreview runs, for callers that show it their own way.
    std::unique_ptr<QPrintPreviewDialog> CreatePrintPreviewDialog(QWidget* parent = nullptr) const;

    // Prints the sheet as one job on the default printer. Returns the empty text when the job
    // was accepted, otherwise a message saying what went wrong. The two arguments are reserved.
    std::string Print(std::optional<int32_t> a = {}, std::optional<int32_t> b = {});

    // Gives the device the page of the data source's print settings (orientation, paper,
    // margins) and paints the sheet on it as one page. A device without a printable area of
    // its own (a PDF writer) takes `printableMinimumMm`, the unprintable edges of the printer
    // the page is meant for.
    void Render(QPagedPaintDevice& device, const QMarginsF& printableMinimumMm = {}) const;

private:
    DataSource& source_;
    std::string name_;
};
