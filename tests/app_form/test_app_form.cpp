// The main window's form and what its constructor makes of it: every object
// in its place, the texts users and outside checks rely on, the field
// validators, the hidden rows and the first listing of the bridges.
#include "test_environment.h"
#include "virtual_bridge.h"
#include "vistrel_inspector.h"

#include <QGridLayout>
#include <QMenuBar>
#include <QRegularExpressionValidator>
#include <QStatusBar>
#include <QToolBar>
#include <QtTest>

#include <memory>
#include <string>

using vistrel::virt::D2xxCall;
using vistrel::virt::Testbed;

namespace {

struct FormObject {
    const char *name;
    const char *className;
    const char *parentName;
};

// The whole tree: each object with its class and the widget that owns it.
const FormObject kFormObjects[] = {
    {"centralwidget", "QWidget", "Vistrel"},
    {"verticalLayout", "QVBoxLayout", "centralwidget"},
    {"widget_title", "QWidget", "centralwidget"},
    {"horizontalLayout_8", "QHBoxLayout", "widget_title"},
    {"widget_20", "QWidget", "widget_title"},
    {"horizontalLayout_19", "QHBoxLayout", "widget_20"},
    {"label", "QLabel", "widget_20"},
    {"label_13", "QLabel", "widget_20"},
    {"widget_50", "QWidget", "widget_20"},
    {"horizontalLayout_31", "QHBoxLayout", "widget_50"},
    {"widget_titlebutton", "QWidget", "widget_title"},
    {"horizontalLayout_4", "QHBoxLayout", "widget_titlebutton"},
    {"widget_21", "QWidget", "widget_titlebutton"},
    {"horizontalLayout_16", "QHBoxLayout", "widget_21"},
    {"pushButton_minimize", "QPushButton", "widget_21"},
    {"widget_22", "QWidget", "widget_titlebutton"},
    {"horizontalLayout_17", "QHBoxLayout", "widget_22"},
    {"pushButton_maxsize", "QPushButton", "widget_22"},
    {"widget_23", "QWidget", "widget_titlebutton"},
    {"horizontalLayout_18", "QHBoxLayout", "widget_23"},
    {"pushButton_close", "QPushButton", "widget_23"},
    {"widget_3", "QWidget", "centralwidget"},
    {"horizontalLayout_2", "QHBoxLayout", "widget_3"},
    {"widget_9", "QWidget", "widget_3"},
    {"horizontalLayout_7", "QHBoxLayout", "widget_9"},
    {"widget_28", "QWidget", "widget_9"},
    {"horizontalLayout_9", "QHBoxLayout", "widget_28"},
    {"videoShowlabel", "QLabel", "widget_28"},
    {"widget", "QWidget", "widget_3"},
    {"verticalLayout_4", "QVBoxLayout", "widget"},
    {"widget_14", "QWidget", "widget"},
    {"verticalLayout_11", "QVBoxLayout", "widget_14"},
    {"label_8", "QLabel", "widget_14"},
    {"widget_25", "QWidget", "widget_14"},
    {"horizontalLayout_10", "QHBoxLayout", "widget_25"},
    {"devicecomboBox", "QComboBox", "widget_25"},
    {"widget_8", "QWidget", "widget_25"},
    {"openButton", "QPushButton", "widget_25"},
    {"widget_19", "QWidget", "widget"},
    {"verticalLayout_13", "QVBoxLayout", "widget_19"},
    {"widget_16", "QWidget", "widget_19"},
    {"horizontalLayout_11", "QHBoxLayout", "widget_16"},
    {"label_10", "QLabel", "widget_16"},
    {"pushButton_voltagedescription", "QPushButton", "widget_16"},
    {"widget_17", "QWidget", "widget_16"},
    {"widget_26", "QWidget", "widget_19"},
    {"verticalLayout_14", "QVBoxLayout", "widget_26"},
    {"widget_4", "QWidget", "widget_26"},
    {"horizontalLayout", "QHBoxLayout", "widget_4"},
    {"radioButton_gamma", "QRadioButton", "widget_4"},
    {"lineEdit_gamma", "QLineEdit", "widget_4"},
    {"widget_10", "QWidget", "widget_4"},
    {"pushButton_4", "QPushButton", "widget_4"},
    {"widget_2", "QWidget", "widget_26"},
    {"gridLayout", "QGridLayout", "widget_2"},
    {"widget_38", "QWidget", "widget_2"},
    {"horizontalLayout_14", "QHBoxLayout", "widget_38"},
    {"vofflabel", "QLabel", "widget_38"},
    {"lineEdit_voff", "QLineEdit", "widget_38"},
    {"widget_36", "QWidget", "widget_2"},
    {"horizontalLayout_6", "QHBoxLayout", "widget_36"},
    {"vsslabel", "QLabel", "widget_36"},
    {"lineEdit_vss", "QLineEdit", "widget_36"},
    {"widget_37", "QWidget", "widget_2"},
    {"horizontalLayout_5", "QHBoxLayout", "widget_37"},
    {"Vonlabel", "QLabel", "widget_37"},
    {"lineEdit_von", "QLineEdit", "widget_37"},
    {"widget_35", "QWidget", "widget_2"},
    {"horizontalLayout_12", "QHBoxLayout", "widget_35"},
    {"vddlabel", "QLabel", "widget_35"},
    {"lineEdit_vdd", "QLineEdit", "widget_35"},
    {"widget_42", "QWidget", "widget_2"},
    {"horizontalLayout_23", "QHBoxLayout", "widget_42"},
    {"grayvhrlabel", "QLabel", "widget_42"},
    {"lineEdit_grvl", "QLineEdit", "widget_42"},
    {"widget_43", "QWidget", "widget_2"},
    {"horizontalLayout_24", "QHBoxLayout", "widget_43"},
    {"grayvlrlabel", "QLabel", "widget_43"},
    {"lineEdit_grvh", "QLineEdit", "widget_43"},
    {"widget_32", "QWidget", "widget_2"},
    {"horizontalLayout_33", "QHBoxLayout", "widget_32"},
    {"label_11", "QLabel", "widget_32"},
    {"lineEdit_fps", "QLineEdit", "widget_32"},
    {"widget_39", "QWidget", "widget_2"},
    {"horizontalLayout_15", "QHBoxLayout", "widget_39"},
    {"vofflabel_2", "QLabel", "widget_39"},
    {"lineEdit_vbais", "QLineEdit", "widget_39"},
    {"widget_5", "QWidget", "widget_26"},
    {"horizontalLayout_3", "QHBoxLayout", "widget_5"},
    {"widget_6", "QWidget", "widget_5"},
    {"sendButton", "QPushButton", "widget_5"},
    {"widget_7", "QWidget", "widget_5"},
    {"widget_11", "QWidget", "widget"},
    {"horizontalLayout_13", "QHBoxLayout", "widget_11"},
    {"widget_15", "QWidget", "widget_11"},
    {"verticalLayout_12", "QVBoxLayout", "widget_15"},
    {"label_9", "QLabel", "widget_15"},
    {"widget_24", "QWidget", "widget_15"},
    {"verticalLayout_2", "QVBoxLayout", "widget_24"},
    {"pushButton_brightness", "QPushButton", "widget_24"},
    {"pushButton_chessboard", "QPushButton", "widget_24"},
    {"widget_51", "QWidget", "widget_11"},
    {"verticalLayout_5", "QVBoxLayout", "widget_51"},
    {"label_12", "QLabel", "widget_51"},
    {"widget_12", "QWidget", "widget_51"},
    {"gridLayout_2", "QGridLayout", "widget_12"},
    {"pushButton_OpenFile_jpg", "QPushButton", "widget_12"},
    {"pushButton_OpenFile_mp4", "QPushButton", "widget_12"},
    {"startButton", "QPushButton", "widget_12"},
    {"widget_13", "QWidget", "widget_12"},
    {"verticalLayout_6", "QVBoxLayout", "widget_13"},
    {"loopcheckBox", "QCheckBox", "widget_13"},
};

const int kDefault = -1;  // a margin or spacing the form leaves unset

QStringList comboEntries(const QComboBox *combo)
{
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

} // namespace

class TestAppForm : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void objectsInTheirPlaces_data();
    void objectsInTheirPlaces();
    void texts_data();
    void texts();
    void windowProperties();
    void valueCells_data();
    void valueCells();
    void displayGridPositions_data();
    void displayGridPositions();
    void sizeLimits_data();
    void sizeLimits();
    void layoutGeometry_data();
    void layoutGeometry();
    void fontsAndLooks();
    void styleSheetsParse();
    void paintedColours_data();
    void paintedColours();

