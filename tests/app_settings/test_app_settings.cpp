// The settings store: the eight field texts go out as they stand when the
// window goes and come back at the next start; nothing else is stored.
#include "test_environment.h"
#include "virtual_bridge.h"
#include "window_access.h"

#include <QSettings>
#include <QtTest>

#include <memory>

namespace {

const QStringList kKeys{"lineEdit_vdd",  "lineEdit_vss",  "lineEdit_von",   "lineEdit_voff",
                        "lineEdit_grvh", "lineEdit_grvl", "lineEdit_vbais", "lineEdit_fps"};

} // namespace

class TestAppSettings : public QObject
{
    Q_OBJECT

    std::unique_ptr<Vistrel> window;

    void restart()  // the old window stores its fields before the new one loads them
    {
        window.reset();
        window = std::make_unique<Vistrel>();
    }
    QLineEdit *field(const QString &key) { return window->findChild<QLineEdit *>(key); }
    QLineEdit *gammaField() { return VistrelInspector::ui(*window).lineEdit_gamma; }

private slots:
    void init()
    {
        testenv::clearSettingsStore();
        vistrel::virt::Testbed::instance().reset();
        restart();
    }
    void cleanup() { window.reset(); }

    // A first run empties the form's texts but for gamma; what is typed, also
    // half-typed (a lone minus, a trailing point), comes back as it stands.
    void typedTextComesBackNextStart()
    {
        QCOMPARE(gammaField()->text(), QStringLiteral("2.2"));
        const QStringList typed{"-9.75", "-", "1.", "-12", "5", "0.25", "0.5", "25"};  // in the order of kKeys
        for (int i = 0; i < kKeys.size(); ++i) {
            QVERIFY2(field(kKeys[i]) && field(kKeys[i])->text().isEmpty(), qPrintable(kKeys[i]));
            QTest::keyClicks(field(kKeys[i]), typed[i]);  // the validators let all of these through
        }
        gammaField()->setText(QStringLiteral("1.8"));
        restart();
        QCOMPARE(gammaField()->text(), QStringLiteral("2.2"));
        QSettings store(QStringLiteral("Halvorn"), QStringLiteral("Vistrel"));
        QCOMPARE(store.allKeys().size(), kKeys.size());
        for (int i = 0; i < kKeys.size(); ++i) {
            QCOMPARE(field(kKeys[i])->text(), typed[i]);
            QCOMPARE(store.value("ReceiverSettings/" + kKeys[i]).toString(), typed[i]);
        }
    }

    // Texts the validators would refuse, written from outside, are shown unchanged.
    void outsideValueShownAsStored()
    {
        const QStringList outside{"99", "1,5", "+5", "abc", " 7", "1.2.3", "-10", "30"};
        window.reset();
        QSettings store(QStringLiteral("Halvorn"), QStringLiteral("Vistrel"));
        for (int i = 0; i < kKeys.size(); ++i)
            store.setValue("ReceiverSettings/" + kKeys[i], outside[i]);
        store.sync();
        restart();
        for (int i = 0; i < kKeys.size(); ++i)
            QCOMPARE(field(kKeys[i])->text(), outside[i]);
    }
};

QTEST_MAIN(TestAppSettings)
#include "test_app_settings.moc"
