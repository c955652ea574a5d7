// The frame-rate field and the scan timing packet, the gamma controls and the
// two filtering slots that act on the line edit that sent the text.
#include "debug_capture.h"
#include "message_box_recorder.h"
#include "test_environment.h"
#include "virtual_bridge.h"
#include "vistrel_inspector.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QtTest>

#include <memory>
#include <vector>

using vistrel::virt::D2xxCall;
using vistrel::virt::Testbed;

namespace {

const QString kSendOk = QStringLiteral(" Send OK");
const QString kNumberPattern = QStringLiteral("-?[0-9]*(\\.[0-9]*)?");

int validatorCount(const QObject *owner)
{
    return owner->findChildren<QValidator *>(QString(), Qt::FindDirectChildrenOnly).size();
}

QString patternOf(const QValidator *validator)
{
    const auto *regex = qobject_cast<const QRegularExpressionValidator *>(validator);
    return regex ? regex->regularExpression().pattern() : QString();
}

} // namespace

class TestFpsFilters : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qputenv("VISTREL_VIRTUAL_DEVICES", "VPANEL01"); }
    void init();
    void cleanup() { window.reset(); }

    void frameRateFollowsField_data();
    void frameRateFollowsField();
    void typingNeverFightsTheUser();
    void scanPacketBytes_data();
    void scanPacketBytes();
    void scanSkippedWhileClosed();
    void scanWriteFailureOnlyInStatus();
    void dacSettingDoesNothing();

    void gammaRadioShowsField();
    void onlyNumInstallsOpenNumberValidator_data();
    void onlyNumInstallsOpenNumberValidator();
    void onlyNumReplacesSharedValidatorOnlyThere();
    void onlyNumbysliderClamps_data();
    void onlyNumbysliderClamps();
    void filtersIgnoreOtherSenders();

private:
    Ui_Vistrel &ui() { return VistrelInspector::ui(*window); }
    int fps() const { return VistrelInspector::fps(*window); }
    void openLink()
    {
        ui().openButton->click();
        QVERIFY(VistrelInspector::deviceOpen(*window));
        Testbed::instance().clearCaptured("VPANEL01");
    }

    std::unique_ptr<Vistrel> window;
};

void TestFpsFilters::init()
{
    Testbed::instance().reset();
    testenv::clearSettingsStore();
    window = std::make_unique<Vistrel>();
    VistrelInspector::pollTimer(*window)->stop();
}

void TestFpsFilters::frameRateFollowsField_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("rate");

    // In range: taken as typed.
    QTest::newRow("30") << "30" << "30" << 30;
    QTest::newRow("60") << "60" << "60" << 60;
    QTest::newRow("1") << "1" << "1" << 1;
    QTest::newRow("leading zeros") << "007" << "007" << 7;
    QTest::newRow("blanks around") << " 40 " << " 40 " << 40;
    // Whole numbers out of range: corrected to the nearer bound.
    QTest::newRow("75") << "75" << "60" << 60;
    QTest::newRow("61") << "61" << "60" << 60;
    QTest::newRow("0") << "0" << "1" << 1;
    QTest::newRow("00") << "00" << "1" << 1;
    QTest::newRow("minus zero") << "-0" << "1" << 1;
    QTest::newRow("negative") << "-5" << "1" << 1;
    QTest::newRow("huge") << "99999999999999999999" << "60" << 60;
    QTest::newRow("huge negative") << "-99999999999999999999" << "1" << 1;
    // Not a whole number (yet): left alone, the last good rate stays.
    QTest::newRow("empty") << "" << "" << 25;
    QTest::newRow("lone minus") << "-" << "-" << 25;
    QTest::newRow("letters") << "abc" << "abc" << 25;
    QTest::newRow("fraction") << "12.5" << "12.5" << 25;
}

void TestFpsFilters::frameRateFollowsField()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QFETCH(int, rate);

    ui().lineEdit_fps->setText(QStringLiteral("25"));
    QCOMPARE(fps(), 25);
    ui().lineEdit_fps->setText(text);
    QCOMPARE(ui().lineEdit_fps->text(), shown);
    QCOMPARE(fps(), rate);
}

void TestFpsFilters::typingNeverFightsTheUser()
{
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QLineEdit *edit = ui().lineEdit_fps;
    edit->setFocus();
    edit->setText(QStringLiteral("25"));

    struct Step {
        const char *keys;
        const char *shown;
        int rate;
    };
    const Step steps[] = {
        {"\b", "2", 2}, {"\b", "", 2}, {"-", "-", 2}, {"3", "1", 1},
        {"\b", "", 1},  {"4", "4", 4}, {"5", "45", 45}, {"0", "60", 60},
    };
    for (const Step &step : steps) {
        if (step.keys[0] == '\b')
            QTest::keyClick(edit, Qt::Key_Backspace);
        else
            QTest::keyClicks(edit, QString::fromLatin1(step.keys));
        QCOMPARE(edit->text(), QString::fromLatin1(step.shown));
        QCOMPARE(fps(), step.rate);
        QVERIFY(fps() >= 1 && fps() <= 60);
    }
}