    void restoredWindowKeepsMinimumSizes();
    void constructorSetsUpWidgets();
    void hiddenRows();
    void pollTimerRunsEverySecond();
    void validators_data();
    void validators();
    void validatorsBelongToTheWindow_data();
    void validatorsBelongToTheWindow();
    void startupListing_data();
    void startupListing();

private:
    std::unique_ptr<QMainWindow> host;  // a bare window carrying the form
    Ui_Vistrel form;
    std::unique_ptr<Vistrel> window;

    template <typename T = QObject>
    T *formObject(const QString &name)
    {
        return host->findChild<T *>(name);
    }
};

void TestAppForm::init()
{
    testenv::clearSettingsStore();
    qunsetenv("VISTREL_VIRTUAL_DEVICES");
    Testbed::instance().reset();
    host = std::make_unique<QMainWindow>();
    form.setupUi(host.get());
}

void TestAppForm::cleanup()
{
    window.reset();
    host.reset();
}

void TestAppForm::objectsInTheirPlaces_data()
{
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("parentName");
    for (const FormObject &object : kFormObjects)
        QTest::newRow(object.name) << object.className << object.parentName;
}

void TestAppForm::objectsInTheirPlaces()
{
    QFETCH(QString, className);
    QFETCH(QString, parentName);
    const QString name = QString::fromLatin1(QTest::currentDataTag());
    const QList<QObject *> found = host->findChildren<QObject *>(name);
    QCOMPARE(found.size(), 1);
    QCOMPARE(QString::fromLatin1(found.first()->metaObject()->className()), className);
    QVERIFY(found.first()->parent());
    QCOMPARE(found.first()->parent()->objectName(), parentName);
}

