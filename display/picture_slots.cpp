// Placeholder until the still picture lands.
#include "vistrel.h"

void Vistrel::on_FindJPG_click() {}
