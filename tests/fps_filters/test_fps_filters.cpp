// The frame-rate field and the gamma controls.
#include "../link_discovery/link_fixture.h"

#include <QRadioButton>

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
        openLink();
        // The form's voltages (a first start leaves the fields empty), under the form's curve of 2.2.
        const char *const texts[][2] = {{"lineEdit_vss", "-2"}, {"lineEdit_vdd", "2"}, {"lineEdit_voff", "-12"},
            {"lineEdit_von", "12"}, {"lineEdit_grvl", "0"}, {"lineEdit_grvh", "5"}, {"lineEdit_fps", "60"}};
        for (const auto &t : texts)
            window->findChild<QLineEdit *>(t[0])->setText(t[1]);
        MessageBoxRecorder boxes;  // "Settings success!"
        ui().sendButton->click();
        const std::vector<std::uint8_t> packet = bed().captured("VPANEL01");
        QCOMPARE(packet.size(), 1554u);
        QCOMPARE(testenv::hex({packet.begin() + 16 + 254, packet.end()}, 4), QStringLiteral("B2 00 B2 3E"));
    }
};

QTEST_MAIN(TestFpsFilters)
#include "test_fps_filters.moc"
