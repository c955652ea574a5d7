// The two test patterns, All ON and Checker: each button lights its pattern
// and locks the other writers out, a second press takes it down.
#include "vistrel.h"

#include "display_frame.h"
#include "display_notice.h"

void Vistrel::fullbrightness()
{
    togglePattern(allOnActive, ui.pushButton_brightness, tr("All ON"), tr("All OFF"),
                  {ui.sendButton, ui.pushButton_chessboard, ui.pushButton_OpenFile_jpg,
                   ui.pushButton_OpenFile_mp4, ui.startButton},
                  vistrel::protocol::buildAllOnFrame);
}

void Vistrel::Chessboard()
{
    togglePattern(checkerActive, ui.pushButton_chessboard, tr("Checker ON"), tr("Checker OFF"),
                  {ui.sendButton, ui.pushButton_brightness, ui.pushButton_OpenFile_jpg,
                   ui.pushButton_OpenFile_mp4, ui.startButton},
                  vistrel::protocol::buildCheckerFrame);
}

// onText labels the button while the pattern is off (pressing switches it on).
void Vistrel::togglePattern(bool &active, QPushButton *button, const QString &onText,
                            const QString &offText, std::initializer_list<QPushButton *> others,
                            vistrel::protocol::Bytes (*buildFrame)())
{
    if (!deviceOpen) {
        vistrel::display::showNotice(tr("device not connected"));
        return;
    }
    if (!active) {
        writeControlWord(vistrel::protocol::DisplayStartWord);
        vistrel::protocol::Bytes frame = buildFrame();
        writeFrame(frame, &bytesWritten);
        button->setText(offText);
        setButtonsEnabled(others, false);
    } else {
        writeControlWord(vistrel::protocol::DisplayStopWord);
        button->setText(onText);
        setButtonsEnabled(others, true);
    }
    active = !active;
}

void Vistrel::writeFrame(vistrel::protocol::Bytes &frame, FT_DWORD *written)
{
    ftStatus = FT_Write(ftHandle, frame.data(), static_cast<FT_DWORD>(frame.size()), written);
}
