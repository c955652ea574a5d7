// Set: its refusals, the drive settings packet on the wire; the settings store around it and
// across restarts.
#include "../link_discovery/link_fixture.h"

#include <QLoggingCategory>
#include <QSettings>
#include <opencv2/imgcodecs.hpp>

#include <algorithm>
#include <cmath>

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
    void restartWith(const QStringList &stored)  // in kFields' order
    {
        window.reset();  // the old window stores its fields before the new one loads them
        for (int i = 0; i < kFields.size(); ++i)
            QSettings("Halvorn", "Vistrel").setValue("ReceiverSettings/" + kFields[i], stored[i]);
        window = std::make_unique<Vistrel>();
        VistrelInspector::pollTimer(*window)->stop();
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
        QTest::addColumn<QString>("fault");
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
        QTest::newRow("failed write") << "" << "write" << "|settings packet not sent\nFT_Write: FT_IO_ERROR (0 bytes written)" << "";
    }
    void set()
    {
        QFETCH(QString, edit);
        QFETCH(QString, fault);
        QFETCH(QString, box);
        QFETCH(QString, head);
        restartWith(kStored);
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
        QCOMPARE(boxes.boxes(), QStringList{box});
        QCOMPARE(wire(18), head);
        QCOMPARE(bed().captured("VPANEL01").size(), head.isEmpty() ? 0u : 1554u);
        QCOMPARE(debug.count(" Send OK"), head.isEmpty() ? 0 : 1);
        // Stored only once sent; an empty field reloads the stored texts, fps too.
        QCOMPARE(texts(true), box == kSuccess ? typed : kStored);
        QCOMPARE(texts(), box.endsWith("empty") ? kStored : typed);
        QCOMPARE(VistrelInspector::fps(*window), box.endsWith("empty") ? 30 : 60);
        QCOMPARE(ui().openButton->text(), fault == "closed" ? "OPEN" : "CLOSE");
    }

    // A first run empties the form's texts but for gamma; what is typed, also half-typed (a lone
    // minus, a trailing point), is stored as it stands when the window goes and comes back.
    void typedTextComesBackNextStart()
    {
        QCOMPARE(ui().lineEdit_gamma->text(), QStringLiteral("2.2"));
        QVERIFY(texts().join("").isEmpty());
        const QStringList typed{"-", "-9.75", "-12", "1.", "0.5", "0.25", "5", "25"};
        for (int i = 0; i < kFields.size(); ++i)
            QTest::keyClicks(field(kFields[i]), typed[i]);  // the validators let all of these through
        ui().lineEdit_gamma->setText(QStringLiteral("1.8"));
        window.reset();
        window = std::make_unique<Vistrel>();
        QCOMPARE(ui().lineEdit_gamma->text(), QStringLiteral("2.2"));
        QCOMPARE(texts(), typed);
        QCOMPARE(texts(true), typed);
        QCOMPARE(QSettings("Halvorn", "Vistrel").allKeys().size(), kFields.size());
    }

    // Texts written from outside come back only where the field would have
    // let them be typed: a voltage field refuses what its validator refuses,
    // the frame-rate field takes any text, follows it only when whole and clamps it to 1..60.
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
        QTest::newRow("beyond 64 bits") << "99999999999999999999" << "" << "60" << 60;
        QTest::newRow("zero") << "0" << "0" << "1" << 1;
        QTest::newRow("below one") << "-5" << "-5" << "1" << 1;
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
        restartWith(QVector<QString>(kFields.size(), stored).toList());
        for (const QString &key : kFields)
            QCOMPARE(field(key)->text(), key == "lineEdit_fps" ? fpsField : voltageField);
        QCOMPARE(VistrelInspector::fps(*window), fps);
    }

    // One button shows Vbias and the gamma row together, and the choice survives a restart.
    void advancedRows()
    {
        auto rowsShown = [this] {
            const bool vbias = !ui().widget_39->isHidden(), gamma = !ui().widget_4->isHidden();
            return vbias == gamma ? int(vbias) : -1;
        };
        QCOMPARE(rowsShown(), 0);
        for (bool on : {true, false, true}) {
            ui().advancedButton->click();
            QCOMPARE(rowsShown(), int(on));
            window = std::make_unique<Vistrel>();
            QCOMPARE(ui().advancedButton->isChecked(), on);
            QCOMPARE(rowsShown(), int(on));
        }
        QCOMPARE(QSettings("Halvorn", "Vistrel").value("Console/advancedShown"), QVariant(true));
    }

    // Set with the rows shown sends the typed Vbias and, once chosen, the gamma curve;
    // a curve hidden with its row is not sent.
    void advancedSet_data()
    {
        QTest::addColumn<bool>("visible");
        QTest::addColumn<bool>("gamma");     // the gamma button clicked (with the row shown)
        QTest::addColumn<double>("exponent");  // 0: linear tables expected
        QTest::newRow("shown, linear") << true << false << 0.0;
        QTest::newRow("shown, gamma 1.8") << true << true << 1.8;
        QTest::newRow("gamma chosen, then hidden") << false << true << 0.0;
    }
    void advancedSet()
    {
        QFETCH(bool, visible);
        QFETCH(bool, gamma);
        QFETCH(double, exponent);
        const double volts[] = {-1.5, 2.25, -13, 14.5, 3.75, 0.5, 4.5, 60};  // in kFields' order
        for (int i = 0; i < kFields.size(); ++i)
            field(kFields[i])->setText(QString::number(volts[i]));
        ui().advancedButton->click();
        if (gamma) {
            ui().lineEdit_gamma->setText("1.8");
            ui().radioButton_gamma->click();
            ui().radioButton_gamma->click();  // the lone button stays on once chosen
            QVERIFY(!ui().lineEdit_gamma->isHidden());
        }
        if (!visible)
            ui().advancedButton->click();
        openLink();
        MessageBoxRecorder boxes;
        window->sendValue2Device();
        QCOMPARE(boxes.boxes(), QStringList{kSuccess});
        // The packet's rule: wide scale (+-20 V) for the scan voltages and
        // their copies, narrow (+-10 V) for the rest, codes truncated; each
        // gray table runs from entry 0 = gray 255 down, bent by the curve.
        auto narrow = [](double v) { return (10 + v) / 20 * 65535; };
        auto wide = [&](double v) { return narrow(v * 0.5); };
        std::vector<std::uint8_t> expected{0xFF, 0x01};
        auto put = [&](double code) {
            const auto c = static_cast<std::uint16_t>(std::clamp(code, 0.0, 65535.0));
            expected.insert(expected.end(), {std::uint8_t(c >> 8), std::uint8_t(c & 0xFF)});
        };
        for (double v : {volts[0], volts[1], volts[2], volts[3], volts[2], volts[3]})
            put(wide(v));
        put(narrow(volts[4]));
        for (int table = 0; table < 3; ++table)
            for (int g = 255; g >= 0; --g) {
                const double level = exponent > 0 ? std::pow(g / 255.0, exponent) * 255 : g;
                put((narrow(volts[5]) - narrow(volts[6])) / 256 * level + narrow(volts[6]));
            }
        expected.insert(expected.end(), {0x0D, 0x0A});
        QCOMPARE(bed().captured("VPANEL01"), expected);
    }
};

QTEST_MAIN(TestDriveSettings)
#include "test_drive_settings.moc"
