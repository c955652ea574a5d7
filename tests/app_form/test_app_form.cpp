// The main window's form as built, and what its constructor makes of it.
#include "test_environment.h"
#include "virtual_bridge.h"
#include "window_access.h"

#include <QtTest>

#include <memory>

using vistrel::virt::D2xxCall;
using vistrel::virt::Testbed;

namespace {

// Every object of the form, by class; each name occurs exactly once. A
// token "_N" stands for the last full name before it with "_N" appended.
const struct { const char *className, *names; } kObjects[] = {
    {"QWidget", "centralwidget widget_title widget_titlebutton widget _2 _3 _4 _5 _6 _7 _8 _9 _10 _11 _12 _13 _14 _15 "
                "_16 _17 _19 _20 _21 _22 _23 _24 _25 _26 _28 _32 _35 _36 _37 _38 _39 _42 _43 _50 _51"},
    {"QLabel", "videoShowlabel vddlabel vsslabel Vonlabel grayvhrlabel grayvlrlabel vofflabel _2 label _8 _9 _10 _11 "
               "_12 _13"},
    {"QPushButton", "pushButton_minimize pushButton_maxsize pushButton_close openButton pushButton_voltagedescription "
                    "pushButton_4 sendButton pushButton_brightness pushButton_chessboard pushButton_OpenFile_jpg "
                    "pushButton_OpenFile_mp4 startButton"},
    {"QLineEdit", "lineEdit_gamma lineEdit_voff lineEdit_vss lineEdit_von lineEdit_vdd lineEdit_grvl lineEdit_grvh "
                  "lineEdit_fps lineEdit_vbais"},
    {"QComboBox", "devicecomboBox"}, {"QRadioButton", "radioButton_gamma"}, {"QCheckBox", "loopcheckBox"},
    {"QGridLayout", "gridLayout _2"},
    {"QVBoxLayout", "verticalLayout _2 _4 _5 _6 _11 _12 _13 _14"},
    {"QHBoxLayout", "horizontalLayout _2 _3 _4 _5 _6 _7 _8 _9 _10 _11 _12 _13 _14 _15 _16 _17 _18 _19 _23 _24 _31 _33"},
};

// Texts exactly as shown (trailing blanks included) and placeholders.
const struct { const char *name, *text, *placeholder = ""; } kTexts[] = {
    {"label_13", "Vistrel   v1.0.0"}, {"label_8", "USB"}, {"openButton", "OPEN"}, {"label_10", "Setting"},
    {"radioButton_gamma", "Gamma"}, {"lineEdit_gamma", "2.2"}, {"vddlabel", "Vdd (V)  "}, {"grayvlrlabel", "Vh (V)   "},
    {"vsslabel", "Vss (V)   "}, {"grayvhrlabel", "Vl (V)    "}, {"Vonlabel", "Von (V)   "}, {"label_11", "FPS      "},
    {"vofflabel", "Voff (V)   "}, {"vofflabel_2", "Vbais "}, {"lineEdit_vdd", "2", "-10 to 10"},
    {"lineEdit_grvh", "5", "-10 to 10"}, {"lineEdit_vss", "-2", "-10 to 10"}, {"lineEdit_grvl", "0.00", "-10 to 10"},
    {"lineEdit_von", "12", "-20 to 20"}, {"lineEdit_voff", "-12", "-20 to 20"}, {"lineEdit_vbais", "0.00", "-10 to 10"},
    {"lineEdit_fps", "60"}, {"sendButton", "Set"}, {"label_9", "Function"}, {"pushButton_brightness", "All ON"},
    {"pushButton_chessboard", "Checker ON"}, {"label_12", "Display"}, {"pushButton_OpenFile_jpg", "OpenFile (jpeg)"},
    {"pushButton_OpenFile_mp4", "OpenFile (mp4)"}, {"startButton", "Start"}, {"loopcheckBox", "Loop Play"},
};

} // namespace

class TestAppForm : public QObject
{
    Q_OBJECT

    QMainWindow host;  // a bare window carrying the form as built
    std::unique_ptr<Vistrel> window;

private slots:
    void initTestCase() { Ui_Vistrel().setupUi(&host); }
    void init()
    {
        testenv::clearSettingsStore();
        Testbed::instance().reset();
    }
    void cleanup() { window.reset(); }

    void formAsBuilt()
    {
        for (const auto &group : kObjects) {
            QString base;
            for (const QString &token : QString::fromLatin1(group.names).split(QLatin1Char(' '))) {
                const QString name = token.startsWith(QLatin1Char('_')) ? base + token : (base = token);
                const QList<QObject *> found = host.findChildren<QObject *>(name);
                QVERIFY2(found.size() == 1, qPrintable(name));
                QCOMPARE(found.first()->metaObject()->className(), group.className);
            }
        }
        for (const auto &row : kTexts) {
            auto *object = host.findChild<QObject *>(QString::fromLatin1(row.name));
            QCOMPARE(object->property("text").toString(), QString::fromUtf8(row.text));
            if (auto *edit = qobject_cast<QLineEdit *>(object))
                QCOMPARE(edit->placeholderText(), QString::fromUtf8(row.placeholder));
        }
    }

