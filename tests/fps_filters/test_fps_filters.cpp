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

    // Clicked on the shown row, the lone gamma button turns on and stays on, its field shown
    // (what Set sends under the curve: tests/drive_settings).
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
    }
};

QTEST_MAIN(TestFpsFilters)
#include "test_fps_filters.moc"
