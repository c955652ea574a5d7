// Still picture: choosing a JPEG (preview only), showing it on the panel and
// taking it down. Start/Stop dispatch lives with the playback slots.
#include "vistrel.h"

#include "display_frame.h"
#include "display_notice.h"
#include "frame_conversion.h"

#include <QDebug>
#include <QFileDialog>
#include <QPixmap>
#include <opencv2/imgcodecs.hpp>

Vistrel::OpenFileDialog Vistrel::openFileDialog =
    [](QWidget *parent, const QString &caption, const QString &dir, const QString &filter) {
        return QFileDialog::getOpenFileName(parent, caption, dir, filter);
    };

namespace {

// The picture in colour, or an empty image when OpenCV cannot decode it.
cv::Mat readPicture(const QString &path)
{
    try {
        return cv::imread(path.toLocal8Bit().toStdString(), cv::IMREAD_COLOR);
    } catch (const cv::Exception &) {
        return {};
    }
}

} // namespace

QString Vistrel::chooseFile(const QString &caption, const QString &filter)
{
    return openFileDialog(this, caption, QString(), filter);
}

void Vistrel::on_FindJPG_click()
{
    const QString path = chooseFile(tr("Open Picture File"), tr("JPG Files (*.jpg)"));
    if (path.isEmpty())
        return;
    const cv::Mat picture = readPicture(path);
    if (picture.empty()) {
        // Keep the medium chosen before; the panel is not touched.
        vistrel::display::showNotice(tr("picture not readable"));
        return;
    }
    stopPlayback();
    mediaPath = path;
    stillImageMode = true;
    stillImage = picture;
    const QImage preview = vistrel::display::grayPreview(stillImage, previewSize);
    ui.videoShowlabel->setPixmap(QPixmap::fromImage(preview));
    ui.videoShowlabel->setScaledContents(true);
    ui.videoShowlabel->resize(preview.size());
    ui.videoShowlabel->show();
}

void Vistrel::showPicture()
{
    writeControlWord(vistrel::protocol::DisplayStartWord);
    const cv::Size panelSize(previewSize.width / 2, previewSize.height / 2);
    vistrel::protocol::Bytes frame =
        vistrel::display::panelFrame(stillImage, panelSize, vistrel::protocol::kFrameModeStill);
    ui.startButton->setText(tr("Stop"));
    setButtonsEnabled({ui.sendButton, ui.pushButton_brightness, ui.pushButton_chessboard}, false);
    FT_DWORD written = 0;
    writeFrame(frame, &written);
    if (ftStatus == FT_OK)
        qDebug() << " Send OK";
}

void Vistrel::hidePicture()
{
    writeControlWord(vistrel::protocol::DisplayStopWord);
    ui.startButton->setText(tr("Start"));
    setButtonsEnabled({ui.pushButton_brightness, ui.pushButton_chessboard, ui.sendButton}, true);
}