void TestFpsFilters::scanPacketBytes_data()
{
    QTest::addColumn<QString>("rateText");
    QTest::addColumn<QString>("packet");

    const QString scan = QStringLiteral("FF 02 00 00 00 00 00 00 40 D8 00 00 00 00 ");
    QTest::newRow("60") << "60" << scan + "00 00 1A 0A 0D 0A";
    QTest::newRow("30") << "30" << scan + "00 19 88 75 0D 0A";
    QTest::newRow("45") << "45" << scan + "00 08 94 2E 0D 0A";
    QTest::newRow("1") << "1" << scan + "05 DC 8C A0 0D 0A";
    QTest::newRow("corrected 0 is 1") << "0" << scan + "05 DC 8C A0 0D 0A";
    QTest::newRow("corrected 99 is 60") << "99" << scan + "00 00 1A 0A 0D 0A";
}

void TestFpsFilters::scanPacketBytes()
{
    QFETCH(QString, rateText);
    QFETCH(QString, packet);

    openLink();
    ui().lineEdit_fps->setText(rateText);
    DebugCapture debug;
    QVERIFY(QMetaObject::invokeMethod(window.get(), "sendScan2Device"));

    const auto wire = Testbed::instance().captured("VPANEL01");
    QCOMPARE(wire.size(), std::size_t(20));
    QCOMPARE(testenv::hex(wire, 64), packet);
    QCOMPARE(Testbed::instance().callHistory("VPANEL01").back(), std::string("FT_Write 20"));
    QCOMPARE(VistrelInspector::ftStatus(*window), FT_STATUS(FT_OK));
    QCOMPARE(debug.captured(), QStringList({kSendOk}));
}

void TestFpsFilters::scanSkippedWhileClosed()
{
    const FT_STATUS before = VistrelInspector::ftStatus(*window);
    DebugCapture debug;
    MessageBoxRecorder boxes;
    QVERIFY(QMetaObject::invokeMethod(window.get(), "sendScan2Device"));
    QVERIFY(Testbed::instance().callHistory("VPANEL01").empty());
    QCOMPARE(VistrelInspector::ftStatus(*window), before);
    QVERIFY(debug.captured().isEmpty());
    QVERIFY(boxes.boxes().isEmpty());

    // Also after a close: the old handle is not written through.
    ui().openButton->click();
    ui().openButton->click();
    const std::size_t calls = Testbed::instance().callHistory("VPANEL01").size();
    QVERIFY(QMetaObject::invokeMethod(window.get(), "sendScan2Device"));
    QCOMPARE(Testbed::instance().callHistory("VPANEL01").size(), calls);
}

void TestFpsFilters::scanWriteFailureOnlyInStatus()
{
    openLink();
    Testbed::instance().failNext(D2xxCall::Write, 1, FT_IO_ERROR);
    DebugCapture debug;
    MessageBoxRecorder boxes;
    QVERIFY(QMetaObject::invokeMethod(window.get(), "sendScan2Device"));
    QCOMPARE(VistrelInspector::ftStatus(*window), FT_STATUS(FT_IO_ERROR));
    QVERIFY(debug.captured().isEmpty());
    QVERIFY(boxes.boxes().isEmpty());
    QVERIFY(Testbed::instance().captured("VPANEL01").empty());
}

void TestFpsFilters::dacSettingDoesNothing()
{
    openLink();
    const auto history = Testbed::instance().callHistory("VPANEL01");
    const FT_STATUS status = VistrelInspector::ftStatus(*window);
    QVERIFY(QMetaObject::invokeMethod(window.get(), "sendDACSetting"));
    QCOMPARE(Testbed::instance().callHistory("VPANEL01"), history);
    QVERIFY(Testbed::instance().captured("VPANEL01").empty());
    QCOMPARE(VistrelInspector::ftStatus(*window), status);
    QCOMPARE(fps(), 60);
}

void TestFpsFilters::gammaRadioShowsField()
{
    QVERIFY(ui().lineEdit_gamma->isHidden());
    QVERIFY(!ui().radioButton_gamma->isChecked());

    ui().radioButton_gamma->click();
    QVERIFY(ui().radioButton_gamma->isChecked());
    QVERIFY(!ui().lineEdit_gamma->isHidden());

    // Whether a second click turns a lone radio button off is the toolkit's
    // business; the field follows the button either way.
    ui().radioButton_gamma->click();
    QCOMPARE(ui().lineEdit_gamma->isHidden(), !ui().radioButton_gamma->isChecked());

    ui().radioButton_gamma->setChecked(false);
    window->changeGamma();
    QVERIFY(ui().lineEdit_gamma->isHidden());

    window->hideGamma(false);
    QVERIFY(!ui().lineEdit_gamma->isHidden());
    window->hideGamma(true);
    QVERIFY(ui().lineEdit_gamma->isHidden());
    QVERIFY(!ui().radioButton_gamma->isChecked());  // only the field changes
}

