// The main window's own part: construction and teardown, the title-bar
// buttons and the voltage help.
#include "vistrel.h"

#include "preview_pane.h"
#include "vistrel_version.h"
#include "voltagedescription.h"

#include <QButtonGroup>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QTimer>

namespace {

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
    ui.label_13->setText(QStringLiteral("Vistrel   v%1").arg(QLatin1String(VISTREL_VERSION)));
    ui.devicecomboBox->setEnabled(true);
    connectWidgets();
    installValidators();
    ui.widget_39->hide();  // Vbias is stored and sent, but not offered
    ui.widget_4->hide();   // gamma stays at its default unless the row is shown
    ui.lineEdit_gamma->hide();
    keepOnOnceChecked(ui.radioButton_gamma);
    installKeyboard();
    describeControls();

    m_startLock.setSingleShot(true);
    m_startLock.setInterval(1000);
    connect(&m_startLock, &QTimer::timeout, this, &Vistrel::render);

    m_session = new vistrel::session::PanelSession(this);
    m_preview = new PreviewPane(ui.videoShowlabel, *m_session, this);
    connectSession();
    m_session->pollTimer()->start(1000);
    loadSettings();
    m_session->listDevicesAtStart();
}

Vistrel::~Vistrel()
{
    // The session outlives this body: it must no longer reach the widgets.
    m_session->disconnect(this);
    // Quitting takes down what is shown and closes the link, as CLOSE does.
    m_session->shutdown();
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

void Vistrel::installValidators()
{
    using vistrel::session::FieldRule;
    using vistrel::session::fieldPattern;
    auto *tenVolts = new QRegularExpressionValidator(QRegularExpression(fieldPattern(FieldRule::TenVolts)), this);
    for (QLineEdit *field : {ui.lineEdit_vdd, ui.lineEdit_vss, ui.lineEdit_vbais, ui.lineEdit_grvh, ui.lineEdit_grvl})
        field->setValidator(tenVolts);
    auto *twentyVolts = new QRegularExpressionValidator(QRegularExpression(fieldPattern(FieldRule::TwentyVolts)), this);
    for (QLineEdit *field : {ui.lineEdit_von, ui.lineEdit_voff})
        field->setValidator(twentyVolts);
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
