// The settings store: the eight field texts go out unchanged when the window
// goes and come back at the next start; nothing else is stored.
#include "test_environment.h"
#include "videothread.h"
#include "virtual_bridge.h"
#include "vistrel_inspector.h"

#include <QPointer>
#include <QSettings>
#include <QtTest>

#include <memory>

using vistrel::virt::Testbed;

namespace {

const char *const kKeys[] = {"lineEdit_vdd",  "lineEdit_vss",  "lineEdit_von",   "lineEdit_voff",
                             "lineEdit_grvh", "lineEdit_grvl", "lineEdit_vbais", "lineEdit_fps"};

QSettings *openStore()
{
    return new QSettings(QStringLiteral("Halvorn"), QStringLiteral("Vistrel"));
}

QString storedText(const QString &key)
{
    std::unique_ptr<QSettings> store(openStore());
    return store->value(QStringLiteral("ReceiverSettings/") + key).toString();
}

void storeText(const QString &key, const QString &text)
{
    std::unique_ptr<QSettings> store(openStore());
    store->setValue(QStringLiteral("ReceiverSettings/") + key, text);
}

QLineEdit *field(Vistrel &window, const QString &key)
{
    return window.findChild<QLineEdit *>(key);
}

// A worker that runs until it is told to stop: the real one would need a file.
class SpinningWorker : public VideoThread
{
public:
    SpinningWorker() : VideoThread(QString(), 60) { playing = true; }

protected:
    void run() override
    {
        while (playing)
            msleep(1);
    }
};

} // namespace

class TestAppSettings : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { window.reset(); }

    void firstRunEmptiesTheFields_data();
    void firstRunEmptiesTheFields();
    void firstRunKeepsGammaAndAUsableFrameRate();
    void typedTextComesBackNextStart_data();
    void typedTextComesBackNextStart();
    void outsideValueShownAsStored_data();
    void outsideValueShownAsStored();
    void destructionStoresEveryField();
    void onlyTheEightFieldsAreStored();
    void loadPutsBackEveryFieldNotOnlyTheEdited();
    void missingKeyEmptiesItsField();
    void destructionStopsAndWaitsForTheWorker();

private:
    std::unique_ptr<Vistrel> window;

    // The old window stores its fields before the new one loads them.
    void restart()
    {
        window.reset();
        window = std::make_unique<Vistrel>();
    }
};

void TestAppSettings::init()
{
    testenv::clearSettingsStore();
    Testbed::instance().reset();
    restart();
}

void TestAppSettings::firstRunEmptiesTheFields_data()
{
    QTest::addColumn<QString>("key");
    for (const char *key : kKeys)
        QTest::newRow(key) << QString::fromLatin1(key);
}

void TestAppSettings::firstRunEmptiesTheFields()
{
    QFETCH(QString, key);
    QLineEdit *edit = field(*window, key);
    QVERIFY(edit);
    // The form's initial texts are replaced by the (missing) stored ones.
    QCOMPARE(edit->text(), QString());
}

void TestAppSettings::firstRunKeepsGammaAndAUsableFrameRate()
{
    QCOMPARE(VistrelInspector::ui(*window).lineEdit_gamma->text(), QStringLiteral("2.2"));
    QCOMPARE(VistrelInspector::gamma(*window), 2.2);
    const int fps = VistrelInspector::fps(*window);
    QVERIFY2(fps >= 1 && fps <= 60, qPrintable(QString::number(fps)));
}

void TestAppSettings::typedTextComesBackNextStart_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("text");
    QTest::newRow("vdd") << "lineEdit_vdd" << "-9.75";
    QTest::newRow("vss lone minus") << "lineEdit_vss" << "-";
    QTest::newRow("von half-typed") << "lineEdit_von" << "1.";
    QTest::newRow("voff") << "lineEdit_voff" << "-12";
    QTest::newRow("vh") << "lineEdit_grvh" << "5";
    QTest::newRow("vl emptied") << "lineEdit_grvl" << "";
    QTest::newRow("hidden vbias") << "lineEdit_vbais" << "0.5";
    QTest::newRow("fps") << "lineEdit_fps" << "25";
}

