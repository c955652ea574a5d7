// The window's own title bar (minimise, maximise/restore, close with a
// question), the voltage help button, and the two helpers the device
// writers share: the 4-byte control word and the button styles.
#include "message_box_recorder.h"
#include "test_environment.h"
#include "virtual_bridge.h"
#include "vistrel_inspector.h"

#include <QPushButton>
#include <QtTest>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using vistrel::virt::D2xxCall;
using vistrel::virt::Testbed;
namespace protocol = vistrel::protocol;

namespace {

const QString kMaximizeStyle =
    QStringLiteral("QPushButton { border-image: url(:/Image/image_resource/Maximize-1.png);\nmargin:7px;}");
const QString kRestoreStyle =
    QStringLiteral("QPushButton { border-image: url(:/Image/image_resource/Maximize-3.png);\nmargin:7px;}");

// Declarations (name, value) of the first rule of a style sheet, in order.
QList<QPair<QString, QString>> firstRule(const QString &sheet)
{
    const int open = sheet.indexOf(QLatin1Char('{'));
    const int close = sheet.indexOf(QLatin1Char('}'));
    QList<QPair<QString, QString>> declarations;
    for (const QString &declaration : sheet.mid(open + 1, close - open - 1).split(QLatin1Char(';'))) {
        const QString name = declaration.section(QLatin1Char(':'), 0, 0).trimmed();
        if (!name.isEmpty())
            declarations.append({name, declaration.section(QLatin1Char(':'), 1).trimmed()});
    }
    return declarations;
}

} // namespace

class TestAppTitlebar : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void maximiseButtonFollowsWindowState_data();
    void maximiseButtonFollowsWindowState();
    void minimiseButton();
    void exitQuestion_data();
    void exitQuestion();
    void exitQuestionIsModalOverTheWindow();
    void helpButtonOpensVoltageDescription();

    void buttonStyles_data();
    void buttonStyles();
    void setButtonsEnabledStylesEachButton();
    void controlWordReachesTheWire_data();
    void controlWordReachesTheWire();
    void failedControlWordKeepsItsStatus();

private:
    std::unique_ptr<Vistrel> window;
    Ui_Vistrel &ui() { return VistrelInspector::ui(*window); }
};

