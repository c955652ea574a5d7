// Placeholder until the test patterns land.
#include "vistrel.h"

void Vistrel::fullbrightness() {}
void Vistrel::Chessboard() {}