void TestAppSettings::typedTextComesBackNextStart()
{
    QFETCH(QString, key);
    QFETCH(QString, text);
    QLineEdit *edit = field(*window, key);
    QVERIFY(edit);
    edit->setText(QStringLiteral("3"));
    edit->clear();
    QTest::keyClicks(edit, text);
    QCOMPARE(edit->text(), text);  // the validators let all of these through
    restart();
    QCOMPARE(field(*window, key)->text(), text);
    QCOMPARE(storedText(key), text);
}

void TestAppSettings::outsideValueShownAsStored_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("text");
    QTest::newRow("vdd out of range") << "lineEdit_vdd" << "99";
    QTest::newRow("von with plus") << "lineEdit_von" << "+5";
    QTest::newRow("vl not a number") << "lineEdit_grvl" << "abc";
    QTest::newRow("vbias") << "lineEdit_vbais" << "-10";
    QTest::newRow("fps text") << "lineEdit_fps" << "30";
}

void TestAppSettings::outsideValueShownAsStored()
{
    QFETCH(QString, key);
    QFETCH(QString, text);
    window.reset();
    storeText(key, text);
    restart();
    QCOMPARE(field(*window, key)->text(), text);
}

void TestAppSettings::destructionStoresEveryField()
{
    QStringList texts;
    int i = 0;
    for (const char *key : kKeys) {
        texts << QString::number(++i);
        field(*window, QString::fromLatin1(key))->setText(texts.last());
    }
    window.reset();
    i = 0;
    for (const char *key : kKeys)
        QCOMPARE(storedText(QString::fromLatin1(key)), texts[i++]);
}

void TestAppSettings::onlyTheEightFieldsAreStored()
{
    VistrelInspector::ui(*window).lineEdit_gamma->setText(QStringLiteral("1.8"));
    window.reset();
    std::unique_ptr<QSettings> store(openStore());
    QCOMPARE(store->childGroups(), QStringList{QStringLiteral("ReceiverSettings")});
    store->beginGroup(QStringLiteral("ReceiverSettings"));
    QStringList keys = store->childKeys();
    keys.sort();
    QStringList expected;
    for (const char *key : kKeys)
        expected << QString::fromLatin1(key);
    expected.sort();
    QCOMPARE(keys, expected);
}

void TestAppSettings::loadPutsBackEveryFieldNotOnlyTheEdited()
{
    for (const char *key : kKeys)
        storeText(QString::fromLatin1(key), QStringLiteral("7"));
    for (const char *key : kKeys)
        field(*window, QString::fromLatin1(key))->setText(QStringLiteral("3"));
    window->loadSettings();
    for (const char *key : kKeys)
        QCOMPARE(field(*window, QString::fromLatin1(key))->text(), QStringLiteral("7"));
}

void TestAppSettings::missingKeyEmptiesItsField()
{
    for (const char *key : kKeys)
        storeText(QString::fromLatin1(key), QStringLiteral("4"));
    {
        std::unique_ptr<QSettings> store(openStore());
        store->remove(QStringLiteral("ReceiverSettings/lineEdit_voff"));
    }
    window->loadSettings();
    QCOMPARE(field(*window, QStringLiteral("lineEdit_voff"))->text(), QString());
    QCOMPARE(field(*window, QStringLiteral("lineEdit_von"))->text(), QStringLiteral("4"));
}

void TestAppSettings::destructionStopsAndWaitsForTheWorker()
{
    auto *worker = new SpinningWorker;
    QPointer<VideoThread> watch(worker);
    worker->start();
    VistrelInspector::setVideoThread(*window, worker);
    field(*window, QStringLiteral("lineEdit_vdd"))->setText(QStringLiteral("1.5"));

    window.reset();  // would hang here if the worker were never told to stop
    QVERIFY(watch);  // the window stops it but does not own it
    QVERIFY(worker->isFinished());
    QVERIFY(!worker->playing);
    QCOMPARE(storedText(QStringLiteral("lineEdit_vdd")), QStringLiteral("1.5"));
    delete worker;
}

QTEST_MAIN(TestAppSettings)
#include "test_app_settings.moc"
