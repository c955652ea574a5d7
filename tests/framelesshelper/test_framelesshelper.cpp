// FramelessHelper driven by synthesised mouse events on a frameless window.
#include "framelesshelper.h"
#include "mouse_events.h"

#include <QHoverEvent>
#include <QScreen>
#include <QtTest>

static const QRect kStart(100, 100, 400, 300); // edges 100..499 x 100..399; minimum 200 x 150

class TestFramelessHelper : public QObject
{
    Q_OBJECT

    QWidget *m_window = nullptr;
    FramelessHelper *m_helper = nullptr;

    // An event at a global position; the local one follows from the window.
    void at(QEvent::Type type, const QPoint &global, Qt::MouseButton button = Qt::LeftButton)
    {
        mouse::send(m_window, type, global - m_window->frameGeometry().topLeft(), button, &global);
    }

private slots:
    void init()
    {
        m_window = new QWidget(nullptr, Qt::FramelessWindowHint);
        m_window->setMinimumSize(200, 150);
        m_window->setGeometry(kStart);
        m_helper = new FramelessHelper(m_window);
        m_helper->activateOn(m_window);
        m_helper->setBorderWidth(3);
        m_helper->setTitleHeight(0); // zero is ignored: every test relies on 30 (the default) and 3
        m_helper->setBorderWidth(0);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
    }

    void cleanup() { delete m_window; }

    void drag_data()
    {
        QTest::addColumn<QPoint>("press"); // local
        QTest::addColumn<QPoint>("to");    // global
        QTest::addColumn<bool>("resizable");
        QTest::addColumn<QRect>("expected");

        QTest::newRow("title moves") << QPoint(200, 29) << QPoint(350, 169) << true << QRect(150, 140, 400, 300);
        QTest::newRow("top edge in the title resizes") << QPoint(200, 1) << QPoint(350, 141) << true << QRect(100, 141, 400, 259);
        QTest::newRow("top edge, resizing off: moves") << QPoint(200, 1) << QPoint(350, 141) << false << QRect(150, 140, 400, 300);
        QTest::newRow("left edge") << QPoint(1, 150) << QPoint(51, 350) << true << QRect(51, 100, 449, 300);
        QTest::newRow("bottom-right corner") << QPoint(398, 298) << QPoint(520, 420) << true << QRect(100, 100, 421, 321);
        // Below the minimum the dragged edge goes back; the other one follows.
        QTest::newRow("top-left, too narrow") << QPoint(1, 1) << QPoint(400, 50) << true << QRect(100, 50, 400, 350);
        QTest::newRow("top-left, too short") << QPoint(1, 1) << QPoint(50, 300) << true << QRect(50, 100, 450, 300);
        QTest::newRow("bottom-right, too narrow") << QPoint(398, 298) << QPoint(150, 450) << true << QRect(100, 100, 400, 351);
        // Past the opposite edge nothing changes, not even the valid dimension.
        QTest::newRow("top-left past the right edge") << QPoint(1, 1) << QPoint(600, 50) << true << kStart;
    }

    void drag()
    {
        QFETCH(QPoint, press);
        QFETCH(QPoint, to);
        QFETCH(bool, resizable);
        QFETCH(QRect, expected);

        m_helper->setWidgetResizable(resizable);
        at(QEvent::MouseButtonPress, kStart.topLeft() + press);
        at(QEvent::MouseMove, to);
        QCOMPARE(m_window->frameGeometry(), expected);
        at(QEvent::MouseButtonRelease, to);
        at(QEvent::MouseMove, to + QPoint(30, 30)); // released: no longer a drag
        QCOMPARE(m_window->frameGeometry(), expected);
    }

    // With moving and resizing off: the double click does not look at them.
    void doubleClickInTitleToggles()
    {
        m_helper->setWidgetMovable(false);
        m_helper->setWidgetResizable(false);
        at(QEvent::MouseButtonDblClick, QPoint(300, 130)); // below the title
        at(QEvent::MouseButtonDblClick, QPoint(300, 129));
        QTRY_COMPARE(m_window->frameGeometry(), m_window->screen()->availableGeometry());
        QVERIFY(m_window->isMaximized());
        at(QEvent::MouseButtonDblClick, m_window->frameGeometry().topLeft() + QPoint(200, 29));
        QTRY_COMPARE(m_window->frameGeometry(), kStart);
    }

    void cursorShape_data()
    {
        QTest::addColumn<QPoint>("local");
        QTest::addColumn<Qt::CursorShape>("shape");
        QTest::newRow("top-left") << QPoint(0, 0) << Qt::SizeFDiagCursor;
        QTest::newRow("bottom-left") << QPoint(2, 297) << Qt::SizeBDiagCursor;
        QTest::newRow("left") << QPoint(3, 150) << Qt::SizeHorCursor;
        QTest::newRow("right, one past the frame") << QPoint(400, 150) << Qt::SizeHorCursor;
        QTest::newRow("just inside the left zone: unset") << QPoint(4, 150) << Qt::ArrowCursor;
    }

    // A hover event sets an edge cursor first (so that unsetting shows), then
    // a mouse move without a button.
    void cursorShape()
    {
        QFETCH(QPoint, local);
        QHoverEvent hover(QEvent::HoverMove, QPoint(200, 0), QPoint(200, 0));
        QApplication::sendEvent(m_window, &hover);
        QCOMPARE(m_window->cursor().shape(), Qt::SizeVerCursor);
        at(QEvent::MouseMove, kStart.topLeft() + local, Qt::NoButton);
        QTEST(m_window->cursor().shape(), "shape");
    }
};

QTEST_MAIN(TestFramelessHelper)
#include "test_framelesshelper.moc"
