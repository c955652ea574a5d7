// The main window's form as built, and what its constructor makes of it.
#include "test_environment.h"
#include "virtual_bridge.h"
#include "window_access.h"

#include <QProxyStyle>
#include <QStyleFactory>
#include <QtTest>

#include <memory>

using vistrel::virt::D2xxCall;
using vistrel::virt::Testbed;

namespace {

// Every object of the form, by class; each name occurs exactly once. A
// token "_N" stands for the last full name before it, less a number ending
// of its own, with "_N" appended.
const struct { const char *className, *names; } kObjects[] = {
    {"QWidget", "centralwidget widget_title widget_titlebutton widget _2 _3 _4 _5 _6 _7 _8 _9 _10 _11 _12 _13 _14 _15 "
                "_16 _17 _19 _20 _21 _22 _23 _24 _25 _26 _28 _32 _35 _36 _37 _38 _39 _42 _43 _50 _51"},
    {"QLabel", "videoShowlabel vddlabel vsslabel Vonlabel grayvhrlabel grayvlrlabel vofflabel _2 label _8 _9 _10 _11 "
               "_12 _13"},
    {"QPushButton", "pushButton_minimize pushButton_maxsize pushButton_close openButton pushButton_voltagedescription "
                    "pushButton_4 sendButton pushButton_brightness pushButton_chessboard pushButton_OpenFile_jpg "
                    "pushButton_OpenFile_mp4 startButton advancedButton"},
    {"QLineEdit", "lineEdit_gamma lineEdit_voff lineEdit_vss lineEdit_von lineEdit_vdd lineEdit_grvl lineEdit_grvh "
                  "lineEdit_fps lineEdit_vbais"},
    {"QComboBox", "devicecomboBox"}, {"QRadioButton", "radioButton_gamma"}, {"QCheckBox", "loopcheckBox"},
    {"QGridLayout", "gridLayout _2"},
    {"QVBoxLayout", "verticalLayout _2 _4 _5 _6 _11 _12 _13 _14"},
    {"QHBoxLayout", "horizontalLayout _2 _3 _4 _5 _6 _7 _8 _9 _10 _11 _12 _13 _14 _15 _16 _17 _18 _19 _23 _24 _31 _33"},
};

// Every layout's margins, left top right bottom; "d" is the style's default
// for that side. Names are abbreviated as in kObjects.
const struct { const char *margins, *layouts; } kMargins[] = {
    {"0 0 0 0", "verticalLayout _5 _11 _12 _13 horizontalLayout_4 _11 _13 _16 _17 _18"},
    {"4 0 0 0", "horizontalLayout_8"}, {"6 0 0 0", "horizontalLayout_19"}, {"2 2 2 2", "horizontalLayout_31"},
    {"4 4 4 4", "horizontalLayout_2 _7 verticalLayout_4"}, {"20 9 20 9", "horizontalLayout_10"},
    {"d d d d", "horizontalLayout_9 gridLayout"}, {"d 2 d 2", "horizontalLayout"},
    {"d 5 d 5", "verticalLayout_14 horizontalLayout_3 _5 _6 _12 _14 _15 _23 _24 _33"},
    {"d 0 d 0", "verticalLayout_2 _6"}, {"9 0 d 0", "gridLayout_2"},
};

// "name _2 name_5 _7" -> name, name_2, name_5, name_7.
QStringList expandNames(const char *names)
{
    QStringList out;
    QString base;
    for (const QString &token : QString::fromLatin1(names).split(QLatin1Char(' '))) {
        if (!token.startsWith(QLatin1Char('_')))
            base = QString(token).remove(QRegularExpression(QStringLiteral("_[0-9]+$")));
        out << (token.startsWith(QLatin1Char('_')) ? base + token : token);
    }
    return out;
}

// A default margin of its own on each side, so that no number written into
// the form can pass for it.
class SideMarginStyle : public QProxyStyle
{
public:
    static constexpr int kDefault[4] = {7, 8, 10, 11};
    SideMarginStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("fusion"))) {}
    int pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const override
    {
        const PixelMetric sides[4] = {PM_LayoutLeftMargin, PM_LayoutTopMargin, PM_LayoutRightMargin, PM_LayoutBottomMargin};
        for (int side = 0; side < 4; ++side)
            if (metric == sides[side])
                return kDefault[side];
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
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
            for (const QString &name : expandNames(group.names)) {
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

    void layoutMargins()
    {
        struct StyleSwap {  // the others keep the platform's style, even after a failure here
            const QString previous = QApplication::style()->objectName();
            StyleSwap() { QApplication::setStyle(new SideMarginStyle); }
            ~StyleSwap() { QApplication::setStyle(previous); }
        } swap;
        QMainWindow styled;
        Ui_Vistrel().setupUi(&styled);
        int checked = 0;
        for (const auto &row : kMargins) {
            const QStringList sides = QString::fromLatin1(row.margins).split(QLatin1Char(' '));
            QString expected;
            for (int side = 0; side < 4; ++side)
                expected += QString::number(sides[side] == "d" ? SideMarginStyle::kDefault[side] : sides[side].toInt()) + ' ';
            for (const QString &name : expandNames(row.layouts)) {
                const QLayout *layout = styled.findChild<QLayout *>(name);
                QVERIFY2(layout, qPrintable(name));
                const QMargins m = layout->contentsMargins();
                QCOMPARE(QString(name + ": %1 %2 %3 %4 ").arg(m.left()).arg(m.top()).arg(m.right()).arg(m.bottom()),
                         QString(name + ": " + expected));
                ++checked;
            }
        }
        QCOMPARE(checked, styled.findChildren<QLayout *>(QRegularExpression("^(horizontal|vertical|grid)Layout")).size());
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