void TestAppTitlebar::init()
{
    testenv::clearSettingsStore();
    qunsetenv("VISTREL_VIRTUAL_DEVICES");
    Testbed::instance().reset();
    window = std::make_unique<Vistrel>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void TestAppTitlebar::cleanup()
{
    window.reset();
}

void TestAppTitlebar::maximiseButtonFollowsWindowState_data()
{
    QTest::addColumn<bool>("maximisedBefore");
    QTest::addColumn<bool>("maximisedAfter");
    QTest::addColumn<QString>("style");
    QTest::newRow("normal -> maximised") << false << true << kRestoreStyle;
    QTest::newRow("maximised elsewhere -> normal") << true << false << kMaximizeStyle;
}

void TestAppTitlebar::maximiseButtonFollowsWindowState()
{
    QFETCH(bool, maximisedBefore);
    QFETCH(bool, maximisedAfter);
    QFETCH(QString, style);
    // The state may have changed without the button (a double click on the
    // title): the click decides from the state it finds.
    if (maximisedBefore)
        window->showMaximized();
    QCOMPARE(window->isMaximized(), maximisedBefore);
    QTest::mouseClick(ui().pushButton_maxsize, Qt::LeftButton);
    QCOMPARE(window->isMaximized(), maximisedAfter);
    QCOMPARE(ui().pushButton_maxsize->styleSheet(), style);

    QTest::mouseClick(ui().pushButton_maxsize, Qt::LeftButton);
    QCOMPARE(window->isMaximized(), !maximisedAfter);
    QCOMPARE(ui().pushButton_maxsize->styleSheet(), maximisedAfter ? kMaximizeStyle : kRestoreStyle);
}

void TestAppTitlebar::minimiseButton()
{
    QVERIFY(!window->isMinimized());
    QTest::mouseClick(ui().pushButton_minimize, Qt::LeftButton);
    QVERIFY(window->isMinimized());
}

void TestAppTitlebar::exitQuestion_data()
{
    QTest::addColumn<int>("answer");  // a QMessageBox::StandardButton
    QTest::addColumn<bool>("stillOpen");
    QTest::newRow("yes closes") << int(QMessageBox::Yes) << false;
    QTest::newRow("no keeps") << int(QMessageBox::No) << true;
}

void TestAppTitlebar::exitQuestion()
{
    QFETCH(int, answer);
    QFETCH(bool, stillOpen);
    const FT_STATUS statusBefore = VistrelInspector::ftStatus(*window);
    MessageBoxRecorder recorder(static_cast<QMessageBox::StandardButton>(answer));
    QTest::mouseClick(ui().pushButton_close, Qt::LeftButton);
    QCOMPARE(recorder.boxes().size(), 1);
    QCOMPARE(recorder.boxes().first().title, QStringLiteral("Attention"));
    QCOMPARE(recorder.boxes().first().text, QStringLiteral("Are you sure you want to exit?"));
    QCOMPARE(window->isVisible(), stillOpen);
    QCOMPARE(VistrelInspector::ftStatus(*window), statusBefore);
    QVERIFY(Testbed::instance().captured("VPANEL01").empty());
}

void TestAppTitlebar::exitQuestionIsModalOverTheWindow()
{
    QWidget *parent = nullptr;
    QMessageBox::StandardButtons buttons;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        poll.stop();
        parent = box->parentWidget();
        buttons = box->standardButtons();
        icon = box->icon();
        box->button(QMessageBox::No)->click();
    });
    poll.start(10);
    QTest::mouseClick(ui().pushButton_close, Qt::LeftButton);
    QCOMPARE(parent, window.get());
    QCOMPARE(buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(icon, QMessageBox::Question);
    QVERIFY(window->isVisible());
}

void TestAppTitlebar::helpButtonOpensVoltageDescription()
{
    MessageBoxRecorder recorder;
    QTest::mouseClick(ui().pushButton_voltagedescription, Qt::LeftButton);
    QCOMPARE(recorder.otherDialogs(), QStringList{QStringLiteral("VoltageDescription")});
    QVERIFY(recorder.boxes().isEmpty());
    // Closed, it lives on as a hidden child of the window.
    const QList<QDialog *> dialogs = window->findChildren<QDialog *>(QStringLiteral("VoltageDescription"));
    QCOMPARE(dialogs.size(), 1);
    QVERIFY(!dialogs.first()->isVisible());
    QCOMPARE(dialogs.first()->parent(), window.get());
}

void TestAppTitlebar::buttonStyles_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("background");
    QTest::addColumn<int>("stateRules");  // rules after the first: pressed, hover
    QTest::newRow("enabled") << true << "#CC8C6A26" << 2;
    QTest::newRow("disabled") << false << "#999999" << 0;
}

void TestAppTitlebar::buttonStyles()
{
    QFETCH(bool, enabled);
    QFETCH(QString, background);
    QFETCH(int, stateRules);
    const QString sheet = enabled ? VistrelInspector::enabledButtonStyle(*window)
                                  : VistrelInspector::disabledButtonStyle(*window);
    QVERIFY(sheet.trimmed().startsWith(QLatin1String("QPushButton")));
    const QList<QPair<QString, QString>> expected{
        {"background-color", background}, {"border-width", "1px"}, {"border-radius", "12px"}, {"font", "13px"},
        {"color", "#FFFFFFFF"},           {"padding-top", "4px"},  {"padding-bottom", "4px"}};
    QCOMPARE(firstRule(sheet), expected);
    QCOMPARE(sheet.count(QLatin1Char('{')), 1 + stateRules);
    QCOMPARE(sheet.contains(QLatin1String("QPushButton:pressed")), stateRules > 0);
    QCOMPARE(sheet.contains(QLatin1String("QPushButton:hover")), stateRules > 0);
    QCOMPARE(sheet.count(QLatin1String("background-color: #8C6A26")), stateRules);
    QCOMPARE(sheet.count(QLatin1String("border-color: #D3D3D3")), stateRules);
}

