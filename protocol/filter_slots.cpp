// Placeholder until the input filters and gamma controls land.
#include "vistrel.h"

void Vistrel::changeGamma() {}
void Vistrel::hideGamma(bool) {}
void Vistrel::onlyNumbyslider(const QString &) {}
void Vistrel::onlyNum(const QString &) {}