void TestAppForm::texts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("placeholder");
    const QString none;
    QTest::newRow("label_13") << "Vistrel   v1.0.0" << none;
    QTest::newRow("label_8") << "USB" << none;
    QTest::newRow("openButton") << "OPEN" << none;
    QTest::newRow("label_10") << "Setting" << none;
    QTest::newRow("radioButton_gamma") << "Gamma" << none;
    QTest::newRow("lineEdit_gamma") << "2.2" << none;
    QTest::newRow("vddlabel") << "Vdd (V)  " << none;
    QTest::newRow("grayvlrlabel") << "Vh (V)   " << none;
    QTest::newRow("vsslabel") << "Vss (V)   " << none;
    QTest::newRow("grayvhrlabel") << "Vl (V)    " << none;
    QTest::newRow("Vonlabel") << "Von (V)   " << none;
    QTest::newRow("label_11") << "FPS      " << none;
    QTest::newRow("vofflabel") << "Voff (V)   " << none;
    QTest::newRow("vofflabel_2") << "Vbais " << none;
    QTest::newRow("lineEdit_vdd") << "2" << "-10 to 10";
    QTest::newRow("lineEdit_grvh") << "5" << "-10 to 10";
    QTest::newRow("lineEdit_vss") << "-2" << "-10 to 10";
    QTest::newRow("lineEdit_grvl") << "0.00" << "-10 to 10";
    QTest::newRow("lineEdit_von") << "12" << "-20 to 20";
    QTest::newRow("lineEdit_fps") << "60" << none;
    QTest::newRow("lineEdit_voff") << "-12" << "-20 to 20";
    QTest::newRow("lineEdit_vbais") << "0.00" << "-10 to 10";
    QTest::newRow("sendButton") << "Set" << none;
    QTest::newRow("label_9") << "Function" << none;
    QTest::newRow("pushButton_brightness") << "All ON" << none;
    QTest::newRow("pushButton_chessboard") << "Checker ON" << none;
    QTest::newRow("label_12") << "Display" << none;
    QTest::newRow("pushButton_OpenFile_jpg") << "OpenFile (jpeg)" << none;
    QTest::newRow("pushButton_OpenFile_mp4") << "OpenFile (mp4)" << none;
    QTest::newRow("startButton") << "Start" << none;
    QTest::newRow("loopcheckBox") << "Loop Play" << none;
    for (const char *blank : {"label", "videoShowlabel", "pushButton_minimize", "pushButton_maxsize",
                              "pushButton_close", "pushButton_voltagedescription", "pushButton_4"})
        QTest::newRow(blank) << none << none;
}

