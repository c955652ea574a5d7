// Set: its refusals, the drive settings packet on the wire, and the settings store around it.
#include "../link_discovery/link_fixture.h"

#include <QLoggingCategory>
#include <QSettings>
#include <opencv2/imgcodecs.hpp>

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
    const QString m_picture = testenv::dataDir() + "/drive_settings.jpg";
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

    void initTestCase()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("vistrel.session.debug=true"));
        QVERIFY(cv::imwrite(m_picture.toStdString(), cv::Mat(100, 200, CV_8UC3, cv::Scalar::all(90))));
    }

    void set_data()
    {
        QTest::addColumn<QString>("edit");   // "field=text" typed over the defaults
        QTest::addColumn<QString>("fault");  // "", "closed", "picture", "write"
        QTest::addColumn<QString>("box");    // "title|text"
        QTest::addColumn<QString>("head");   // of the packet on the wire
        const QString head = QStringLiteral("FF 01 73 32 8C CC 33 33 CC CC 33 33 CC CC");
        QTest::newRow("link closed") << "lineEdit_von=" << "closed" << "|device not connected" << "";
        QTest::newRow("picture shown") << "lineEdit_von=" << "picture" << "Attention|Operation prohibited during operation!" << "";
        for (const QString &name : kFields.mid(0, 4) + kFields.mid(5))
            QTest::newRow(qPrintable(name + " empty")) << name + "=" << "" << "|input fields are empty" << "";
        QTest::newRow("default texts") << "" << "" << kSuccess << head + " 7F FF 80 3F";
        QTest::newRow("empty Vbias is 0 V") << "lineEdit_vbais=" << "" << kSuccess << head + " 7F FF 80 3F";
        QTest::newRow("Vbias +10") << "lineEdit_vbais=10" << "" << kSuccess << head + " FF FF 80 3F";
        QTest::newRow("failed write") << "" << "write"
                                      << "|settings packet not sent\nFT_Write: FT_IO_ERROR (0 bytes written)" << "";
    }
    void set()
    {
        QFETCH(QString, edit);
        QFETCH(QString, fault);
        QFETCH(QString, box);
        QFETCH(QString, head);
        window.reset();  // it saves the fields as it goes
        for (int i = 0; i < kFields.size(); ++i)
            QSettings("Halvorn", "Vistrel").setValue("ReceiverSettings/" + kFields[i], kStored[i]);
        window = std::make_unique<Vistrel>();
        VistrelInspector::pollTimer(*window)->stop();
        if (fault != "closed")
            openLink();
        if (fault == "picture") {
            auto &session = VistrelInspector::session(*window);
            QVERIFY(session.choosePicture(m_picture) && session.toggleStart(false));
            bed().clearCaptured("VPANEL01");
        }
        for (int i = 0; i < kFields.size(); ++i)
            field(kFields[i])->setText(kDefaults[i]);
        if (!edit.isEmpty())
            field(edit.section('=', 0, 0))->setText(edit.section('=', 1));
        const QStringList typed = texts();
        bed().failNext(D2xxCall::Write, fault == "write" ? 1 : 0, FT_IO_ERROR);

        DebugCapture debug;
        MessageBoxRecorder boxes;
        window->sendValue2Device();
        QCOMPARE(shown(boxes), QStringList{box});
        QCOMPARE(wire(18), head);
        QCOMPARE(bed().captured("VPANEL01").size(), head.isEmpty() ? 0u : 1554u);
        QCOMPARE(debug.count(" Send OK"), head.isEmpty() ? 0 : 1);
        // Stored only once sent; an empty field reloads the stored texts, fps too.
        QCOMPARE(texts(true), box == kSuccess ? typed : kStored);
        QCOMPARE(texts(), box.endsWith("empty") ? kStored : typed);
        QCOMPARE(VistrelInspector::fps(*window), box.endsWith("empty") ? 30 : 60);
        QCOMPARE(ui().openButton->text(), fault == "closed" ? "OPEN" : "CLOSE");
    }
};

QTEST_MAIN(TestDriveSettings)
#include "test_drive_settings.moc"
