// The frame-rate field, the scan timing packet, the filters acting on the line edit that sent the text, and the
// gamma controls.
#include "../link_discovery/link_fixture.h"

#include <QRadioButton>
#include <QRegularExpressionValidator>

class TestFpsFilters : public QObject, LinkFixture
{
    Q_OBJECT

private slots:
    void init() { fresh(); }

    void frameRateCorrections()
    {
        // Typed over "25": whole numbers go to the nearest of 1..60, the rest stays as typed with fps kept.
        const struct { const char *typed, *shown; int fps; } cases[] = {
            {"30", "30", 30}, {"007", "007", 7}, {"1", "1", 1}, {"60", "60", 60}, {"61", "60", 60},
            {"99999999999999999999", "60", 60}, {"0", "1", 1}, {"00", "1", 1}, {"-5", "1", 1},
            {"", "", 25}, {"-", "-", 25}, {"abc", "abc", 25}, {"12.5", "12.5", 25}};
        for (const auto &c : cases) {
            ui().lineEdit_fps->setText("25");
            ui().lineEdit_fps->setText(c.typed);
            QCOMPARE(QString("%1: %2, %3").arg(c.typed, ui().lineEdit_fps->text()).arg(VistrelInspector::fps(*window)),
                     QString("%1: %2, %3").arg(c.typed, c.shown).arg(c.fps));
        }
    }

    void scanPacket()
    {
        openLink();
        const char *const cases[][2] = {{"60", "00 00 1A 0A"}, {"30", "00 19 88 75"}, {"0", "05 DC 8C A0"}};
        for (const auto &c : cases) {
            ui().lineEdit_fps->setText(c[0]);
            bed().clearCaptured("VPANEL01");
            QVERIFY(QMetaObject::invokeMethod(window.get(), "sendScan2Device"));
            QCOMPARE(wire(), QString("FF 02 00 00 00 00 00 00 40 D8 00 00 00 00 %1 0D 0A").arg(c[1]));
        }
    }

    void onlyNumbysliderCapsAt166()
    {
        QLineEdit edit;
        QComboBox combo;  // a sender that is no line edit is left alone
        combo.setEditable(true);
        connect(&edit, &QLineEdit::textChanged, window.get(), &Vistrel::onlyNumbyslider);
        connect(&combo, &QComboBox::currentTextChanged, window.get(), &Vistrel::onlyNumbyslider);
        connect(&combo, &QComboBox::currentTextChanged, window.get(), &Vistrel::onlyNum);
        MessageBoxRecorder boxes;
        const char *const cases[][2] = {{"167", "166"}, {"007", "7"}, {"166", "166"}, {"abc", "0"}};
        for (const auto &c : cases) {
            edit.setText(c[0]);
            QCOMPARE(edit.text(), QString(c[1]));
        }
        combo.setEditText("500");
        QCOMPARE(combo.currentText() + (combo.lineEdit()->validator() ? " validated" : ""), QStringLiteral("500"));
        QCOMPARE(shown(boxes), QStringList{"|num err"});  // for 167 alone
    }

    void onlyNumInstallsNumberValidator()
    {
        QLineEdit edit;
        connect(&edit, &QLineEdit::textChanged, window.get(), &Vistrel::onlyNum);
        edit.setText("1");
        auto *validator = qobject_cast<const QRegularExpressionValidator *>(edit.validator());
        QVERIFY(validator && validator->parent() == &edit);
        QString verdicts;  // 2 acceptable, 0 invalid
        for (QString probe : {"-12.5", "", "-", ".5", "12345678.9", "1e3", "+1", "--1", "1.2.3"}) {
            int position = 0;
            verdicts += QString::number(validator->validate(probe, position));
        }
        QCOMPARE(verdicts, QStringLiteral("222220000"));
    }

    // Clicked on the shown row, the lone gamma button turns on and stays on,
    // its field shown, and the gray tables keep following the curve.
    void gammaStaysOnOnceChosen()
    {
        ui().widget_4->show();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QRadioButton *gamma = ui().radioButton_gamma;
        for (int click = 1; click <= 3; ++click) {
            QTest::mouseClick(gamma, Qt::LeftButton);
            QVERIFY2(gamma->isChecked() && ui().lineEdit_gamma->isVisible(), qPrintable(QString("click %1").arg(click)));
        }
        const std::vector<double> volts{-2, 2, -12, 12, -12, 12, 0, 0, 5, 0, 5, 0, 5};
        const std::unique_ptr<unsigned char[]> packet(window->double2uchar(volts));
        QCOMPARE(testenv::hex(std::vector<std::uint8_t>(&packet[16 + 254], &packet[16 + 258])), QStringLiteral("B2 00 B2 3E"));
    }
};

QTEST_MAIN(TestFpsFilters)
#include "test_fps_filters.moc"
