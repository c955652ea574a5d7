// Placeholder until discovery and open/close land.
#include "vistrel.h"

void Vistrel::handleDeviceAdded(QString) {}
void Vistrel::checkDevices() {}
void Vistrel::on_Open_CLose_click() {}
