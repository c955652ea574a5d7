// Every DoubleSlider variant (both orientations, every handle combination)
// with its values shown live, a switch to disable them all, and a button
// that opens the voltage help dialog.
#ifndef VISTREL_WIDGETS_DEMO_DEMOWINDOW_H
#define VISTREL_WIDGETS_DEMO_DEMOWINDOW_H

#include "doubleslider.h"

#include <QList>
#include <QWidget>

class QGridLayout;

class DemoWindow : public QWidget
{
    Q_OBJECT

public:
    explicit DemoWindow(QWidget *parent = nullptr);

private:
    void addSlider(QGridLayout *grid, int column, Qt::Orientation orientation,
                   DoubleSlider::Options options);
    void setSlidersEnabled(bool enabled);
    void openVoltageDescription();

    QList<DoubleSlider *> m_sliders;
};

#endif
