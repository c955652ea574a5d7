// The three gray-level tables of the last drive settings: data voltage
// against gray level, so a gamma curve stands out from the straight line.
#ifndef VISTREL_APP_VIRTUAL_PANEL_GRAY_TABLE_PLOT_H
#define VISTREL_APP_VIRTUAL_PANEL_GRAY_TABLE_PLOT_H

#include <QWidget>

#include <array>
#include <cstdint>
#include <optional>

namespace vistrel::virt {

class GrayTablePlot : public QWidget
{
    Q_OBJECT

public:
    using Tables = std::array<std::array<std::uint16_t, 256>, 3>;

    explicit GrayTablePlot(QWidget *parent = nullptr);

    // Nothing (no settings received) shows empty axes.
    void setTables(const std::optional<Tables> &tables);
    const std::optional<Tables> &tables() const { return m_tables; }

    static QColor tableColor(int table);
    // The volts range of the axis: whole volts around the tables' values.
    std::pair<double, double> voltsRange() const;
    // Where gray level `level` at `volts` lands on the widget.
    QPointF pointFor(int level, double volts) const;
    QRectF plotArea() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void paintAxes(QPainter &painter) const;
    void paintTables(QPainter &painter) const;
    void paintLegend(QPainter &painter) const;

    std::optional<Tables> m_tables;
};

} // namespace vistrel::virt

#endif