void TestAppForm::texts()
{
    QFETCH(QString, text);
    QFETCH(QString, placeholder);
    QObject *object = formObject(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(object);
    QCOMPARE(object->property("text").toString(), text);
    if (auto *edit = qobject_cast<QLineEdit *>(object))
        QCOMPARE(edit->placeholderText(), placeholder);
}

void TestAppForm::windowProperties()
{
    QCOMPARE(host->objectName(), QStringLiteral("Vistrel"));
    QCOMPARE(host->windowTitle(), QStringLiteral("Vistrel"));
    QCOMPARE(host->size(), QSize(1002, 554));
    QCOMPARE(host->minimumSize(), QSize(0, 0));
    QCOMPARE(host->maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    QCOMPARE(host->styleSheet(), QStringLiteral("font-family: 'Arial';"));
    QCOMPARE(host->centralWidget(), form.centralwidget);
    QVERIFY(!host->findChild<QMenuBar *>());
    QVERIFY(!host->findChild<QStatusBar *>());
    QVERIFY(!host->findChild<QToolBar *>());
    QCOMPARE(form.pushButton_maxsize->styleSheet(),
             QStringLiteral("QPushButton { \nborder-image: url(:/Image/image_resource/Maximize-1.png);\nmargin:7px;\n}\n"));
    QCOMPARE(form.label->styleSheet(), QStringLiteral("border-image:url(:/Image/image_resource/LogoRound.png)"));
    QCOMPARE(form.label_13->styleSheet(), QStringLiteral("color:white;"));
    QVERIFY(form.startButton->styleSheet().isEmpty());
    QVERIFY(form.grayvhrlabel->styleSheet().isEmpty());
    QVERIFY(form.lineEdit_fps->inputMask().isEmpty());
    QCOMPARE(form.devicecomboBox->focusPolicy(), Qt::NoFocus);
    QVERIFY(!form.devicecomboBox->isEditable());
}

void TestAppForm::valueCells_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("labelMinWidth");
    QTest::addColumn<QString>("edit");
    QTest::addColumn<int>("editMinHeight");
    QTest::addColumn<int>("editMaxHeight");
    const int unbounded = QWIDGETSIZE_MAX;
    QTest::newRow("widget_35") << 0 << 0 << "vddlabel" << 0 << "lineEdit_vdd" << 22 << 21;
    QTest::newRow("widget_43") << 0 << 1 << "grayvlrlabel" << 30 << "lineEdit_grvh" << 0 << 22;
    QTest::newRow("widget_36") << 1 << 0 << "vsslabel" << 0 << "lineEdit_vss" << 22 << 22;
    QTest::newRow("widget_42") << 1 << 1 << "grayvhrlabel" << 30 << "lineEdit_grvl" << 22 << 22;
    QTest::newRow("widget_37") << 2 << 0 << "Vonlabel" << 0 << "lineEdit_von" << 22 << 21;
    QTest::newRow("widget_32") << 2 << 1 << "label_11" << 30 << "lineEdit_fps" << 0 << unbounded;
    QTest::newRow("widget_38") << 3 << 0 << "vofflabel" << 0 << "lineEdit_voff" << 22 << 21;
    QTest::newRow("widget_39") << 3 << 1 << "vofflabel_2" << 30 << "lineEdit_vbais" << 22 << 21;
}

void TestAppForm::valueCells()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, label);
    QFETCH(int, labelMinWidth);
    QFETCH(QString, edit);
    QFETCH(int, editMinHeight);
    QFETCH(int, editMaxHeight);
    auto *cell = formObject<QWidget>(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(cell);
    QCOMPARE(form.gridLayout->itemAtPosition(row, column)->widget(), cell);
    QCOMPARE(cell->maximumHeight(), 32);

    QLayout *cellLayout = cell->layout();
    QVERIFY(qobject_cast<QHBoxLayout *>(cellLayout));
    QCOMPARE(cellLayout->count(), 2);
    QCOMPARE(cellLayout->itemAt(0)->widget()->objectName(), label);
    QCOMPARE(cellLayout->itemAt(1)->widget()->objectName(), edit);
    QCOMPARE(cellLayout->contentsMargins().top(), 5);
    QCOMPARE(cellLayout->contentsMargins().bottom(), 5);
    QCOMPARE(cellLayout->itemAt(0)->widget()->minimumWidth(), labelMinWidth);
    QCOMPARE(cellLayout->itemAt(1)->widget()->minimumHeight(), editMinHeight);
    QCOMPARE(cellLayout->itemAt(1)->widget()->maximumHeight(), editMaxHeight);
}

void TestAppForm::displayGridPositions_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::newRow("pushButton_OpenFile_jpg") << 0 << 1;
    QTest::newRow("pushButton_OpenFile_mp4") << 1 << 1;
    QTest::newRow("startButton") << 1 << 2;
    QTest::newRow("widget_13") << 0 << 2;
}

void TestAppForm::displayGridPositions()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QLayoutItem *item = form.gridLayout_2->itemAtPosition(row, column);
    QVERIFY(item);
    QCOMPARE(item->widget()->objectName(), QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(!form.gridLayout_2->itemAtPosition(0, 0));
    QVERIFY(!form.gridLayout_2->itemAtPosition(1, 0));
}