void TestAppTitlebar::setButtonsEnabledStylesEachButton()
{
    QPushButton *first = ui().sendButton;
    QPushButton *second = ui().pushButton_brightness;
    QPushButton *bystander = ui().openButton;
    const QString bystanderStyle = bystander->styleSheet();

    VistrelInspector::setButtonsEnabled(*window, {first, second}, false);
    for (QPushButton *button : {first, second}) {
        QVERIFY(!button->isEnabled());
        QCOMPARE(button->styleSheet(), VistrelInspector::disabledButtonStyle(*window));
    }
    VistrelInspector::setButtonsEnabled(*window, {first, second}, true);
    for (QPushButton *button : {first, second}) {
        QVERIFY(button->isEnabled());
        QCOMPARE(button->styleSheet(), VistrelInspector::enabledButtonStyle(*window));
    }
    QVERIFY(bystander->isEnabled());
    QCOMPARE(bystander->styleSheet(), bystanderStyle);
}

void TestAppTitlebar::controlWordReachesTheWire_data()
{
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("which");
    QTest::newRow("display start") << "FF AA 0D 0A" << 0;
    QTest::newRow("display stop") << "FF FD 0D 0A" << 1;
    QTest::newRow("open/close") << "FF FE 0D 0A" << 2;
}

void TestAppTitlebar::controlWordReachesTheWire()
{
    QFETCH(QString, expected);
    QFETCH(int, which);
    const protocol::ControlWord words[] = {protocol::DisplayStartWord, protocol::DisplayStopWord,
                                           protocol::OpenCloseWord};
    char serial[] = "VPANEL01";
    FT_HANDLE handle = nullptr;
    QCOMPARE(FT_OpenEx(serial, FT_OPEN_BY_SERIAL_NUMBER, &handle), FT_STATUS(FT_OK));
    VistrelInspector::setFtHandle(*window, handle);

    VistrelInspector::writeControlWord(*window, words[which]);
    const std::vector<std::uint8_t> wire = Testbed::instance().captured("VPANEL01");
    QCOMPARE(testenv::hex(wire), expected);
    QCOMPARE(VistrelInspector::ftStatus(*window), FT_STATUS(FT_OK));
    QCOMPARE(VistrelInspector::bytesWritten(*window), FT_DWORD(4));
    const std::vector<std::string> calls = Testbed::instance().callHistory("VPANEL01");
    QCOMPARE(std::count(calls.begin(), calls.end(), std::string("FT_Write 4")), 1);
    FT_Close(handle);
}

void TestAppTitlebar::failedControlWordKeepsItsStatus()
{
    char serial[] = "VPANEL01";
    FT_HANDLE handle = nullptr;
    QCOMPARE(FT_OpenEx(serial, FT_OPEN_BY_SERIAL_NUMBER, &handle), FT_STATUS(FT_OK));
    VistrelInspector::setFtHandle(*window, handle);
    Testbed::instance().failNext(D2xxCall::Write, 1, FT_IO_ERROR);

    VistrelInspector::writeControlWord(*window, protocol::DisplayStartWord);
    QCOMPARE(VistrelInspector::ftStatus(*window), FT_STATUS(FT_IO_ERROR));
    QVERIFY(Testbed::instance().captured("VPANEL01").empty());

    // No retry: the next word goes out on its own, and success is stored again.
    VistrelInspector::writeControlWord(*window, protocol::DisplayStopWord);
    QCOMPARE(testenv::hex(Testbed::instance().captured("VPANEL01")), QStringLiteral("FF FD 0D 0A"));
    QCOMPARE(VistrelInspector::ftStatus(*window), FT_STATUS(FT_OK));
    FT_Close(handle);
}

QTEST_MAIN(TestAppTitlebar)
#include "test_app_titlebar.moc"
