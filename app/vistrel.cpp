// The main window's own part: construction and teardown, the title-bar
// buttons, the voltage help, and the two helpers every device writer shares.
#include "vistrel.h"

#include "videothread.h"
#include "voltagedescription.h"

#include <QButtonGroup>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QTimer>

#include <cstring>
#include <vector>

namespace {

// -10 to 10 as typed: optional minus, then "10" or one digit with an optional
// fraction. No plus sign and no leading point.
const char *const kTenVoltPattern = "^(-?(10|[0-9](\\.[0-9]*)?))$";
// -20 to 20 as typed: optional minus, then "20" or up to two digits (the first
// of two being 0 or 1) with an optional fraction.
const char *const kTwentyVoltPattern = "^-?(20|([0-1]?[0-9](\\.[0-9]*)?))$";

const char *const kMaximizeStyle =
    "QPushButton { border-image: url(:/Image/image_resource/Maximize-1.png);\nmargin:7px;}";
const char *const kRestoreStyle =
    "QPushButton { border-image: url(:/Image/image_resource/Maximize-3.png);\nmargin:7px;}";

QString buttonStyle(const char *background, const char *extraRules)
{
    return QStringLiteral("QPushButton {\n"
                          "background-color: %1;\n"
                          "border-width: 1px;\n"
                          "border-radius: 12px;\n"
                          "font: 13px;\n"
                          "color: #FFFFFFFF;\n"
                          "padding-top: 4px;\n"
                          "padding-bottom: 4px;\n"
                          "}\n%2")
        .arg(QLatin1String(background), QLatin1String(extraRules));
}

const char *const kEnabledButtonStates =
    "QPushButton:pressed {\n"
    "background-color: #8C6A26;\n"
    "border-color: #D3D3D3;\n"
    "color: #FFFFFFFF;\n"
    "}\n"
    "QPushButton:hover {\n"
    "background-color: #8C6A26;\n"
    "border-color: #D3D3D3;\n"
    "color: #FFFFFFFF;\n"
    "}\n";

QRegularExpressionValidator *makeValidator(const char *pattern, QObject *parent)
{
    return new QRegularExpressionValidator(QRegularExpression(QString::fromLatin1(pattern)), parent);
}

// A radio button with no sibling turns off again on a second click; alone in
// an exclusive group it stays on, so a gamma curve once chosen stays in use.
void keepOnOnceChecked(QAbstractButton *button)
{
    auto *group = new QButtonGroup(button);
    group->setExclusive(true);
    group->addButton(button);
}

} // namespace

Vistrel::Vistrel(QWidget *parent)
    : QMainWindow(parent)
    , disabledButtonStyle(buttonStyle("#999999", ""))
    , enabledButtonStyle(buttonStyle("#CC8C6A26", kEnabledButtonStates))
{
    ui.setupUi(this);
    ui.devicecomboBox->setEnabled(true);
    ui.videoShowlabel->setAlignment(Qt::AlignCenter);
    connectWidgets();

    auto *tenVolts = makeValidator(kTenVoltPattern, this);
    for (QLineEdit *field : {ui.lineEdit_vdd, ui.lineEdit_vss, ui.lineEdit_vbais, ui.lineEdit_grvh, ui.lineEdit_grvl})
        field->setValidator(tenVolts);
    ui.widget_39->hide();  // Vbias is stored and sent, but not offered
    auto *twentyVolts = makeValidator(kTwentyVoltPattern, this);
    for (QLineEdit *field : {ui.lineEdit_von, ui.lineEdit_voff})
        field->setValidator(twentyVolts);
    ui.widget_4->hide();  // gamma stays at its default unless the row is shown
    ui.lineEdit_gamma->hide();
    keepOnOnceChecked(ui.radioButton_gamma);

    pollTimer = new QTimer(this);
    connect(pollTimer, &QTimer::timeout, this, &Vistrel::checkDevices);
    pollTimer->start(1000);

    FT_DWORD deviceCount = 0;
    ftStatus = FT_CreateDeviceInfoList(&deviceCount);
    loadSettings();
    listDevicesAtStart(deviceCount);
}

Vistrel::~Vistrel()
{
    // The worker writes through our handle: it must be gone before we are.
    if (videoThread) {
        videoThread->stop();
        videoThread->quit();
        videoThread->wait();
        videoThread = nullptr;
    }
    saveSettings();
}

