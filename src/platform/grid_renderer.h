#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <QMarginsF>
#include <QRectF>

#include "platform/data_source.h"
#include "platform/grid_print_settings.h"

class QPagedPaintDevice;
class QPainter;

// Makes the Chinese font names the sheet and the window ask for ("黑体", "雅黑", "宋体", ...)
// fall back to the CJK faces installed here, so Chinese never shows as empty boxes. Safe to call
// more than once.
void RegisterCjkFontSubstitutions();

// Gives the device the page of the print settings: orientation, paper and margins. A margin of
// 0 means the printer's printable area. A device without one of its own (a PDF writer) takes
// `printableMinimumMm` instead, the unprintable edges of the printer the PDF is meant for, so
// a job sent as PDF has the same page as the preview on that printer; when that is null too,
// it gets a small margin.
void ApplyPageSettings(const GridPrintSettings& settings, QPagedPaintDevice& device,
                       const QMarginsF& printableMinimumMm = {});

// One piece of a cell text as it is drawn: words, or a space for the pupil to write in.
struct TextRun {
    std::string text;    // the words; empty for a writing space
    int32_t blanks = 0;  // the number of blanks a writing space stands for; 0 for words

    bool operator==(const TextRun&) const = default;
};

// Splits a cell text at its writing spaces: every run of two or more blanks right after a
// full-width colon "：" (the blanks after "姓名：" and the others in the sheet's header). The
// words keep every other blank. A text without a writing space is one run of words.
std::vector<TextRun> WritingSpaceRuns(const std::string& text);

// Positions of the rows and columns of a data source in the table's own units.
class TableGeometry {
public:
    explicit TableGeometry(const DataSource& source);

    double Width() const { return columnEdges_.back(); }
    double Height() const { return rowEdges_.back(); }
    // The rectangle of a cell, or of the whole merged range when the cell starts one.
    QRectF CellRect(int32_t row, int32_t column, int32_t rowCount = 1,
                    int32_t columnCount = 1) const;

private:
    std::vector<double> rowEdges_;     // rowEdges_[r - 1] = top of row r
    std::vector<double> columnEdges_;  // columnEdges_[c - 1] = left of column c
};

// The column where the answer block can be cut off: an empty, unframed column standing between
// cells with text on its left and a block of framed cells on its right.
std::optional<int32_t> CutColumn(const DataSource& source);

// Draws the cells of a data source with their texts, fonts, placements and frames. Row heights,
// column widths and font sizes are relative sizes: the table is scaled as a whole. Text never
// leaves its cell; a text too wide or too tall for it is drawn smaller. The writing spaces of
// a text (see WritingSpaceRuns) are drawn as ruled blanks, in proportion to their blanks.
class GridRenderer {
public:
    // The size of one table unit at natural size (scaling 0), in millimetres.
    static constexpr double kNaturalUnitMm = 0.1;

    explicit GridRenderer(const DataSource& source);

    // Paints into area (device coordinates of the painter). With scaling -2 the whole table is
    // scaled to fit the area and centred across it; otherwise it is drawn at natural size from
    // the area's top-left corner, and whatever lies outside the area is cut off.
    void Paint(QPainter& painter, const QRectF& area, int32_t scaling) const;

    // The scale (device pixels per table unit) that Paint uses for the area.
    double ScaleFor(const QPainter& painter, const QRectF& area, int32_t scaling) const;

private:
    // A writing space is this many ems wide per blank, with a rule along its foot.
    static constexpr double kWritingBlankEm = 0.8;

    void PaintCell(QPainter& painter, const QRectF& rect, const std::string& text,
                   const CellFormat& format, double scale) const;
    void PaintRuns(QPainter& painter, const QRectF& inner, const std::vector<TextRun>& runs,
                   const CellFormat& format, double em) const;
    void PaintCutLine(QPainter& painter, const QRectF& column, double scale) const;

    const DataSource& source_;
    TableGeometry geometry_;
};
