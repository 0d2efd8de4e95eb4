#include "platform/grid_renderer.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <algorithm>
#include <cmath>
#include <mutex>

namespace {

constexpr double kMmPerInch = 25.4;
constexpr double kFallbackMarginMm = 5.0;  // for devices without a printable area of their own

// Line widths and dash lengths in millimetres on paper, whatever the scale.
constexpr double kThinLineMm = 0.2;
constexpr double kHeaderRuleMm = 0.4;
constexpr double kWritingRuleMm = 0.25;
constexpr double kDashMm = 1.2;
constexpr double kDashGapMm = 0.8;
const QColor kHeaderTint(0xee, 0xee, 0xee);
const QColor kCutLineColour(0x55, 0x55, 0x55);

double PixelsPerMm(const QPainter& painter) {
    return painter.device()->logicalDpiX() / kMmPerInch;
}

QPen LinePen(const QPainter& painter, double widthMm, bool dashed, const QColor& colour) {
    const double width = std::max(1.0, widthMm * PixelsPerMm(painter));
    QPen pen(colour, width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    if (dashed) {
        pen.setDashPattern(
            {kDashMm * PixelsPerMm(painter) / width, kDashGapMm * PixelsPerMm(painter) / width});
    }
    return pen;
}

QFont CellFont(const CellFormat& format, double pixelSize, const QPainter& painter) {
    QFont font;
    if (!format.fontFamily.empty()) font.setFamily(QString::fromStdString(format.fontFamily));
    font.setBold(cell_format::IsBold(format.code2));
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setPointSizeF(std::max(pixelSize, 0.1) * 72.0 / painter.device()->logicalDpiY());
    return font;
}

Qt::Alignment AlignmentOf(int32_t code1) {
    Qt::Alignment a;
    switch (cell_format::HorizontalOf(code1)) {
        case cell_format::Horizontal::Left:
            a = Qt::AlignLeft;
            break;
        case cell_format::Horizontal::Centre:
            a = Qt::AlignHCenter;
            break;
        case cell_format::Horizontal::Right:
            a = Qt::AlignRight;
            break;
    }
    switch (cell_format::VerticalOf(code1)) {
        case cell_format::Vertical::Top:
            a |= Qt::AlignTop;
            break;
        case cell_format::Vertical::Middle:
            a |= Qt::AlignVCenter;
            break;
        case cell_format::Vertical::Bottom:
            a |= Qt::AlignBottom;
            break;
    }
    return a;
}

bool IsFramed(const DataSource& source, int32_t row, int32_t column) {
    return cell_format::FrameOf(source.Format(row, column).code3) != cell_format::Frame::None;
}

// Whether a cell draws anything of its own: text, a frame or a band. Cells hidden under a
// merged range draw nothing.
bool IsBlank(const DataSource& source, int32_t row, int32_t column) {
    if (const auto merge = source.MergeAt(row, column)) {
        if (merge->row != row || merge->column != column) return true;
    }
    const CellFormat f = source.Format(row, column);
    return source.CellText(row, column).empty() && !IsFramed(source, row, column) &&
           !cell_format::IsHeaderBand(f.code4);
}

// Paints scissors whose blades point down, centred on centre, about size pixels tall.
void PaintScissors(QPainter& painter, const QPointF& centre, double size) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(std::max(1, static_cast<int>(size)));
    const QString mark(QChar(0x2702));
    QPainterPath path;
    if (QFontMetricsF(font).inFont(mark[0])) {
        path.addText(0, 0, font, mark);  // an outline, so the mark is not part of the text
    } else {
        // A drawn pair: two finger loops and two crossing blades, pointing right.
        const double r = size * 0.16;
        path.addEllipse(QPointF(-size * 0.3, -size * 0.2), r, r);
        path.addEllipse(QPointF(-size * 0.3, size * 0.2), r, r);
        path.moveTo(-size * 0.18, -size * 0.12);
        path.lineTo(size * 0.45, size * 0.08);
        path.moveTo(-size * 0.18, size * 0.12);
        path.lineTo(size * 0.45, -size * 0.08);
    }
    const QRectF bounds = path.boundingRect();
    QTransform t;
    t.translate(centre.x(), centre.y());
    t.rotate(90);
    t.translate(-bounds.center().x(), -bounds.center().y());
    const QPainterPath placed = t.map(path);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(placed.boundingRect().adjusted(-1, -1, 1, 1), Qt::white);
    painter.setPen(QPen(kCutLineColour, std::max(1.0, size * 0.05)));
    painter.setBrush(kCutLineColour);
    painter.drawPath(placed);
    painter.restore();
}

}  // namespace