void Vistrel::connectWidgets()
{
    struct Wire {
        QObject *sender;
        const char *signal;
        const char *slot;
    };
    const Wire wires[] = {
        {ui.startButton, SIGNAL(clicked()), SLOT(on_StartVideo_click())},
        {ui.openButton, SIGNAL(clicked()), SLOT(on_Open_CLose_click())},
        {ui.sendButton, SIGNAL(clicked()), SLOT(sendValue2Device())},
        {ui.radioButton_gamma, SIGNAL(clicked()), SLOT(changeGamma())},
        {ui.loopcheckBox, SIGNAL(stateChanged(int)), SLOT(onLoopCheckChanged(int))},
        {ui.lineEdit_fps, SIGNAL(textChanged(const QString &)), SLOT(onFPSTextChanged(const QString &))},
        {ui.pushButton_maxsize, SIGNAL(clicked()), SLOT(handleMaxSizeButtonClick())},
        {ui.pushButton_minimize, SIGNAL(clicked()), SLOT(handleMiniSizeButtonClick())},
        {ui.pushButton_close, SIGNAL(clicked()), SLOT(handleCloseButtonClick())},
        {ui.pushButton_OpenFile_mp4, SIGNAL(clicked()), SLOT(on_FindVideo_click())},
        {ui.pushButton_OpenFile_jpg, SIGNAL(clicked()), SLOT(on_FindJPG_click())},
        {ui.pushButton_brightness, SIGNAL(clicked()), SLOT(fullbrightness())},
        {ui.pushButton_chessboard, SIGNAL(clicked()), SLOT(Chessboard())},
        {ui.pushButton_voltagedescription, SIGNAL(clicked()), SLOT(handle_VoltageD_button_click())},
    };
    for (const Wire &wire : wires)
        connect(wire.sender, wire.signal, this, wire.slot);
}

void Vistrel::listDevicesAtStart(FT_DWORD deviceCount)
{
    if (ftStatus != FT_OK || deviceCount == 0)
        return;
    std::vector<FT_DEVICE_LIST_INFO_NODE> records(deviceCount);
    ftStatus = FT_GetDeviceInfoList(records.data(), &deviceCount);
    if (ftStatus != FT_OK)
        return;
    // The driver may report fewer records than it was asked for; never more.
    records.resize(std::min<std::size_t>(records.size(), deviceCount));
    // Unlike the poll, the start lists blank serials too.
    for (const FT_DEVICE_LIST_INFO_NODE &record : records) {
        const auto length = static_cast<int>(qstrnlen(record.SerialNumber, sizeof record.SerialNumber));
        handleDeviceAdded(QString::fromUtf8(record.SerialNumber, length));
    }
}

void Vistrel::paintEvent(QPaintEvent *)
{
    // The form's style sheets paint everything; the window adds nothing.
}

void Vistrel::handleMiniSizeButtonClick()
{
    showMinimized();
}

void Vistrel::handleMaxSizeButtonClick()
{
    if (isMaximized()) {
        showNormal();
        ui.pushButton_maxsize->setStyleSheet(QString::fromLatin1(kMaximizeStyle));
    } else {
        showMaximized();
        ui.pushButton_maxsize->setStyleSheet(QString::fromLatin1(kRestoreStyle));
    }
}

void Vistrel::handleCloseButtonClick()
{
    const auto answer = QMessageBox::question(this, tr("Attention"), tr("Are you sure you want to exit?"),
                                              QMessageBox::Yes | QMessageBox::No);
    if (answer == QMessageBox::Yes)
        close();
}

void Vistrel::handle_VoltageD_button_click()
{
    // Parented to the window, so it lives on hidden until the window goes.
    auto *help = new VoltageDescription(this);
    help->exec();
}

void Vistrel::writeControlWord(const vistrel::protocol::ControlWord &word)
{
    vistrel::protocol::ControlWord packet = word;
    ftStatus = FT_Write(ftHandle, packet.data(), static_cast<FT_DWORD>(packet.size()), &bytesWritten);
}

void Vistrel::setButtonsEnabled(std::initializer_list<QPushButton *> buttons, bool enabled)
{
    for (QPushButton *button : buttons) {
        button->setEnabled(enabled);
        button->setStyleSheet(enabled ? enabledButtonStyle : disabledButtonStyle);
    }
}
