// Placeholder until video playback lands.
#include "vistrel.h"

void Vistrel::on_FindVideo_click() {}
void Vistrel::on_StartVideo_click() {}
void Vistrel::onLoopCheckChanged(int) {}
void Vistrel::handleFrame(QImage) {}
void Vistrel::changeVideoState(bool) {}
void Vistrel::stopPlayback() {}
