// The window's own title bar: minimise, maximise/restore with its icon, and
// close after a question; the voltage help it opens.
#include "message_box_recorder.h"
#include "test_environment.h"
#include "virtual_bridge.h"
#include "voltagedescription.h"
#include "window_access.h"

#include <QtTest>

#include <memory>

using vistrel::virt::Testbed;

class TestAppTitlebar : public QObject
{
    Q_OBJECT

    std::unique_ptr<Vistrel> window;
    Ui_Vistrel &ui() { return VistrelInspector::ui(*window); }

private slots:
    void init()
    {
        testenv::clearSettingsStore();
        Testbed::instance().reset();
        window = std::make_unique<Vistrel>();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    void cleanup() { window.reset(); }

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

    void exitQuestion_data()
    {
        QTest::addColumn<int>("answer");  // a QMessageBox::StandardButton
        QTest::addColumn<bool>("stillOpen");
        QTest::newRow("yes closes") << int(QMessageBox::Yes) << false;
        QTest::newRow("no keeps") << int(QMessageBox::No) << true;
    }

    void exitQuestion()
    {
        QFETCH(int, answer);
        QFETCH(bool, stillOpen);
        MessageBoxRecorder recorder(static_cast<QMessageBox::StandardButton>(answer));
        QTest::mouseClick(ui().pushButton_close, Qt::LeftButton);
        QCOMPARE(recorder.boxes().size(), 1);
        QCOMPARE(recorder.boxes().first().title, QStringLiteral("Attention"));
        QCOMPARE(recorder.boxes().first().text, QStringLiteral("Are you sure you want to exit?"));
        QCOMPARE(window->isVisible(), stillOpen);
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
