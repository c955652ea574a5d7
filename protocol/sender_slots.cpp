// Placeholder until Set and the frame-rate handling land.
#include "vistrel.h"

std::vector<double> Vistrel::VolFormula(const std::vector<double> &) const { return {}; }
unsigned char *Vistrel::double2uchar(const std::vector<double> &) { return nullptr; }
unsigned char *Vistrel::int2str(int, unsigned char *bytes) const { return bytes; }
int Vistrel::sum_16(QString) const { return 0; }
void Vistrel::sendValue2Device() {}
void Vistrel::onFPSTextChanged(const QString &) {}
void Vistrel::sendScan2Device() {}
void Vistrel::sendDACSetting() {}
