#include "gray_table_plot.h"

#include "panel_readout.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace vistrel::virt {

namespace {

constexpr int kLeftMargin = 44;
constexpr int kRightMargin = 12;
constexpr int kTopMargin = 10;
constexpr int kBottomMargin = 30;
constexpr int kLastLevel = 255;
const QColor kGrid(0xE3, 0xDC, 0xCC);
const QColor kAxis(0x89, 0x68, 0x27);
const QColor kAxisText(0x55, 0x55, 0x55);

// Grid spacing in volts that gives at most about six lines.
double gridStep(double span)
{
    for (double step : {0.5, 1.0, 2.0, 5.0}) {
        if (span / step <= 6.0)
            return step;
    }
    return 10.0;
}

} // namespace

GrayTablePlot::GrayTablePlot(QWidget *parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void GrayTablePlot::setTables(const std::optional<Tables> &tables)
{
    m_tables = tables;
    update();
}

QColor GrayTablePlot::tableColor(int table)
{
    switch (table) {
    case 0: return QColor(0x89, 0x68, 0x27);  // the console's gold
    case 1: return QColor(0x2F, 0x6E, 0xA8);
    default: return QColor(0x4E, 0x9A, 0x3A);
    }
}

std::pair<double, double> GrayTablePlot::voltsRange() const
{
    if (!m_tables)
        return {-10.0, 10.0};
    double low = 10.0;
    double high = -10.0;
    for (const auto &table : *m_tables) {
        for (std::uint16_t code : table) {
            low = std::min(low, protocol::narrowScaleVolts(code));
            high = std::max(high, protocol::narrowScaleVolts(code));
        }
    }
    low = std::floor(low);
    high = std::ceil(high);
    if (high - low < 1.0) {
        low -= 0.5;
        high += 0.5;
    }
    return {low, high};
}

QRectF GrayTablePlot::plotArea() const
{
    return QRectF(kLeftMargin, kTopMargin, std::max(1, width() - kLeftMargin - kRightMargin),
                  std::max(1, height() - kTopMargin - kBottomMargin));
}

QPointF GrayTablePlot::pointFor(int level, double volts) const
{
    const QRectF area = plotArea();
    const auto range = voltsRange();
    const double x = area.left() + area.width() * level / kLastLevel;
    const double y = area.bottom() - area.height() * (volts - range.first) / (range.second - range.first);
    return QPointF(x, y);
}

QSize GrayTablePlot::sizeHint() const { return QSize(540, 170); }

QSize GrayTablePlot::minimumSizeHint() const { return QSize(240, 110); }

void GrayTablePlot::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    paintAxes(painter);
    if (!m_tables) {
        painter.setPen(kAxisText);
        painter.drawText(plotArea(), Qt::AlignCenter, tr("No drive settings received"));
        return;
    }
    paintTables(painter);
    paintLegend(painter);
}

void GrayTablePlot::paintAxes(QPainter &painter) const
{
    const QRectF area = plotArea();
    const auto range = voltsRange();
    const double step = gridStep(range.second - range.first);
    QFont small = font();
    small.setPixelSize(10);
    painter.setFont(small);
    const int firstLine = static_cast<int>(std::ceil(range.first / step - 1e-9));
    const int lastLine = static_cast<int>(std::floor(range.second / step + 1e-9));
    for (int line = firstLine; line <= lastLine; ++line) {
        const double volts = line * step;
        const double y = pointFor(0, volts).y();
        painter.setPen(kGrid);
        painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
        painter.setPen(kAxisText);
        painter.drawText(QRectF(0, y - 7, kLeftMargin - 6, 14), Qt::AlignRight | Qt::AlignVCenter,
                         QString::number(volts) + QStringLiteral(" V"));
    }
    for (int level : {0, 64, 128, 192, kLastLevel}) {
        const double x = pointFor(level, range.first).x();
        painter.setPen(kGrid);
        painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
        painter.setPen(kAxisText);
        painter.drawText(QRectF(x - 20, area.bottom() + 2, 40, 12), Qt::AlignCenter, QString::number(level));
    }
    painter.drawText(QRectF(area.left(), area.bottom() + 15, area.width(), 14), Qt::AlignLeft | Qt::AlignVCenter,
                     tr("gray level"));
    painter.setPen(QPen(kAxis, 1));
    painter.drawRect(area);
}

void GrayTablePlot::paintTables(QPainter &painter) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setClipRect(plotArea().adjusted(-2, -2, 2, 2));
    // Widest first: identical tables then show as one line with three bands.
    for (int table = 2; table >= 0; --table) {
        QPainterPath path;
        const auto &entries = (*m_tables)[static_cast<std::size_t>(table)];
        for (int level = 0; level <= kLastLevel; ++level) {
            const QPointF point = pointFor(level, protocol::narrowScaleVolts(entries[static_cast<std::size_t>(level)]));
            if (level == 0)
                path.moveTo(point);
            else
                path.lineTo(point);
        }
        painter.setPen(QPen(tableColor(table), 1.5 + 2.0 * table, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(path);
    }
    painter.restore();
}

void GrayTablePlot::paintLegend(QPainter &painter) const
{
    // One row under the axis, right-aligned, away from the curves.
    const QRectF area = plotArea();
    QFont small = font();
    small.setPixelSize(10);
    painter.setFont(small);
    constexpr double kEntryWidth = 64.0;
    for (int table = 0; table < 3; ++table) {
        const QPointF origin(area.right() - kEntryWidth * (3 - table), area.bottom() + 16);
        painter.fillRect(QRectF(origin + QPointF(0, 4), QSizeF(14, 4)), tableColor(table));
        painter.setPen(kAxisText);
        painter.drawText(QRectF(origin + QPointF(18, 0), QSizeF(kEntryWidth - 18, 12)),
                         Qt::AlignLeft | Qt::AlignVCenter, tr("Table %1").arg(table));
    }
}

} // namespace vistrel::virt
