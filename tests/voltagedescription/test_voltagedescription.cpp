// VoltageDescription: the help table's texts, shading, sizes, fonts and
// alignment, and that it runs modally.
#include "voltagedescription.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTextDocument>
#include <QTimer>
#include <QtTest>

namespace {

const QString kPlainSheet = QStringLiteral("QLabel {\nfont-size: 14px;\n}");
const QString kShadedSheet = QStringLiteral("QLabel {\nfont-size: 14px;\nbackground:#DDDDDD;\n}");

} // namespace

class TestVoltageDescription : public QObject
{
    Q_OBJECT

private slots:
    void window();
    void cells_data();
    void cells();
    void noOtherLabels();
    void richTextCellShowsTwoLines();
    void execIsModal();
};

void TestVoltageDescription::window()
{
    QWidget owner;
    VoltageDescription dialog(&owner);
    QCOMPARE(dialog.objectName(), QStringLiteral("VoltageDescription"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("VoltageDescription"));
    QCOMPARE(dialog.size(), QSize(1019, 479));
    QCOMPARE(dialog.parentWidget(), &owner);
    QVERIFY(dialog.findChildren<QPushButton *>().isEmpty()); // nothing to press

    auto *table = dialog.findChild<QWidget *>(QStringLiteral("widget"));
    QVERIFY(table);
    QCOMPARE(table->minimumHeight(), 300);
    QCOMPARE(table->styleSheet(), kPlainSheet);
    auto *grid = qobject_cast<QGridLayout *>(table->layout());
    QVERIFY(grid);
    QCOMPARE(grid->objectName(), QStringLiteral("gridLayout"));
    QCOMPARE(grid->spacing(), 0);
    QCOMPARE(grid->contentsMargins(), QMargins(1, 1, 1, 1));
    QCOMPARE(grid->rowCount(), 7);
    QCOMPARE(grid->columnCount(), 3);

    auto *outer = dialog.findChild<QWidget *>(QStringLiteral("widget_5"));
    QVERIFY(outer && outer->layout());
    QCOMPARE(outer->layout()->objectName(), QStringLiteral("horizontalLayout_2"));
    QCOMPARE(outer->layout()->contentsMargins(), QMargins(2, 0, 2, 0));
    QCOMPARE(dialog.layout()->objectName(), QStringLiteral("horizontalLayout"));
}

void TestVoltageDescription::cells_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("sheet");
    QTest::addColumn<int>("minimumHeight");

    const QString plain = kPlainSheet;
    const QString shaded = kShadedSheet;
    const QString none;
    const struct Cell {
        const char *name;
        int row, column;
        const char *text;
        QString sheet;
        int minimumHeight;
    } cells[] = {
        {"label", 0, 0, "  Voltage    ", shaded, 0},
        {"label_2", 0, 1, "Function", shaded, 0},
        {"label_3", 0, 2, "Suggest", shaded, 30},
        {"label_4", 1, 0, "Vdd", plain, 60},
        {"label_5", 1, 1, "Bias voltage applied on the PD", none, 60},
        {"label_6", 1, 2, "Range is from -10V to 10V and 2V is recommended for initial setting. ", none, 60},
        {"label_7", 2, 0, "Vss", shaded, 30},
        {"label_8", 2, 1, "<html><head/><body><p>Bias voltage applied on the common</p>"
                          "<p>electrode of PD</p></body></html>", shaded, 30},
        {"label_13", 2, 2, "Range is from -10V to 10V and -2V is recommended for initial setting. ", shaded, 30},
        {"label_9", 3, 0, "Vh", none, 60},
        {"label_14", 3, 1, "Data voltage for gray level 255", none, 60},
        {"label_15", 3, 2, "Range is from -10V to 10V and 6V is recommended for initial setting. ", none, 60},
        {"label_10", 4, 0, "Vl", shaded, 60},
        {"label_16", 4, 1, "Data voltage for gray level 0", shaded, 60},
        {"label_17", 4, 2, "Range is from -10V to 10V and 0V is recommended for initial setting. ", shaded, 60},
        {"label_11", 5, 0, "Von", none, 30},
        {"label_18", 5, 1, "Select voltage of TFT\uFF08Scan\uFF09", none, 30},
        {"label_20", 5, 2, "Range is from -20V to 20V and 12V is recommended for initial setting.", none, 30},
        {"label_12", 6, 0, "Voff", shaded, 30},
        {"label_19", 6, 1, "Non-select voltage of TFT\uFF08Scan\uFF09", shaded, 30},
        {"label_21", 6, 2, "Range is from -20V to -20V and -12V is recommended for initial setting.", shaded, 30},
    };
    for (const Cell &cell : cells) {
        QTest::newRow(cell.name) << QString::fromLatin1(cell.name) << cell.row << cell.column
                                 << QString::fromUtf8(cell.text) << cell.sheet << cell.minimumHeight;
    }
}

