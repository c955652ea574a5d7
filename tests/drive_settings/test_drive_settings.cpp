// Set: its refusals, the drive settings packet on the wire, and the settings store around it.
#include "../link_discovery/link_fixture.h"

#include <QSettings>

namespace {
const QStringList kFields{"lineEdit_vss", "lineEdit_vdd", "lineEdit_voff", "lineEdit_von",
                          "lineEdit_vbais", "lineEdit_grvl", "lineEdit_grvh", "lineEdit_fps"};
const QStringList kDefaults{"-2", "2", "-12", "12", "0.00", "0.00", "5", "60"};  // as the form shows them
const QStringList kStored{"-1", "1.5", "-15", "15", "0.2", "0.5", "4", "30"};
const QString kSuccess = QStringLiteral("Attention|Settings success!");
} // namespace

class TestDriveSettings : public QObject, LinkFixture
{
    Q_OBJECT
    QLineEdit *field(const QString &name) { return window->findChild<QLineEdit *>(name); }
    QStringList texts(bool stored = false)
    {
        QSettings store("Halvorn", "Vistrel");
        QStringList out;
        for (const QString &name : kFields)
            out << (stored ? store.value("ReceiverSettings/" + name).toString() : field(name)->text());
        return out;
    }

private slots:
    void init() { fresh(); }

    void set_data()
    {
        QTest::addColumn<QString>("edit");  // "field=text" typed over the defaults
        QTest::addColumn<QString>("box");   // "title|text"
        QTest::addColumn<QString>("head");  // of the packet on the wire
        const QString head = QStringLiteral("FF 01 73 32 8C CC 33 33 CC CC 33 33 CC CC");
        QTest::newRow("link closed") << "lineEdit_von=" << "|device not connected" << "";
        QTest::newRow("picture shown") << "lineEdit_von=" << "Attention|Operation prohibited during operation!" << "";
        for (const QString &name : kFields.mid(0, 4) + kFields.mid(5))
            QTest::newRow(qPrintable(name + " empty")) << name + "=" << "|input fields are empty" << "";
        QTest::newRow("default texts") << "" << kSuccess << head + " 7F FF 80 3F";
        QTest::newRow("empty Vbias is 0 V") << "lineEdit_vbais=" << kSuccess << head + " 7F FF 80 3F";
        QTest::newRow("Vbias +10") << "lineEdit_vbais=10" << kSuccess << head + " FF FF 80 3F";
        QTest::newRow("failed write") << "" << kSuccess << "";
    }
    void set()
    {
        QFETCH(QString, edit);
        QFETCH(QString, box);
        QFETCH(QString, head);
        window.reset();  // it saves the fields as it goes
        for (int i = 0; i < kFields.size(); ++i)
            QSettings("Halvorn", "Vistrel").setValue("ReceiverSettings/" + kFields[i], kStored[i]);
        window = std::make_unique<Vistrel>();
        VistrelInspector::pollTimer(*window)->stop();
        if (!box.contains("connected"))
            openLink();
        ui().startButton->setText(box.contains("prohibited") ? "Stop" : "Start");
        for (int i = 0; i < kFields.size(); ++i)
            field(kFields[i])->setText(kDefaults[i]);
        if (!edit.isEmpty())
            field(edit.section('=', 0, 0))->setText(edit.section('=', 1));
        const QStringList typed = texts();
        bed().failNext(D2xxCall::Write, box == kSuccess && head.isEmpty() ? 1 : 0, FT_IO_ERROR);

        DebugCapture debug;
        MessageBoxRecorder boxes;
        window->sendValue2Device();
        QCOMPARE(shown(boxes), QStringList{box});
        QCOMPARE(wire(18), head);
        QCOMPARE(bed().captured("VPANEL01").size(), head.isEmpty() ? 0u : 1554u);
        QCOMPARE(debug.captured(), head.isEmpty() ? QStringList() : QStringList{" Send OK"});
        // Saved on success, even a failed write; an empty field reloads the stored texts, fps too.
        QCOMPARE(texts(true), box == kSuccess ? typed : kStored);
        QCOMPARE(texts(), box.endsWith("empty") ? kStored : typed);
        QCOMPARE(VistrelInspector::fps(*window), box.endsWith("empty") ? 30 : 60);
    }

    // The window's text reaches the hex reader as UTF-16 code units, not as UTF-8 bytes.
    void sum16OnWindowText()
    {
        QCOMPARE(window->sum_16(QStringLiteral("7f")), 127);
        QCOMPARE(window->sum_16(QStringLiteral("\u00E90")), 2960);  // e acute, 0
        QCOMPARE(window->sum_16(QStringLiteral("\u00E9")), -1);  // one character, two bytes in UTF-8
        QCOMPARE(window->sum_16(QString::fromUcs4(U"\U0001F600")), 16 * (0xD83D - 48) + 0xDE00 - 48);
    }
};

QTEST_MAIN(TestDriveSettings)
#include "test_drive_settings.moc"
