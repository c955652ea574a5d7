// Placeholder until the video worker lands.
#include "videothread.h"

VideoThread::VideoThread(QString, int fps) : fps(fps) {}
VideoThread::~VideoThread() { wait(); }
void VideoThread::stop() { playing = false; }
void VideoThread::run() {}