void RegisterCjkFontSubstitutions() {
    static std::once_flag once;
    std::call_once(once, [] {
        const QStringList cjk{
            QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
            QStringLiteral("Source Han Sans SC"), QStringLiteral("Droid Sans Fallback"),
            QStringLiteral("AR PL UMing CN")};
        QFont::insertSubstitutions(QStringLiteral("黑体"), QStringList{"SimHei"} + cjk);
        QFont::insertSubstitutions(QStringLiteral("SimHei"), cjk);
        QFont::insertSubstitutions(QStringLiteral("雅黑"), QStringList{"Microsoft YaHei"} + cjk);
        QFont::insertSubstitutions(QStringLiteral("微软雅黑"),
                                   QStringList{"Microsoft YaHei"} + cjk);
        QFont::insertSubstitutions(QStringLiteral("Microsoft YaHei"), cjk);
        QFont::insertSubstitutions(QStringLiteral("宋体"), QStringList{"SimSun"} + cjk);
        QFont::insertSubstitutions(QStringLiteral("SimSun"), cjk);
    });
}

void ApplyPageSettings(const GridPrintSettings& settings, QPagedPaintDevice& device,
                       const QMarginsF& printableMinimumMm) {
    if (settings.paperSize == 1) device.setPageSize(QPageSize(QPageSize::A4));
    if (settings.orientation == 1) device.setPageOrientation(QPageLayout::Portrait);
    if (settings.orientation == 2) device.setPageOrientation(QPageLayout::Landscape);

    QPageLayout layout = device.pageLayout();
    layout.setUnits(QPageLayout::Millimeter);
    const QMarginsF minimum =
        layout.minimumMargins().isNull() ? printableMinimumMm : layout.minimumMargins();
    const bool hasPrintableArea = !minimum.isNull();
    auto margin = [&](int32_t hundredthsInch, double minimumMm) {
        if (hundredthsInch <= 0) return hasPrintableArea ? minimumMm : kFallbackMarginMm;
        return std::max(hundredthsInch * kMmPerInch / 100.0, minimumMm);
    };
    const QMarginsF margins(margin(settings.marginLeft, minimum.left()),
                            margin(settings.marginTop, minimum.top()),
                            margin(settings.marginRight, minimum.right()),
                            margin(settings.marginBottom, minimum.bottom()));
    device.setPageMargins(margins, QPageLayout::Millimeter);
}

TableGeometry::TableGeometry(const DataSource& source) {
    rowEdges_.push_back(0);
    for (int32_t r = 1; r <= source.RowCount(); ++r) {
        rowEdges_.push_back(rowEdges_.back() + std::max(source.RowHeight(r), 0));
    }
    columnEdges_.push_back(0);
    for (int32_t c = 1; c <= source.ColumnCount(); ++c) {
        columnEdges_.push_back(columnEdges_.back() + std::max(source.ColumnWidth(c), 0));
    }
}

QRectF TableGeometry::CellRect(int32_t row, int32_t column, int32_t rowCount,
                               int32_t columnCount) const {
    const auto rows = static_cast<int32_t>(rowEdges_.size()) - 1;
    const auto columns = static_cast<int32_t>(columnEdges_.size()) - 1;
    const int32_t r0 = std::clamp(row, 1, rows + 1) - 1;
    const int32_t r1 = std::clamp(row + rowCount - 1, 0, rows);
    const int32_t c0 = std::clamp(column, 1, columns + 1) - 1;
    const int32_t c1 = std::clamp(column + columnCount - 1, 0, columns);
    return QRectF(
        QPointF(columnEdges_[static_cast<size_t>(c0)], rowEdges_[static_cast<size_t>(r0)]),
        QPointF(columnEdges_[static_cast<size_t>(std::max(c0, c1))],
                rowEdges_[static_cast<size_t>(std::max(r0, r1))]));
}

std::optional<int32_t> CutColumn(const DataSource& source) {
    for (int32_t c = 2; c < source.ColumnCount(); ++c) {
        bool empty = true;
        bool framedRight = false;
        for (int32_t r = 1; r <= source.RowCount() && empty; ++r) {
            empty = IsBlank(source, r, c);
            framedRight = framedRight || IsFramed(source, r, c + 1);
        }
        if (!empty || !framedRight) continue;
        bool textLeft = false;
        for (int32_t r = 1; r <= source.RowCount() && !textLeft; ++r) {
            for (int32_t left = 1; left < c && !textLeft; ++left) {
                textLeft = !source.MergeAt(r, left) && !source.CellText(r, left).empty();
            }
        }
        if (textLeft) return c;
    }
    return std::nullopt;
}