void TestAppForm::sizeLimits_data()
{
    QTest::addColumn<QSize>("minimum");
    QTest::addColumn<QSize>("maximum");
    const int max = QWIDGETSIZE_MAX;
    QTest::newRow("centralwidget") << QSize(1000, 0) << QSize(max, max);
    QTest::newRow("widget_title") << QSize(0, 30) << QSize(max, 30);
    QTest::newRow("widget_20") << QSize(0, 30) << QSize(max, max);
    QTest::newRow("label") << QSize(0, 0) << QSize(16, 16);
    QTest::newRow("widget_50") << QSize(30, 0) << QSize(60, max);
    QTest::newRow("widget_titlebutton") << QSize(90, 30) << QSize(90, 30);
    for (const char *fixed : {"widget_21", "widget_22", "widget_23", "pushButton_minimize", "pushButton_maxsize",
                              "pushButton_close"})
        QTest::newRow(fixed) << QSize(30, 30) << QSize(30, 30);
    QTest::newRow("widget_3") << QSize(500, 0) << QSize(max, max);
    QTest::newRow("widget_28") << QSize(450, 500) << QSize(900, 1000);
    QTest::newRow("videoShowlabel") << QSize(0, 0) << QSize(max, max);
    QTest::newRow("widget") << QSize(0, 0) << QSize(max, max);
    QTest::newRow("widget_14") << QSize(0, 0) << QSize(max, 81);
    QTest::newRow("label_8") << QSize(0, 0) << QSize(max, 28);
    QTest::newRow("devicecomboBox") << QSize(120, 24) << QSize(max, max);
    QTest::newRow("openButton") << QSize(0, 24) << QSize(max, max);
    QTest::newRow("widget_19") << QSize(0, 0) << QSize(max, 320);
    QTest::newRow("label_10") << QSize(0, 24) << QSize(max, 26);
    QTest::newRow("pushButton_voltagedescription") << QSize(0, 0) << QSize(14, 14);
    QTest::newRow("widget_17") << QSize(0, 0) << QSize(20, max);
    QTest::newRow("widget_4") << QSize(0, 32) << QSize(max, 32);
    QTest::newRow("lineEdit_gamma") << QSize(0, 0) << QSize(max, max);
    QTest::newRow("pushButton_4") << QSize(0, 0) << QSize(16, 16);
    QTest::newRow("sendButton") << QSize(0, 24) << QSize(max, max);
    QTest::newRow("label_9") << QSize(0, 0) << QSize(max, 28);
    QTest::newRow("label_12") << QSize(0, 0) << QSize(max, 28);
    for (const char *action : {"pushButton_brightness", "pushButton_chessboard", "pushButton_OpenFile_jpg",
                               "pushButton_OpenFile_mp4", "startButton"})
        QTest::newRow(action) << QSize(0, 24) << QSize(max, max);
}