void TestFpsFilters::onlyNumInstallsOpenNumberValidator_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("state");

    QTest::newRow("negative fraction") << "-12.5" << int(QValidator::Acceptable);
    QTest::newRow("no range limit") << "12345678.9" << int(QValidator::Acceptable);
    QTest::newRow("empty") << "" << int(QValidator::Acceptable);
    QTest::newRow("lone minus") << "-" << int(QValidator::Acceptable);
    QTest::newRow("leading point") << ".5" << int(QValidator::Acceptable);
    QTest::newRow("exponent") << "1e3" << int(QValidator::Invalid);
    QTest::newRow("plus sign") << "+1" << int(QValidator::Invalid);
    QTest::newRow("double minus") << "--1" << int(QValidator::Invalid);
    QTest::newRow("two points") << "1.2.3" << int(QValidator::Invalid);
    QTest::newRow("letters") << "abc" << int(QValidator::Invalid);
}

void TestFpsFilters::onlyNumInstallsOpenNumberValidator()
{
    QFETCH(QString, text);
    QFETCH(int, state);

    QLineEdit edit;
    connect(&edit, &QLineEdit::textChanged, window.get(), &Vistrel::onlyNum);
    QVERIFY(!edit.validator());
    edit.setText(QStringLiteral("1"));

    const QValidator *validator = edit.validator();
    QVERIFY(validator);
    QCOMPARE(validator->parent(), &edit);
    QCOMPARE(patternOf(validator), kNumberPattern);
    QString probe = text;
    int position = probe.size();
    QCOMPARE(int(validator->validate(probe, position)), state);
}

void TestFpsFilters::onlyNumReplacesSharedValidatorOnlyThere()
{
    QLineEdit *vdd = ui().lineEdit_vdd;
    const QValidator *shared = vdd->validator();
    QVERIFY(shared);
    QCOMPARE(ui().lineEdit_vss->validator(), shared);
    connect(vdd, &QLineEdit::textChanged, window.get(), &Vistrel::onlyNum);

    for (const char *text : {"1", "2", "3", "4"})
        vdd->setText(QString::fromLatin1(text));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    QVERIFY(vdd->validator() != shared);
    QCOMPARE(patternOf(vdd->validator()), kNumberPattern);
    QCOMPARE(validatorCount(vdd), 1);  // earlier replacements are gone
    QCOMPARE(ui().lineEdit_vss->validator(), shared);  // the other fields keep theirs
    QCOMPARE(ui().lineEdit_grvh->validator(), shared);
    QString beyondRange = QStringLiteral("123");
    int position = 3;
    QCOMPARE(vdd->validator()->validate(beyondRange, position), QValidator::Acceptable);
}

void TestFpsFilters::onlyNumbysliderClamps_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("error");

    QTest::newRow("200") << "200" << "166" << true;
    QTest::newRow("167") << "167" << "166" << true;
    QTest::newRow("166") << "166" << "166" << false;
    QTest::newRow("leading zeros") << "007" << "7" << false;
    QTest::newRow("not a number") << "abc" << "0" << false;
    QTest::newRow("fraction") << "12.5" << "0" << false;
    QTest::newRow("negative") << "-5" << "-5" << false;
    QTest::newRow("empty") << "" << "0" << false;
}

void TestFpsFilters::onlyNumbysliderClamps()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QFETCH(bool, error);

    QLineEdit edit(QStringLiteral("50"));
    connect(&edit, &QLineEdit::textChanged, window.get(), &Vistrel::onlyNumbyslider);
    MessageBoxRecorder boxes;
    // An empty text only signals a change from a non-empty one.
    edit.setText(text);
    QCOMPARE(edit.text(), shown);
    QCOMPARE(boxes.boxes().size(), error ? 1 : 0);
    if (error) {
        QCOMPARE(boxes.boxes().at(0).title, QString());
        QCOMPARE(boxes.boxes().at(0).text, QStringLiteral("num err"));
    }
}

void TestFpsFilters::filtersIgnoreOtherSenders()
{
    QComboBox combo;
    combo.setEditable(true);
    connect(&combo, &QComboBox::currentTextChanged, window.get(), &Vistrel::onlyNum);
    connect(&combo, &QComboBox::currentTextChanged, window.get(), &Vistrel::onlyNumbyslider);
    const QValidator *comboValidator = combo.lineEdit()->validator();
    const QValidator *vddValidator = ui().lineEdit_vdd->validator();

    MessageBoxRecorder boxes;
    combo.setEditText(QStringLiteral("500"));
    window->onlyNum(QStringLiteral("1"));           // no sender at all
    window->onlyNumbyslider(QStringLiteral("500"));

    QCOMPARE(combo.currentText(), QStringLiteral("500"));
    QCOMPARE(combo.lineEdit()->validator(), comboValidator);
    QCOMPARE(validatorCount(&combo), 0);
    QCOMPARE(ui().lineEdit_vdd->validator(), vddValidator);
    QVERIFY(boxes.boxes().isEmpty());
}

QTEST_MAIN(TestFpsFilters)
#include "test_fps_filters.moc"
