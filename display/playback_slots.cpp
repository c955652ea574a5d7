// Start/Stop for pictures and videos, Loop Play, the video preview and the
// end of a video. A VideoThread is created for each Start, never reused.
#include "vistrel.h"

#include "display_notice.h"
#include "videothread.h"

#include <QDebug>
#include <QPixmap>
#include <QTimer>

void Vistrel::on_FindVideo_click()
{
    const QString path = chooseFile(tr("Open Video File"), tr("MP4 Files (*.mp4)"));
    if (path.isEmpty())
        return;
    // A new file ends the one playing: "Start" must never show over a running worker.
    stopPlayback();
    mediaPath = path;
    stillImageMode = false;
}

void Vistrel::on_StartVideo_click()
{
    if (mediaPath.isEmpty()) {
        vistrel::display::showNotice(tr("No File"));
        return;
    }
    if (!ui.startButton->isEnabled())
        return;
    const bool idle = ui.startButton->text() == QLatin1String("Start");
    if (stillImageMode) {
        if (idle)
            showPicture();
        else
            hidePicture();
    } else if (idle) {
        startPlayback(ui.loopcheckBox->isChecked());
    } else {
        endPlayback();
    }
    lockStartButton();
}

// A second press within a second is ignored; the timer frees the button
// whatever disabled it meanwhile.
void Vistrel::lockStartButton()
{
    ui.startButton->setEnabled(false);
    QTimer::singleShot(1000, this, [this] { ui.startButton->setEnabled(true); });
}

void Vistrel::startPlayback(bool loop)
{
    writeControlWord(vistrel::protocol::DisplayStartWord);
    videoThread = new VideoThread(mediaPath, fps);
    videoThread->deviceHandle = ftHandle;
    videoThread->playing = true;
    if (loop)
        videoThread->loopPlay = true;
    // Connected before the start: a file without frames ends at once.
    connect(videoThread, &VideoThread::sendDebug, this, [](const QString &text) { qDebug() << text; });
    connect(videoThread, SIGNAL(frameReady(QImage)), this, SLOT(handleFrame(QImage)));
    connect(videoThread, SIGNAL(sendFrameStop(bool)), this, SLOT(changeVideoState(bool)));
    videoThread->start();
    ui.startButton->setText(tr("Stop"));
    setButtonsEnabled({ui.sendButton, ui.pushButton_brightness, ui.pushButton_chessboard}, false);
}

void Vistrel::endPlayback()
{
    if (videoThread) {
        VideoThread *worker = videoThread;
        worker->loopPlay = false;
        worker->stop();
        // Released here whether or not stop() found it still running (a
        // pending deleteLater dies with the object).
        delete worker;
    }
    ui.startButton->setText(tr("Start"));
    writeControlWord(vistrel::protocol::DisplayStopWord);
    setButtonsEnabled({ui.sendButton, ui.pushButton_brightness, ui.pushButton_chessboard}, true);
    videoThread = nullptr;
}

void Vistrel::stopPlayback()
{
    if (videoThread)
        endPlayback();
}

void Vistrel::onLoopCheckChanged(int state)
{
    if (mediaPath.isEmpty() || !videoThread || !videoThread->isRunning())
        return;
    if (state == Qt::Checked)
        videoThread->loopPlay = true;
    else if (state == Qt::Unchecked)
        videoThread->loopPlay = false;
}

void Vistrel::handleFrame(QImage frame)
{
    ui.videoShowlabel->setPixmap(QPixmap::fromImage(frame));
    ui.videoShowlabel->show();
}

void Vistrel::changeVideoState(bool playing)
{
    if (playing)
        return;
    // Stop, a new file or the link's close may have ended this playback
    // already; its end then arrives late and must not write a second stop word.
    QObject *from = sender();
    if (!videoThread || (from && from != videoThread))
        return;
    videoThread->stop();
    ui.startButton->setText(tr("Start"));
    setButtonsEnabled({ui.sendButton}, true);
    delete videoThread;
    videoThread = nullptr;
    if (!ui.loopcheckBox->isChecked())
        writeControlWord(vistrel::protocol::DisplayStopWord);
}