    void shownWindow()
    {
        window = std::make_unique<Vistrel>();
        Ui_Vistrel &ui = VistrelInspector::ui(*window);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QCOMPARE(window->size(), QSize(1002, 554));
        for (QWidget *hidden : std::initializer_list<QWidget *>{ui.widget_39, ui.widget_4, ui.lineEdit_gamma})
            QVERIFY2(hidden->isHidden() && !hidden->isVisible(), qPrintable(hidden->objectName()));
        QCOMPARE(ui.widget_28->minimumSize(), QSize(450, 500));  // the preview frame
        QCOMPARE(ui.widget_3->minimumWidth(), 500);  // the body
        QCOMPARE(ui.centralwidget->minimumWidth(), 1000);
        window->resize(600, 300);  // the minimums hold against a smaller window
        QTRY_VERIFY(ui.widget_28->width() >= 450 && ui.widget_28->height() >= 500);
        QVERIFY(ui.widget_3->width() >= 500 && ui.centralwidget->width() >= 1000);
    }

    void validators_data()
    {
        QTest::addColumn<QStringList>("fields");  // all fields sharing the validator
        QTest::addColumn<QString>("text");
        QTest::addColumn<QValidator::State>("state");
        const auto ok = QValidator::Acceptable, partial = QValidator::Intermediate, no = QValidator::Invalid;
        const QStringList ten{"lineEdit_vdd", "lineEdit_vss", "lineEdit_vbais", "lineEdit_grvh", "lineEdit_grvl"};
        const QStringList twenty{"lineEdit_von", "lineEdit_voff"};
        const struct { const char *text; QValidator::State ten, twenty; } rows[] = {
            {"-9.75", ok, ok}, {"10", ok, ok}, {"-10", ok, ok}, {"7.", ok, ok}, {"-", partial, partial},
            {"", partial, partial}, {"10.5", no, ok}, {"11", no, ok}, {"20", no, ok}, {"-19.5", no, ok},
            {"05", no, ok}, {"+1", no, no}, {"20.5", no, no}, {"21", no, no}, {".5", no, no}, {"1,5", no, no},
            {"abc", no, no}, {"--1", no, no}, {" 1", no, no},
        };
        for (const auto &row : rows) {
            QTest::addRow("-10..10 '%s'", row.text) << ten << row.text << row.ten;
            QTest::addRow("-20..20 '%s'", row.text) << twenty << row.text << row.twenty;
        }
    }

    void validators()
    {
        QFETCH(QStringList, fields);
        QFETCH(QString, text);
        QFETCH(QValidator::State, state);
        window = std::make_unique<Vistrel>();
        for (const QString &field : fields) {
            auto *edit = window->findChild<QLineEdit *>(field);
            QVERIFY2(edit && edit->validator(), qPrintable(field));
            int position = text.size();
            QCOMPARE(edit->validator()->validate(text, position), state);
        }
    }

    // The default bridge set holds VPANEL01; further bridges are plugged after it.
    void startupListing_data()
    {
        QTest::addColumn<QStringList>("plugged");
        QTest::addColumn<int>("failingCall");  // -1: none
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("default bridge") << QStringList() << -1 << QStringList{"VPANEL01"};
        QTest::newRow("blank serial") << QStringList{"", "VPANEL02"} << -1 << QStringList{"VPANEL01", "", "VPANEL02"};
        QTest::newRow("count fails") << QStringList() << int(D2xxCall::CreateDeviceInfoList) << QStringList();
        QTest::newRow("list fails") << QStringList() << int(D2xxCall::GetDeviceInfoList) << QStringList();
    }

    void startupListing()
    {
        QFETCH(QStringList, plugged);
        QFETCH(int, failingCall);
        QFETCH(QStringList, expected);
        for (const QString &serial : plugged)
            Testbed::instance().plug(serial.toStdString());
        if (failingCall >= 0)
            Testbed::instance().failNext(static_cast<D2xxCall>(failingCall), 1, FT_IO_ERROR);
        window = std::make_unique<Vistrel>();
        QComboBox *combo = VistrelInspector::ui(*window).devicecomboBox;
        QStringList listed;
        for (int i = 0; i < combo->count(); ++i)
            listed << combo->itemText(i);
        QCOMPARE(listed, expected);
    }
};

QTEST_MAIN(TestAppForm)
#include "test_app_form.moc"
