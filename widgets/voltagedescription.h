// Read-only help window that explains each drive voltage: its function on
// the panel, its range and the value recommended for a first setting.
#ifndef VISTREL_WIDGETS_VOLTAGEDESCRIPTION_H
#define VISTREL_WIDGETS_VOLTAGEDESCRIPTION_H

#include <QDialog>

namespace Ui {
class VoltageDescription;
}

class VoltageDescription : public QDialog
{
    Q_OBJECT

public:
    explicit VoltageDescription(QWidget *parent = nullptr);
    ~VoltageDescription() override;

    VoltageDescription(const VoltageDescription &) = delete;
    VoltageDescription &operator=(const VoltageDescription &) = delete;

private:
    Ui::VoltageDescription *ui;
};

#endif