GridRenderer::GridRenderer(const DataSource& source) : source_(source), geometry_(source) {}

double GridRenderer::ScaleFor(const QPainter& painter, const QRectF& area, int32_t scaling) const {
    if (scaling == -2 && geometry_.Width() > 0 && geometry_.Height() > 0) {
        return std::min(area.width() / geometry_.Width(), area.height() / geometry_.Height());
    }
    return kNaturalUnitMm * PixelsPerMm(painter);
}

void GridRenderer::Paint(QPainter& painter, const QRectF& area, int32_t scaling) const {
    RegisterCjkFontSubstitutions();
    const double scale = ScaleFor(painter, area, scaling);
    const double left =
        scaling == -2 ? area.left() + (area.width() - geometry_.Width() * scale) / 2 : area.left();
    auto toDevice = [&](const QRectF& units) {
        return QRectF(left + units.left() * scale, area.top() + units.top() * scale,
                      units.width() * scale, units.height() * scale);
    };

    painter.save();
    painter.setClipRect(area);
    struct Placed {
        QRectF rect;
        std::string text;
        CellFormat format;
    };
    std::vector<Placed> cells;
    for (int32_t r = 1; r <= source_.RowCount(); ++r) {
        for (int32_t c = 1; c <= source_.ColumnCount(); ++c) {
            if (IsBlank(source_, r, c)) continue;
            const auto merge = source_.MergeAt(r, c);
            const QRectF units = merge
                                     ? geometry_.CellRect(r, c, merge->rowCount, merge->columnCount)
                                     : geometry_.CellRect(r, c);
            cells.push_back({toDevice(units), source_.CellText(r, c), source_.Format(r, c)});
        }
    }

    // Bands first, then frames, then texts, so no line crosses a text.
    for (const Placed& cell : cells) {
        if (!cell_format::IsHeaderBand(cell.format.code4)) continue;
        painter.fillRect(cell.rect, kHeaderTint);
        painter.setPen(LinePen(painter, kHeaderRuleMm, false, Qt::black));
        painter.drawLine(cell.rect.bottomLeft(), cell.rect.bottomRight());
    }
    for (const Placed& cell : cells) {
        const cell_format::Frame frame = cell_format::FrameOf(cell.format.code3);
        if (frame == cell_format::Frame::None) continue;
        painter.setPen(
            LinePen(painter, kThinLineMm, frame == cell_format::Frame::Dashed, Qt::black));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(cell.rect);
    }
    for (const Placed& cell : cells) {
        PaintCell(painter, cell.rect, cell.text, cell.format, scale);
    }
    if (const auto column = CutColumn(source_)) {
        // The line runs along the framed block on the right of the cut column.
        int32_t first = 0;
        int32_t last = 0;
        for (int32_t r = 1; r <= source_.RowCount(); ++r) {
            if (!IsFramed(source_, r, *column + 1)) continue;
            if (first == 0) first = r;
            last = r;
        }
        PaintCutLine(painter, toDevice(geometry_.CellRect(first, *column, last - first + 1)),
                     scale);
    }
    painter.restore();
}

std::vector<TextRun> WritingSpaceRuns(const std::string& text) {
    static const std::string kColon = "：";
    std::vector<TextRun> runs;
    std::string words;
    size_t at = 0;
    while (at < text.size()) {
        const size_t colon = text.find(kColon, at);
        if (colon == std::string::npos) break;
        const size_t blanksFrom = colon + kColon.size();
        size_t blanksTo = blanksFrom;
        while (blanksTo < text.size() && text[blanksTo] == ' ') ++blanksTo;
        words += text.substr(at, blanksFrom - at);
        if (blanksTo - blanksFrom >= 2) {
            runs.push_back({std::move(words), 0});
            words.clear();
            runs.push_back({"", static_cast<int32_t>(blanksTo - blanksFrom)});
        } else {
            words += text.substr(blanksFrom, blanksTo - blanksFrom);
        }
        at = blanksTo;
    }
    words += text.substr(std::min(at, text.size()));
    if (!words.empty() || runs.empty()) runs.push_back({std::move(words), 0});
    return runs;
}