void TestAppForm::sizeLimits()
{
    QFETCH(QSize, minimum);
    QFETCH(QSize, maximum);
    auto *widget = formObject<QWidget>(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(widget);
    QCOMPARE(widget->minimumSize(), minimum);
    QCOMPARE(widget->maximumSize(), maximum);
}

void TestAppForm::layoutGeometry_data()
{
    QTest::addColumn<QList<int>>("margins");  // left, top, right, bottom
    QTest::addColumn<int>("spacing");
    QTest::addColumn<QList<int>>("stretch");
    const int d = kDefault;
    const QList<int> zero{0, 0, 0, 0};
    const QList<int> noStretch;
    QTest::newRow("verticalLayout") << zero << 0 << noStretch;
    QTest::newRow("horizontalLayout_8") << QList<int>{4, 0, 0, 0} << d << noStretch;
    QTest::newRow("horizontalLayout_19") << QList<int>{6, 0, 0, 0} << 0 << noStretch;
    QTest::newRow("horizontalLayout_31") << QList<int>{2, 2, 2, 2} << d << noStretch;
    QTest::newRow("horizontalLayout_4") << zero << 0 << QList<int>{0, 0, 1};
    QTest::newRow("horizontalLayout_16") << zero << 0 << noStretch;
    QTest::newRow("horizontalLayout_17") << zero << 0 << noStretch;
    QTest::newRow("horizontalLayout_18") << zero << 0 << noStretch;
    QTest::newRow("horizontalLayout_2") << QList<int>{4, 4, 4, 4} << 2 << QList<int>{1, 1};
    QTest::newRow("horizontalLayout_7") << QList<int>{4, 4, 4, 4} << 4 << noStretch;
    QTest::newRow("verticalLayout_4") << QList<int>{4, 4, 4, 4} << 9 << noStretch;
    QTest::newRow("verticalLayout_11") << zero << 0 << noStretch;
    QTest::newRow("horizontalLayout_10") << QList<int>{20, 9, 20, 9} << 50 << QList<int>{2, 1, 2};
    QTest::newRow("verticalLayout_13") << zero << 0 << noStretch;
    QTest::newRow("horizontalLayout_11") << zero << d << noStretch;
    QTest::newRow("verticalLayout_14") << QList<int>{d, 5, d, 5} << 0 << noStretch;
    QTest::newRow("horizontalLayout") << QList<int>{d, 2, d, 2} << d << QList<int>{1, 1, 1, 1};
    QTest::newRow("horizontalLayout_3") << QList<int>{d, 5, d, 5} << d << noStretch;
    QTest::newRow("horizontalLayout_13") << zero << d << QList<int>{1, 2};
    QTest::newRow("verticalLayout_12") << zero << 0 << noStretch;
    QTest::newRow("verticalLayout_2") << QList<int>{d, 0, d, 0} << d << noStretch;
    QTest::newRow("verticalLayout_5") << zero << 0 << noStretch;
    QTest::newRow("gridLayout_2") << QList<int>{9, 0, d, 0} << d << noStretch;
    QTest::newRow("verticalLayout_6") << QList<int>{d, 0, d, 0} << d << noStretch;
}

void TestAppForm::layoutGeometry()
{
    QFETCH(QList<int>, margins);
    QFETCH(int, spacing);
    QFETCH(QList<int>, stretch);
    auto *layout = formObject<QLayout>(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(layout);
    QWidget *owner = layout->parentWidget();
    QVERIFY(owner);
    const QMargins actual = layout->contentsMargins();
    const int actualSides[] = {actual.left(), actual.top(), actual.right(), actual.bottom()};
    for (int side = 0; side < 4; ++side) {
        if (margins[side] != kDefault)
            QCOMPARE(actualSides[side], margins[side]);
    }
    if (spacing != kDefault) {
        if (auto *grid = qobject_cast<QGridLayout *>(layout)) {
            QCOMPARE(grid->horizontalSpacing(), spacing);
            QCOMPARE(grid->verticalSpacing(), spacing);
        } else {
            QCOMPARE(layout->spacing(), spacing);
        }
    }
    if (auto *box = qobject_cast<QBoxLayout *>(layout)) {
        for (int i = 0; i < box->count(); ++i)
            QCOMPARE(box->stretch(i), i < stretch.size() ? stretch[i] : 0);
    }
}

void TestAppForm::fontsAndLooks()
{
    for (QLabel *label : {form.label_13, form.label_8, form.label_10, form.label_9, form.label_12})
        QCOMPARE(label->font().family(), QStringLiteral("Arial"));
    QCOMPARE(form.label_8->font().weight(), 50);
    QCOMPARE(form.label_13->margin(), 5);
    QCOMPARE(form.gridLayout_2->horizontalSpacing(), 9);
    QCOMPARE(form.gridLayout_2->verticalSpacing(), 6);
    QVERIFY(form.widget_50->layout());
    QCOMPARE(form.widget_50->layout()->count(), 0);
}

// A rule the style-sheet parser cannot read is dropped with a warning and
// the widget silently loses its look.
void TestAppForm::styleSheetsParse()
{
    static QStringList parseWarnings;
    parseWarnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext &, const QString &message) {
            if (type == QtWarningMsg && message.contains(QLatin1String("parse")))
                parseWarnings << message;
        });
    {
        QMainWindow fresh;  // the sheets are parsed as setupUi sets them
        Ui_Vistrel freshForm;
        freshForm.setupUi(&fresh);
        fresh.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fresh));
        for (QWidget *widget : fresh.findChildren<QWidget *>())
            widget->ensurePolished();
        fresh.grab();
    }
    qInstallMessageHandler(previous);
    QVERIFY2(parseWarnings.isEmpty(), qPrintable(parseWarnings.join(QLatin1Char('\n'))));
}

void TestAppForm::paintedColours_data()
{
    QTest::addColumn<QString>("widget");
    QTest::addColumn<QPoint>("spot");  // away from borders, text and children
    QTest::addColumn<QColor>("colour");
    const QColor gold(0x89, 0x68, 0x27);
    QTest::newRow("title bar") << "widget_title" << QPoint(300, 15) << gold;
    QTest::newRow("USB header") << "label_8" << QPoint(200, 5) << gold;
    QTest::newRow("Setting header strip") << "widget_16" << QPoint(200, 5) << gold;
    QTest::newRow("value cell") << "widget_35" << QPoint(3, 10) << QColor(Qt::white);
}

void TestAppForm::paintedColours()
{
    QFETCH(QString, widget);
    QFETCH(QPoint, spot);
    QFETCH(QColor, colour);
    host->show();
    QVERIFY(QTest::qWaitForWindowExposed(host.get()));
    auto *target = formObject<QWidget>(widget);
    QVERIFY(target);
    const QImage image = target->grab().toImage();
    QVERIFY(image.rect().contains(spot));
    QCOMPARE(QColor(image.pixel(spot)).name(), colour.name());
}

