// The slots that act: each reads the widgets it needs, asks the session, and
// leaves showing the outcome to the view.
#include "vistrel.h"

#include <QFileDialog>
#include <QMessageBox>

using vistrel::session::LinkState;
using vistrel::session::PanelSession;
using vistrel::session::Pattern;

Vistrel::OpenFileDialog Vistrel::openFileDialog =
    [](QWidget *parent, const QString &caption, const QString &dir, const QString &filter) {
        return QFileDialog::getOpenFileName(parent, caption, dir, filter);
    };

QString Vistrel::chooseFile(const QString &caption, const QString &filter)
{
    return openFileDialog(this, caption, QString(), filter);
}

void Vistrel::on_Open_CLose_click()
{
    const LinkState state = m_session->linkState();
    if (state != LinkState::Closed)
        m_session->close();  // while a lost bridge is awaited, this ends the wait
    // Opening what is selected is asked for only by a press on an idle link, or
    // on a waiting one while another bridge is listed.
    const QString serial = ui.devicecomboBox->currentText();
    if (state == LinkState::Closed || (state == LinkState::Lost && !serial.isEmpty()))
        m_session->open(serial);
}

void Vistrel::sendValue2Device()
{
    const PanelSession::SendResult result = m_session->sendDriveSettings(fieldTexts(), gammaText());
    if (result == PanelSession::SendResult::FieldsEmpty) {
        loadSettings();  // unsent edits give way to the last stored texts
        return;
    }
    if (result != PanelSession::SendResult::Sent)
        return;
    saveSettings();
    QMessageBox box(QMessageBox::NoIcon, tr("Attention"), tr("Settings success!"), QMessageBox::Ok);
    box.exec();
}

// fps follows the field but never leaves 1..60: whole numbers outside the
// range are corrected to the nearer bound, in the field too. Text that is no
// whole number yet (empty, a lone minus, a fraction) is left to the user and
// the last good rate stays in use.
void Vistrel::onFPSTextChanged(const QString &text)
{
    const auto rate = vistrel::session::frameRateFromText(text);
    if (!rate)
        return;
    if (rate->corrected)
        ui.lineEdit_fps->setText(*rate->corrected);  // runs this handler again, same rate
    m_session->setFps(rate->fps);
}

void Vistrel::changeGamma()
{
    ui.lineEdit_gamma->setVisible(ui.radioButton_gamma->isChecked());
}

void Vistrel::fullbrightness()
{
    m_session->togglePattern(Pattern::AllOn);
}

void Vistrel::Chessboard()
{
    m_session->togglePattern(Pattern::Checker);
}

void Vistrel::on_FindJPG_click()
{
    const QString path = chooseFile(tr("Open Picture File"), tr("JPG Files (*.jpg)"));
    if (!path.isEmpty())
        m_session->choosePicture(path);
}

void Vistrel::on_FindVideo_click()
{
    const QString path = chooseFile(tr("Open Video File"), tr("MP4 Files (*.mp4)"));
    if (!path.isEmpty())
        m_session->chooseVideo(path);
}

void Vistrel::on_StartVideo_click()
{
    if (m_session->mediaPath().isEmpty()) {
        m_session->toggleStart(false);  // says "No File"
        return;
    }
    if (!ui.startButton->isEnabled())
        return;
    m_session->toggleStart(ui.loopcheckBox->isChecked());
    lockStartButton();
}

void Vistrel::onLoopCheckChanged(int state)
{
    if (state == Qt::Checked || state == Qt::Unchecked)
        m_session->setLooping(state == Qt::Checked);
}

vistrel::session::FieldTexts Vistrel::fieldTexts() const
{
    vistrel::session::FieldTexts texts;
    texts.vdd = ui.lineEdit_vdd->text();
    texts.vss = ui.lineEdit_vss->text();
    texts.von = ui.lineEdit_von->text();
    texts.voff = ui.lineEdit_voff->text();
    texts.vh = ui.lineEdit_grvh->text();
    texts.vl = ui.lineEdit_grvl->text();
    texts.vbias = ui.lineEdit_vbais->text();
    texts.fps = ui.lineEdit_fps->text();
    return texts;
}

std::optional<QString> Vistrel::gammaText() const
{
    if (!ui.radioButton_gamma->isChecked())
        return std::nullopt;
    return ui.lineEdit_gamma->text();
}