void GridRenderer::PaintCell(QPainter& painter, const QRectF& rect, const std::string& text,
                             const CellFormat& format, double scale) const {
    if (text.empty()) return;
    const QString qtext = QString::fromStdString(text);
    const double em = std::max(format.fontSize, 1) * scale;
    const double padX = std::min(0.2 * em, 0.15 * rect.width());
    const double padY = std::min(0.12 * em, 0.15 * rect.height());
    const QRectF inner = rect.adjusted(padX, padY, -padX, -padY);
    if (inner.width() <= 0 || inner.height() <= 0) return;
    if (const std::vector<TextRun> runs = WritingSpaceRuns(text); runs.size() > 1) {
        PaintRuns(painter, inner, runs, format, em);
        return;
    }

    // Shrinks the font until the text fits the cell in both directions.
    double size = em;
    QFont font = CellFont(format, size, painter);
    for (int attempt = 0; attempt < 6; ++attempt) {
        const QFontMetricsF metrics(font, painter.device());
        const double fit = std::min(inner.width() / metrics.horizontalAdvance(qtext),
                                    inner.height() / metrics.height());
        if (fit >= 1.0) break;
        size *= fit * 0.98;
        font = CellFont(format, size, painter);
    }
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(inner, static_cast<int>(AlignmentOf(format.code1) | Qt::TextSingleLine),
                     qtext);
}

void GridRenderer::PaintRuns(QPainter& painter, const QRectF& inner,
                             const std::vector<TextRun>& runs, const CellFormat& format,
                             double em) const {
    // The width of every run at a font size; a writing space grows with the font.
    auto widths = [&](const QFont& font, double size) {
        const QFontMetricsF metrics(font, painter.device());
        std::vector<double> w;
        for (const TextRun& run : runs) {
            w.push_back(run.blanks > 0
                            ? run.blanks * kWritingBlankEm * size
                            : metrics.horizontalAdvance(QString::fromStdString(run.text)));
        }
        return w;
    };
    auto total = [](const std::vector<double>& w) {
        double sum = 0;
        for (double x : w) sum += x;
        return sum;
    };

    // Shrinks the font, and the writing spaces with it, until the line fits the cell.
    double size = em;
    QFont font = CellFont(format, size, painter);
    std::vector<double> w = widths(font, size);
    for (int attempt = 0; attempt < 6; ++attempt) {
        const double fit =
            std::min(inner.width() / std::max(total(w), 1e-9),
                     inner.height() / QFontMetricsF(font, painter.device()).height());
        if (fit >= 1.0) break;
        size *= fit * 0.98;
        font = CellFont(format, size, painter);
        w = widths(font, size);
    }

    const QFontMetricsF metrics(font, painter.device());
    const Qt::Alignment alignment = AlignmentOf(format.code1);
    double x = inner.left();
    if (alignment & Qt::AlignHCenter) x += (inner.width() - total(w)) / 2;
    if (alignment & Qt::AlignRight) x += inner.width() - total(w);
    double top = inner.top();
    if (alignment & Qt::AlignVCenter) top += (inner.height() - metrics.height()) / 2;
    if (alignment & Qt::AlignBottom) top += inner.height() - metrics.height();
    const double baseline = top + metrics.ascent();
    // The rule lies a little below the words' baseline, where handwriting sits; it stops short
    // of both ends so the spaces read apart from the words around them.
    const double ruleY = baseline + std::min(metrics.descent() * 0.5, 0.15 * size);
    const double inset = 0.15 * size;

    painter.setFont(font);
    for (size_t i = 0; i < runs.size(); ++i) {
        if (runs[i].blanks > 0) {
            painter.setPen(LinePen(painter, kWritingRuleMm, false, Qt::black));
            painter.drawLine(QPointF(x + inset, ruleY), QPointF(x + w[i] - inset, ruleY));
        } else {
            painter.setPen(Qt::black);
            painter.drawText(QPointF(x, baseline), QString::fromStdString(runs[i].text));
        }
        x += w[i];
    }
}

void GridRenderer::PaintCutLine(QPainter& painter, const QRectF& column, double scale) const {
    const double top = column.top();
    const double x = column.center().x();
    painter.setPen(LinePen(painter, kThinLineMm, true, kCutLineColour));
    painter.drawLine(QPointF(x, top), QPointF(x, column.bottom()));
    const double size = std::min(column.width() * 0.9, 120.0 * scale);
    PaintScissors(painter, QPointF(x, top + size), size);
}
