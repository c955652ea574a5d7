#include "voltagedescription.h"
#include "ui_voltagedescription.h"

VoltageDescription::VoltageDescription(QWidget *parent)
    : QDialog(parent), ui(new Ui::VoltageDescription)
{
    ui->setupUi(this);
}

VoltageDescription::~VoltageDescription()
{
    delete ui;
}
