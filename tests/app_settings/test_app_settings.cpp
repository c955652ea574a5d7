// The settings store: the eight field texts go out as they stand when the
// window goes and come back at the next start; nothing else is stored.
#include "../link_discovery/link_fixture.h"

#include <QSettings>

namespace {

const QStringList kKeys{"lineEdit_vdd",  "lineEdit_vss",  "lineEdit_von",   "lineEdit_voff",
                        "lineEdit_grvh", "lineEdit_grvl", "lineEdit_vbais", "lineEdit_fps"};

} // namespace

class TestAppSettings : public QObject, LinkFixture
{
    Q_OBJECT

    QLineEdit *field(const QString &key) { return window->findChild<QLineEdit *>(key); }

private slots:
    void init() { fresh(); }

    // A first run empties the form's texts but for gamma; what is typed, also
    // half-typed (a lone minus, a trailing point), comes back as it stands.
    void typedTextComesBackNextStart()
    {
        QCOMPARE(ui().lineEdit_gamma->text(), QStringLiteral("2.2"));
        const QStringList typed{"-9.75", "-", "1.", "-12", "5", "0.25", "0.5", "25"};  // in the order of kKeys
        for (int i = 0; i < kKeys.size(); ++i) {
            QVERIFY2(field(kKeys[i]) && field(kKeys[i])->text().isEmpty(), qPrintable(kKeys[i]));
            QTest::keyClicks(field(kKeys[i]), typed[i]);  // the validators let all of these through
        }
        ui().lineEdit_gamma->setText(QStringLiteral("1.8"));
        window.reset();  // the old window stores its fields before the new one loads them
        window = std::make_unique<Vistrel>();
        QCOMPARE(ui().lineEdit_gamma->text(), QStringLiteral("2.2"));
        QSettings store(QStringLiteral("Halvorn"), QStringLiteral("Vistrel"));
        QCOMPARE(store.allKeys().size(), kKeys.size());
        for (int i = 0; i < kKeys.size(); ++i) {
            QCOMPARE(field(kKeys[i])->text(), typed[i]);
            QCOMPARE(store.value("ReceiverSettings/" + kKeys[i]).toString(), typed[i]);
        }
    }

    // Texts written from outside come back only where the field would have
    // let them be typed: a voltage field refuses what its validator refuses,
    // the frame-rate field takes any text and follows it only when whole.
    void outsideText_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("voltageField");
        QTest::addColumn<QString>("fpsField");
        QTest::addColumn<int>("fps");
        QTest::newRow("huge") << "1e308" << "" << "1e308" << 60;
        QTest::newRow("infinite") << "inf" << "" << "inf" << 60;
        QTest::newRow("not a number") << "nan" << "" << "nan" << 60;
        QTest::newRow("lone minus") << "-" << "-" << "-" << 60;
        QTest::newRow("words") << "volts" << "" << "volts" << 60;
        QTest::newRow("out of range") << "99" << "" << "60" << 60;
        QTest::newRow("plus sign") << "+5" << "" << "+5" << 5;
        QTest::newRow("comma") << "1,5" << "" << "1,5" << 60;
        QTest::newRow("in range") << "-7.5" << "-7.5" << "-7.5" << 60;
    }
    void outsideText()
    {
        QFETCH(QString, stored);
        QFETCH(QString, voltageField);
        QFETCH(QString, fpsField);
        QFETCH(int, fps);
        window.reset();
        QSettings store(QStringLiteral("Halvorn"), QStringLiteral("Vistrel"));
        for (const QString &key : kKeys)
            store.setValue("ReceiverSettings/" + key, stored);
        store.sync();
        window = std::make_unique<Vistrel>();
        for (const QString &key : kKeys)
            QCOMPARE(field(key)->text(), key == "lineEdit_fps" ? fpsField : voltageField);
        QCOMPARE(VistrelInspector::fps(*window), fps);
    }
};

QTEST_MAIN(TestAppSettings)
#include "test_app_settings.moc"