void TestAppForm::restoredWindowKeepsMinimumSizes()
{
    window = std::make_unique<Vistrel>();
    Ui_Vistrel &ui = VistrelInspector::ui(*window);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QCOMPARE(window->size(), QSize(1002, 554));
    QTRY_VERIFY(ui.widget_28->width() >= 450);
    QVERIFY(ui.widget_28->height() >= 500);
    QVERIFY(ui.widget_3->width() >= 500);
    QVERIFY(ui.centralwidget->width() >= 1000);

    window->resize(600, 300);
    QCoreApplication::processEvents();
    QVERIFY(ui.centralwidget->width() >= 1000);
    QVERIFY(ui.widget_28->width() >= 450);
}

void TestAppForm::constructorSetsUpWidgets()
{
    window = std::make_unique<Vistrel>();
    Ui_Vistrel &ui = VistrelInspector::ui(*window);
    QCOMPARE(window->objectName(), QStringLiteral("Vistrel"));
    QCOMPARE(window->centralWidget(), ui.centralwidget);
    QVERIFY(ui.devicecomboBox->isEnabled());
    QCOMPARE(ui.videoShowlabel->alignment(), Qt::AlignCenter);
    QCOMPARE(VistrelInspector::previewSize(*window), cv::Size(360, 200));
    QCOMPARE(VistrelInspector::gamma(*window), 2.2);
    QVERIFY(!VistrelInspector::deviceOpen(*window));
    QVERIFY(!VistrelInspector::ftHandle(*window));
    QVERIFY(!VistrelInspector::videoThread(*window));
    QVERIFY(VistrelInspector::mediaPath(*window).isEmpty());
    QVERIFY(VistrelInspector::stillImage(*window).empty());
    QVERIFY(!VistrelInspector::allOnActive(*window) && !VistrelInspector::checkerActive(*window));
    QVERIFY(!VistrelInspector::stillImageMode(*window));
    QCOMPARE(VistrelInspector::scanLead(*window), 0);
    QCOMPARE(VistrelInspector::scanTail(*window), 0);
}

void TestAppForm::hiddenRows()
{
    window = std::make_unique<Vistrel>();
    Ui_Vistrel &ui = VistrelInspector::ui(*window);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    for (QWidget *hidden : {static_cast<QWidget *>(ui.widget_39), static_cast<QWidget *>(ui.widget_4),
                            static_cast<QWidget *>(ui.lineEdit_gamma)}) {
        QVERIFY2(hidden->isHidden(), qPrintable(hidden->objectName()));
        QVERIFY(!hidden->isVisible());
    }
    // Hidden with their cell only: the Vbias field and the gamma button
    // themselves are not hidden, so showing the row brings them back.
    QVERIFY(!ui.lineEdit_vbais->isHidden());
    QVERIFY(!ui.radioButton_gamma->isHidden());
    for (QWidget *shown : {static_cast<QWidget *>(ui.widget_38), static_cast<QWidget *>(ui.lineEdit_fps),
                           static_cast<QWidget *>(ui.sendButton), static_cast<QWidget *>(ui.devicecomboBox)})
        QVERIFY2(shown->isVisible(), qPrintable(shown->objectName()));
}

void TestAppForm::pollTimerRunsEverySecond()
{
    window = std::make_unique<Vistrel>();
    QTimer *timer = VistrelInspector::pollTimer(*window);
    QVERIFY(timer);
    QCOMPARE(timer->parent(), window.get());
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 1000);
    QVERIFY(!timer->isSingleShot());
}

void TestAppForm::validators_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QValidator::State>("state");
    const auto ok = QValidator::Acceptable;
    const auto partial = QValidator::Intermediate;
    const auto refused = QValidator::Invalid;
    const struct {
        const char *text;
        QValidator::State ten;
        QValidator::State twenty;
    } rows[] = {
        {"-9.75", ok, ok},       {"10", ok, ok},        {"-10", ok, ok},       {"0", ok, ok},
        {"7.", ok, ok},          {"10.5", refused, ok}, {"11", refused, ok},   {"+1", refused, refused},
        {"-", partial, partial}, {"", partial, partial}, {"20", refused, ok},   {"-19.5", refused, ok},
        {"-20", refused, ok},    {"05", refused, ok},   {"20.5", refused, refused}, {"21", refused, refused},
        {"100", refused, refused}, {".5", refused, refused}, {"1.25.3", refused, refused},
        {"1,5", refused, refused}, {"abc", refused, refused}, {"--1", refused, refused}, {" 1", refused, refused},
    };
    for (const auto &row : rows) {
        QTest::addRow("Vdd '%s'", row.text) << "lineEdit_vdd" << row.text << row.ten;
        QTest::addRow("Von '%s'", row.text) << "lineEdit_von" << row.text << row.twenty;
    }
}