void TestVoltageDescription::cells()
{
    QFETCH(QString, name);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, text);
    QFETCH(QString, sheet);
    QFETCH(int, minimumHeight);

    VoltageDescription dialog;
    auto *label = dialog.findChild<QLabel *>(name);
    QVERIFY2(label, qPrintable(name));
    QCOMPARE(label->text(), text);
    QCOMPARE(label->styleSheet(), sheet);
    QCOMPARE(label->minimumHeight(), minimumHeight);

    auto *grid = dialog.findChild<QGridLayout *>(QStringLiteral("gridLayout"));
    QVERIFY(grid);
    const int index = grid->indexOf(label);
    QVERIFY(index >= 0);
    int r = -1, c = -1, rowSpan = 0, columnSpan = 0;
    grid->getItemPosition(index, &r, &c, &rowSpan, &columnSpan);
    QCOMPARE(r, row);
    QCOMPARE(c, column);

    const bool header = row == 0;
    const bool centred = header || column == 0;
    const Qt::Alignment expectedAlignment =
        centred ? Qt::Alignment(Qt::AlignCenter) : Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter);
    QCOMPARE(label->alignment(), expectedAlignment);
    QCOMPARE(label->font().bold(), header);
    QCOMPARE(label->font().weight() == QFont::Bold, header);
}

void TestVoltageDescription::noOtherLabels()
{
    VoltageDescription dialog;
    QCOMPARE(dialog.findChildren<QLabel *>().size(), 21);
}

void TestVoltageDescription::richTextCellShowsTwoLines()
{
    VoltageDescription dialog;
    auto *label = dialog.findChild<QLabel *>(QStringLiteral("label_8"));
    QVERIFY(label);
    QVERIFY(Qt::mightBeRichText(label->text()));
    QTextDocument document;
    document.setHtml(label->text());
    QCOMPARE(document.toPlainText(),
             QStringLiteral("Bias voltage applied on the common\nelectrode of PD"));
}

void TestVoltageDescription::execIsModal()
{
    QWidget owner;
    owner.show();
    auto *dialog = new VoltageDescription(&owner);

    QWidget *seenModal = nullptr;
    Qt::WindowModality seenModality = Qt::NonModal;
    QTimer::singleShot(0, this, [&] {
        seenModal = QApplication::activeModalWidget();
        seenModality = dialog->windowModality();
        dialog->close();
    });
    // A watchdog so a dialog that does not close fails instead of hanging.
    QTimer::singleShot(5000, dialog, &QDialog::reject);

    dialog->exec();
    QCOMPARE(seenModal, static_cast<QWidget *>(dialog));
    QCOMPARE(seenModality, Qt::ApplicationModal);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(QApplication::activeModalWidget(), static_cast<QWidget *>(nullptr));
    // Closing does not delete it: it stays a hidden child of its owner.
    QCOMPARE(owner.findChildren<VoltageDescription *>().size(), 1);
}

QTEST_MAIN(TestVoltageDescription)
#include "test_voltagedescription.moc"
