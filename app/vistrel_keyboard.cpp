// Keyboard and assistive technology: shortcuts for the main actions (shown in
// the tooltips), a tab order that follows the form from top to bottom, and a
// name and description for every control.
#include "vistrel.h"

#include <QShortcut>

namespace {

struct Control {
    QWidget *widget;
    const char *name;
    const char *description;
};

} // namespace

void Vistrel::installKeyboard()
{
    struct Binding {
        QKeySequence keys;
        QPushButton *button;
        const char *tip;
    };
    const Binding bindings[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_L), ui.openButton, "Open or close the link to the selected bridge"},
        {QKeySequence(Qt::CTRL | Qt::Key_S), ui.sendButton, "Send the drive voltages to the panel"},
        {QKeySequence(Qt::CTRL | Qt::Key_D), ui.advancedButton, "Show or hide Vbias and the gamma curve"},
        {QKeySequence(Qt::Key_F5), ui.startButton, "Show the chosen picture or video on the panel, or take it down"},
        {QKeySequence(Qt::CTRL | Qt::Key_P), ui.pushButton_OpenFile_jpg, "Choose a JPEG picture"},
        {QKeySequence(Qt::CTRL | Qt::Key_M), ui.pushButton_OpenFile_mp4, "Choose an MP4 video"},
        {QKeySequence(Qt::CTRL | Qt::Key_1), ui.pushButton_brightness, "Light every pixel, or switch it off"},
        {QKeySequence(Qt::CTRL | Qt::Key_2), ui.pushButton_chessboard, "Show the checkerboard, or switch it off"},
        {QKeySequence(Qt::CTRL | Qt::Key_3), ui.patternShowButton, "Light the chosen pattern with its values"},
        {QKeySequence(Qt::CTRL | Qt::Key_4), ui.patternOffButton, "Take the lit pattern down"},
    };
    for (const Binding &binding : bindings) {
        // click() does nothing on a locked button, so a shortcut obeys the same locks.
        QPushButton *button = binding.button;
        connect(new QShortcut(binding.keys, this), &QShortcut::activated, button, [button] { button->click(); });
        button->setToolTip(tr("%1 (%2)").arg(tr(binding.tip), binding.keys.toString(QKeySequence::NativeText)));
    }
    const QKeySequence quit(Qt::CTRL | Qt::Key_Q);
    connect(new QShortcut(quit, this), &QShortcut::activated, this, &Vistrel::handleCloseButtonClick);
    ui.pushButton_close->setToolTip(tr("Quit (%1)").arg(quit.toString(QKeySequence::NativeText)));

    QWidget *const order[] = {
        ui.devicecomboBox, ui.openButton, ui.lineEdit_vdd, ui.lineEdit_grvh, ui.lineEdit_vss, ui.lineEdit_grvl,
        ui.lineEdit_von, ui.lineEdit_fps, ui.lineEdit_voff, ui.lineEdit_vbais, ui.radioButton_gamma,
        ui.lineEdit_gamma, ui.advancedButton, ui.sendButton, ui.pushButton_voltagedescription, ui.pushButton_brightness,
        ui.pushButton_chessboard, ui.patternComboBox, ui.patternValue1, ui.patternValue2, ui.patternValue3,
        ui.patternShowButton, ui.patternOffButton, ui.pushButton_OpenFile_jpg, ui.loopcheckBox, ui.pushButton_OpenFile_mp4,
        ui.startButton,
    };
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void Vistrel::describeControls()
{
    const Control controls[] = {
        {ui.pushButton_minimize, "Minimise", "Minimises the console window"},
        {ui.pushButton_maxsize, "Maximise or restore", "Maximises the console window, or restores its size"},
        {ui.pushButton_close, "Quit", "Asks whether to quit the console"},
        {ui.devicecomboBox, "Bridge", "Serial number of the USB bridge to open; the list follows plugging"},
        {ui.openButton, "Open or close link", "Opens the selected bridge, or closes the open one"},
        {ui.pushButton_voltagedescription, "Voltage help", "Explains each drive voltage"},
        {ui.pushButton_4, "Help", "Help"},
        {ui.lineEdit_vdd, "Vdd in volts", "Bias on the panel's PD, from -10 to 10 V"},
        {ui.lineEdit_vss, "Vss in volts", "Bias on the PD's common electrode, from -10 to 10 V"},
        {ui.lineEdit_von, "Von in volts", "Select voltage of the scan, from -20 to 20 V"},
        {ui.lineEdit_voff, "Voff in volts", "Non-select voltage of the scan, from -20 to 20 V"},
        {ui.lineEdit_grvh, "Vh in volts", "Data voltage for gray level 255, from -10 to 10 V"},
        {ui.lineEdit_grvl, "Vl in volts", "Data voltage for gray level 0, from -10 to 10 V"},
        {ui.lineEdit_vbais, "Vbias in volts", "Further bias, from -10 to 10 V"},
        {ui.lineEdit_fps, "Frames per second", "Video playback rate, from 1 to 60 frames per second"},
        {ui.radioButton_gamma, "Gamma curve", "Shapes the gray-level tables with a gamma curve"},
        {ui.lineEdit_gamma, "Gamma exponent", "Exponent of the gray-level curve, 2.2 by default"},
        {ui.sendButton, "Set", "Sends the drive voltages to the panel"},
        {ui.advancedButton, "Advanced drive settings", "Shows or hides the Vbias field and the gamma curve"},
        {ui.pushButton_brightness, "All on", "Lights every pixel of the panel, or switches it off"},
        {ui.pushButton_chessboard, "Checkerboard", "Shows a 10 by 10 checkerboard, or switches it off"},
        {ui.patternComboBox, "Pattern", "The test pattern that Show lights"},
        {ui.patternShowButton, "Show pattern", "Lights the chosen pattern with its values; over a lit pattern, replaces it"},
        {ui.patternOffButton, "Pattern off", "Takes the lit pattern down"},
        {ui.pushButton_OpenFile_jpg, "Open picture", "Chooses a JPEG picture to show"},
        {ui.pushButton_OpenFile_mp4, "Open video", "Chooses an MP4 video to play"},
        {ui.startButton, "Start or stop", "Shows the chosen picture or video on the panel, or takes it down"},
        {ui.loopcheckBox, "Loop play", "Restarts the video at its end"},
        {ui.videoShowlabel, "Preview", "Gray preview of the picture or video"},
    };
    for (const Control &control : controls) {
        control.widget->setAccessibleName(tr(control.name));
        control.widget->setAccessibleDescription(tr(control.description));
    }
}
