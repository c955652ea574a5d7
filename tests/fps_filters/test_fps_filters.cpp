// The frame-rate field (the gamma button: tests/drive_settings).
#include "../link_discovery/link_fixture.h"

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
};

QTEST_MAIN(TestFpsFilters)
#include "test_fps_filters.moc"
