// What the main window's constructor makes of its form: size, the hidden gamma field,
// validators (the frame-rate field's corrections: tests/drive_settings; the first listing:
// tests/link_discovery); its own title bar: minimise, maximise/restore with its icon, close
// after a question; the voltage help.
#include "../link_discovery/link_fixture.h"
#include "voltagedescription.h"

class TestAppForm : public QObject, LinkFixture
{
    Q_OBJECT
    bool shown()
    {
        window->show();
        return QTest::qWaitForWindowExposed(window.get());
    }

private slots:
    void init() { fresh(); }

    void shownWindow()
    {
        Ui_Vistrel &ui = this->ui();
        QVERIFY(shown());
        QCOMPARE(window->size(), QSize(1002, 554));
        QVERIFY(ui.lineEdit_gamma->isHidden());  // its row's, and Vbias's: tests/drive_settings
        window->resize(600, 300);  // the minimums hold against a smaller window
        QTRY_VERIFY(ui.widget_28->width() >= 450 && ui.widget_28->height() >= 500);
        QVERIFY(ui.widget_3->width() >= 500 && ui.centralwidget->width() >= 1000);
    }

    // The maximise click decides from the state it finds, also one reached
    // without the button (e.g. by a double click on the title).
    void minimiseAndMaximise()
    {
        QVERIFY(shown());
        const QString style = QStringLiteral("QPushButton { border-image: url(:/Image/image_resource/%1);\n"
                                             "margin:7px;}");
        const struct { bool maximiseElsewhere, maximisedAfter; } clicks[] = {{0, 1}, {0, 0}, {1, 0}};
        for (const auto &click : clicks) {
            if (click.maximiseElsewhere)
                window->showMaximized();
            QTest::mouseClick(ui().pushButton_maxsize, Qt::LeftButton);
            QCOMPARE(window->isMaximized(), click.maximisedAfter);
            QCOMPARE(ui().pushButton_maxsize->styleSheet(),
                     style.arg(click.maximisedAfter ? "Maximize-3.png" : "Maximize-1.png"));
        }
        QTest::mouseClick(ui().pushButton_minimize, Qt::LeftButton);
        QVERIFY(window->isMinimized());
    }

    // Yes closes (No keeps it: the Ctrl+Q row in tests/window_view).
    void exitQuestion()
    {
        QVERIFY(shown());
        MessageBoxRecorder recorder(QMessageBox::Yes);
        QTest::mouseClick(ui().pushButton_close, Qt::LeftButton);
        QCOMPARE(recorder.boxes(), QStringList{"Attention|Are you sure you want to exit?"});
        QVERIFY(!window->isVisible());
    }

    // "?" opens the voltage help over the window and waits until it is closed.
    void voltageHelpIsModal()
    {
        QWidget *modal = nullptr;
        QTimer::singleShot(0, window.get(), [&] {
            modal = QApplication::activeModalWidget();
            if (modal)
                modal->close();
        });
        ui().pushButton_voltagedescription->click();
        QVERIFY(qobject_cast<VoltageDescription *>(modal));
        QCOMPARE(modal->parentWidget(), window.get());
        QVERIFY(!QApplication::activeModalWidget());
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
        for (const QString &field : fields) {
            auto *edit = window->findChild<QLineEdit *>(field);
            QVERIFY2(edit && edit->validator(), qPrintable(field));
            int position = text.size();
            QCOMPARE(edit->validator()->validate(text, position), state);
        }
    }
};

QTEST_MAIN(TestAppForm)
#include "test_app_form.moc"
