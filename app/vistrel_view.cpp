// The session's state on screen: button texts and locks follow what the link
// and the panel are doing, notices become message boxes, previews appear in
// the preview label.
#include "vistrel.h"

#include "preview_pane.h"

#include <QLoggingCategory>
#include <QMessageBox>

using vistrel::session::Content;
using vistrel::session::LinkState;
using vistrel::session::Notice;

namespace {

Q_LOGGING_CATEGORY(lcView, "vistrel.app", QtWarningMsg)

bool patternLit(Content content)
{
    return content == Content::AllOn || content == Content::Checker || content == Content::Pattern;
}

} // namespace

void Vistrel::connectSession()
{
    using vistrel::session::PanelSession;
    connect(m_session, &PanelSession::deviceAdded, this, &Vistrel::handleDeviceAdded);
    connect(m_session, &PanelSession::deviceRemoved, this, &Vistrel::removeDevice);
    connect(m_session, &PanelSession::linkStateChanged, this, &Vistrel::render);
    connect(m_session, &PanelSession::contentChanged, this, &Vistrel::render);
    connect(m_session, &PanelSession::notice, this, &Vistrel::showNotice);
    connect(m_session, &PanelSession::picturePreview, this, &Vistrel::showPreview);
    connect(m_session, &PanelSession::videoFrame, this, &Vistrel::showPreview);
    // The session has taken the video down already; only the view follows.
    connect(m_session, &PanelSession::playbackEnded, this, &Vistrel::render);
}

void Vistrel::handleDeviceAdded(QString name)
{
    qCDebug(lcView) << "Adding item to ComboBox: " << name;
    ui.devicecomboBox->addItem(name);
    ui.devicecomboBox->repaint();
}

void Vistrel::removeDevice(int index)
{
    ui.devicecomboBox->removeItem(index);
}

void Vistrel::render()
{
    const Content content = m_session->content();
    ui.openButton->setText(m_session->linkState() == LinkState::Open ? tr("CLOSE") : tr("OPEN"));
    ui.pushButton_brightness->setText(content == Content::AllOn ? tr("All OFF") : tr("All ON"));
    ui.pushButton_chessboard->setText(content == Content::Checker ? tr("Checker OFF") : tr("Checker ON"));
    const bool showing = content == Content::Picture || content == Content::Video;
    ui.startButton->setText(showing ? tr("Stop") : tr("Start"));

    // Whatever is shown locks every other writer; a lit pattern also locks
    // choosing and starting media.
    const bool idle = content == Content::Idle;
    setLocked(ui.sendButton, !idle);
    setLocked(ui.pushButton_brightness, !idle && content != Content::AllOn);
    setLocked(ui.pushButton_chessboard, !idle && content != Content::Checker);
    setLocked(ui.pushButton_OpenFile_jpg, patternLit(content));
    setLocked(ui.pushButton_OpenFile_mp4, patternLit(content));
    setLocked(ui.startButton, patternLit(content));
    ui.startButton->setEnabled(!patternLit(content) && !m_startLock.isActive());
}

// Styles change only with the lock, so a button keeps its form style until
// it is first locked.
void Vistrel::setLocked(QPushButton *button, bool locked)
{
    if (m_locked.contains(button) == locked)
        return;
    if (locked)
        m_locked.insert(button);
    else
        m_locked.remove(button);
    button->setEnabled(!locked);
    button->setStyleSheet(locked ? disabledButtonStyle : enabledButtonStyle);
}

void Vistrel::lockStartButton()
{
    m_startLock.start();
    ui.startButton->setEnabled(false);
}

void Vistrel::showNotice(const Notice &notice)
{
    if (notice.kind == Notice::Busy) {
        QMessageBox box(QMessageBox::NoIcon, tr("Attention"), notice.text, QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        box.exec();
        return;
    }
    QMessageBox box;
    box.setText(notice.text);
    box.exec();
}

void Vistrel::showPreview(const QImage &preview)
{
    m_preview->showImage(preview);
}
