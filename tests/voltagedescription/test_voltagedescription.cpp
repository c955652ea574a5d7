// VoltageDescription: the help table's texts and shading, and that it runs modally.
#include "voltagedescription.h"

#include <QGridLayout>
#include <QLabel>
#include <QTimer>
#include <QtTest>

class TestVoltageDescription : public QObject
{
    Q_OBJECT

private slots:
    void tableRow_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("shaded");
        QTest::addColumn<QStringList>("texts");
        const auto range = [](const char *values) {
            return QStringLiteral("Range is from %1 is recommended for initial setting.").arg(values);
        };
        QTest::newRow("header") << 0 << true << QStringList{"  Voltage    ", "Function", "Suggest"};
        QTest::newRow("Vdd") << 1 << false << QStringList{"Vdd", "Bias voltage applied on the PD", range("-10V to 10V and 2V") + ' '};
        QTest::newRow("Vss") << 2 << true << QStringList{"Vss", "<html><head/><body><p>Bias voltage applied on the common</p>"
                                                                "<p>electrode of PD</p></body></html>", range("-10V to 10V and -2V") + ' '};
        QTest::newRow("Vh") << 3 << false << QStringList{"Vh", "Data voltage for gray level 255", range("-10V to 10V and 6V") + ' '};
        QTest::newRow("Vl") << 4 << true << QStringList{"Vl", "Data voltage for gray level 0", range("-10V to 10V and 0V") + ' '};
        QTest::newRow("Von") << 5 << false << QStringList{"Von", u8"Select voltage of TFT（Scan）", range("-20V to 20V and 12V")};
        QTest::newRow("Voff") << 6 << true << QStringList{"Voff", u8"Non-select voltage of TFT（Scan）", range("-20V to -20V and -12V")};
    }

    void tableRow()
    {
        QFETCH(int, row);
        QFETCH(bool, shaded);
        QFETCH(QStringList, texts);
        VoltageDescription dialog;
        auto *grid = dialog.findChild<QGridLayout *>(QStringLiteral("gridLayout"));
        for (int column = 0; column < 3; ++column) {
            QLayoutItem *item = grid ? grid->itemAtPosition(row, column) : nullptr;
            auto *label = item ? qobject_cast<QLabel *>(item->widget()) : nullptr;
            QVERIFY(label);
            QCOMPARE(label->text(), texts.at(column));
            // Unshaded cells have no sheet of their own, except the Vdd cell's plain one.
            const QString sheet = shaded ? "QLabel {\nfont-size: 14px;\nbackground:#DDDDDD;\n}"
                                         : row == 1 && column == 0 ? "QLabel {\nfont-size: 14px;\n}" : "";
            QCOMPARE(label->styleSheet(), sheet);
        }
    }

    void execIsModal()
    {
        QWidget owner;
        auto *dialog = new VoltageDescription(&owner);
        QWidget *modal = nullptr;
        QTimer::singleShot(0, dialog, [&] { modal = QApplication::activeModalWidget(); dialog->close(); });
        QTimer::singleShot(5000, dialog, &QDialog::reject); // fail rather than hang
        dialog->exec();
        QCOMPARE(modal, static_cast<QWidget *>(dialog));
        QVERIFY(!QApplication::activeModalWidget() && !dialog->isVisible());
    }
};

QTEST_MAIN(TestVoltageDescription)
#include "test_voltagedescription.moc"
