// The window's own title bar: minimise, maximise/restore with its icon, and
// close after a question; the voltage help it opens.
#include "../link_discovery/link_fixture.h"
#include "voltagedescription.h"

class TestAppTitlebar : public QObject, LinkFixture
{
    Q_OBJECT

private slots:
    void init()
    {
        fresh();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    // The maximise click decides from the state it finds, also one reached
    // without the button (e.g. by a double click on the title).
    void minimiseAndMaximise()
    {
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
        MessageBoxRecorder recorder(QMessageBox::Yes);
        QTest::mouseClick(ui().pushButton_close, Qt::LeftButton);
        QCOMPARE(recorder.boxes().size(), 1);
        QCOMPARE(recorder.boxes().first().title, QStringLiteral("Attention"));
        QCOMPARE(recorder.boxes().first().text, QStringLiteral("Are you sure you want to exit?"));
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
};

QTEST_MAIN(TestAppTitlebar)
#include "test_app_titlebar.moc"