void TestAppForm::validators()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QValidator::State, state);
    window = std::make_unique<Vistrel>();
    auto *edit = window->findChild<QLineEdit *>(field);
    QVERIFY(edit && edit->validator());
    int position = text.size();
    QCOMPARE(edit->validator()->validate(text, position), state);
}

void TestAppForm::validatorsBelongToTheWindow_data()
{
    QTest::addColumn<QString>("pattern");
    const QString ten = QStringLiteral("^(-?(10|[0-9](\\.[0-9]*)?))$");
    const QString twenty = QStringLiteral("^-?(20|([0-1]?[0-9](\\.[0-9]*)?))$");
    for (const char *field : {"lineEdit_vdd", "lineEdit_vss", "lineEdit_vbais", "lineEdit_grvh", "lineEdit_grvl"})
        QTest::newRow(field) << ten;
    for (const char *field : {"lineEdit_von", "lineEdit_voff"})
        QTest::newRow(field) << twenty;
}

void TestAppForm::validatorsBelongToTheWindow()
{
    QFETCH(QString, pattern);
    window = std::make_unique<Vistrel>();
    auto *edit = window->findChild<QLineEdit *>(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(edit);
    auto *validator = qobject_cast<const QRegularExpressionValidator *>(edit->validator());
    QVERIFY(validator);
    QCOMPARE(validator->regularExpression().pattern(), pattern);
    QCOMPARE(validator->regularExpression().patternOptions(), QRegularExpression::NoPatternOption);
    QCOMPARE(validator->parent(), window.get());
    // One validator per range, shared by its fields.
    QCOMPARE(window->findChildren<QRegularExpressionValidator *>(QString(), Qt::FindDirectChildrenOnly).size(), 2);
}

void TestAppForm::startupListing_data()
{
    QTest::addColumn<QByteArray>("devicesVariable");  // "unset" leaves it out
    QTest::addColumn<QStringList>("plugAfterwards");
    QTest::addColumn<int>("failingCall");  // -1: none
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<FT_STATUS>("status");
    const int none = -1;
    QTest::newRow("default bridge") << QByteArray("unset") << QStringList() << none
                                    << QStringList{"VPANEL01"} << FT_STATUS(FT_OK);
    QTest::newRow("two bridges in plug order") << QByteArray("VPANEL07,VPANEL03") << QStringList() << none
                                               << QStringList{"VPANEL07", "VPANEL03"} << FT_STATUS(FT_OK);
    QTest::newRow("no bridge") << QByteArray("") << QStringList() << none << QStringList() << FT_STATUS(FT_OK);
    QTest::newRow("blank serial") << QByteArray("") << QStringList{""} << none << QStringList{""}
                                  << FT_STATUS(FT_OK);
    QTest::newRow("blank serial between two") << QByteArray("VPANEL01") << QStringList{"", "VPANEL02"} << none
                                              << QStringList{"VPANEL01", "", "VPANEL02"} << FT_STATUS(FT_OK);
    QTest::newRow("count fails") << QByteArray("VPANEL01") << QStringList() << int(D2xxCall::CreateDeviceInfoList)
                                 << QStringList() << FT_STATUS(FT_IO_ERROR);
    QTest::newRow("list fails") << QByteArray("VPANEL01") << QStringList() << int(D2xxCall::GetDeviceInfoList)
                                << QStringList() << FT_STATUS(FT_IO_ERROR);
}

void TestAppForm::startupListing()
{
    QFETCH(QByteArray, devicesVariable);
    QFETCH(QStringList, plugAfterwards);
    QFETCH(int, failingCall);
    QFETCH(QStringList, expected);
    QFETCH(FT_STATUS, status);
    if (devicesVariable == "unset")
        qunsetenv("VISTREL_VIRTUAL_DEVICES");
    else
        qputenv("VISTREL_VIRTUAL_DEVICES", devicesVariable);
    Testbed &bed = Testbed::instance();
    bed.reset();
    for (const QString &serial : plugAfterwards)
        bed.plug(serial.toStdString());
    if (failingCall >= 0)
        bed.failNext(static_cast<D2xxCall>(failingCall), 1, FT_IO_ERROR);

    window = std::make_unique<Vistrel>();
    QCOMPARE(comboEntries(VistrelInspector::ui(*window).devicecomboBox), expected);
    QCOMPARE(VistrelInspector::ftStatus(*window), status);
    qunsetenv("VISTREL_VIRTUAL_DEVICES");
}

QTEST_MAIN(TestAppForm)
#include "test_app_form.moc"
