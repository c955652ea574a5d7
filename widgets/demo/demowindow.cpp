#include "demowindow.h"
#include "voltagedescription.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString optionsName(DoubleSlider::Options options)
{
    if (options == (DoubleSlider::LowerHandle | DoubleSlider::UpperHandle))
        return QStringLiteral("both handles");
    if (options.testFlag(DoubleSlider::LowerHandle))
        return QStringLiteral("lower handle");
    if (options.testFlag(DoubleSlider::UpperHandle))
        return QStringLiteral("upper handle");
    return QStringLiteral("no handle");
}

QString valuesText(const DoubleSlider *slider)
{
    return QStringLiteral("%1 .. %2 of [%3, %4]")
        .arg(slider->GetLowerValue())
        .arg(slider->GetUpperValue())
        .arg(slider->GetMinimun())
        .arg(slider->GetMaximun());
}

const DoubleSlider::Options kAllOptions[] = {
    DoubleSlider::Options(),
    DoubleSlider::LowerHandle,
    DoubleSlider::UpperHandle,
    DoubleSlider::LowerHandle | DoubleSlider::UpperHandle,
};

} // namespace

DemoWindow::DemoWindow(QWidget *parent)
    : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Widgets demo"));
    auto *layout = new QVBoxLayout(this);

    auto *horizontal = new QGridLayout;
    auto *vertical = new QGridLayout;
    int column = 0;
    for (DoubleSlider::Options options : kAllOptions) {
        addSlider(horizontal, column, Qt::Horizontal, options);
        addSlider(vertical, column, Qt::Vertical, options);
        ++column;
    }
    layout->addLayout(horizontal);
    layout->addLayout(vertical, 1);

    auto *disable = new QCheckBox(QStringLiteral("Disable sliders"));
    connect(disable, &QCheckBox::toggled, this,
            [this](bool checked) { setSlidersEnabled(!checked); });
    auto *help = new QPushButton(QStringLiteral("Voltage description..."));
    connect(help, &QPushButton::clicked, this, &DemoWindow::openVoltageDescription);
    layout->addWidget(disable);
    layout->addWidget(help);
}

void DemoWindow::addSlider(QGridLayout *grid, int column, Qt::Orientation orientation,
                           DoubleSlider::Options options)
{
    auto *slider = new DoubleSlider(orientation, options);
    slider->setFixedSize(orientation == Qt::Horizontal ? QSize(220, 24) : QSize(24, 220));
    auto *title = new QLabel(optionsName(options));
    auto *values = new QLabel(valuesText(slider));
    const auto refresh = [values, slider] { values->setText(valuesText(slider)); };
    connect(slider, &DoubleSlider::lowerValueChanged, values, refresh);
    connect(slider, &DoubleSlider::upperValueChanged, values, refresh);
    connect(slider, &DoubleSlider::rangeChanged, values, refresh);

    grid->addWidget(title, 0, column);
    grid->addWidget(slider, 1, column, Qt::AlignHCenter);
    grid->addWidget(values, 2, column);
    m_sliders.append(slider);
}

void DemoWindow::setSlidersEnabled(bool enabled)
{
    for (DoubleSlider *slider : qAsConst(m_sliders))
        slider->setEnabled(enabled);
}

void DemoWindow::openVoltageDescription()
{
    VoltageDescription dialog(this);
    dialog.exec();
}
