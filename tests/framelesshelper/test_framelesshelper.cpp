// FramelessHelper driven by synthesised mouse events on a frameless
// top-level window: moving by the title, resizing from edges and corners,
// double click to maximise, cursor shapes, the rubber band, registration.
#include "framelesshelper.h"
#include "framelesshelper_p.h"
#include "mouse_events.h"

#include <QHoverEvent>
#include <QLabel>
#include <QPushButton>
#include <QRubberBand>
#include <QScreen>
#include <QtTest>

#include <memory>

namespace {

const QRect kStartGeometry(100, 100, 400, 300);   // edges 100..499 x 100..399
const QSize kMinimumSize(200, 150);

// Counts the presses that get through to the window itself.
class PressCountingWidget : public QWidget
{
public:
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        ++presses;
        QWidget::mousePressEvent(event);
    }
};

QRubberBand *visibleRubberBand()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        auto *band = qobject_cast<QRubberBand *>(window);
        if (band && band->isVisible())
            return band;
    }
    return nullptr;
}

int rubberBandCount()
{
    int count = 0;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows)
        count += qobject_cast<QRubberBand *>(window) ? 1 : 0;
    return count;
}

} // namespace

class TestFramelessHelper : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void edgeClassification_data();
    void edgeClassification();

    void dragByTitle_data();
    void dragByTitle();
    void resizeFromEdges_data();
    void resizeFromEdges();
    void resizeKeepsItsEdgeForTheWholeDrag();
    void childrenThatIgnorePressesStartAMove();

    void doubleClickTogglesMaximised_data();
    void doubleClickTogglesMaximised();

    void cursorFollowsHover_data();
    void cursorFollowsHover();
    void maximisedWindowShowsNoResizeCursor();
    void leaveUnsetsCursorUnlessPressed();

    void zeroSizesAreIgnored();
    void rubberBandAppliedAtRelease_data();
    void rubberBandAppliedAtRelease();
    void rubberBandExistsOnlyWhenUsed();

    void registrationSetsAndRestoresTheWindow();
    void eventsOfUnregisteredObjectsPassThrough();
    void windowDestroyedBeforeHelper();

private:
    // Mouse events at global positions; the local position follows from
    // the window's current frame.
    void pressAt(const QPoint &global, QEvent::Type type = QEvent::MouseButtonPress);
    void dragTo(const QPoint &global);
    void releaseAt(const QPoint &global);
    void hoverAt(const QPoint &local);

    std::unique_ptr<PressCountingWidget> m_window;
    FramelessHelper *m_helper = nullptr;
};

void TestFramelessHelper::init()
{
    m_window = std::make_unique<PressCountingWidget>();
    m_window->setWindowFlags(Qt::FramelessWindowHint);
    m_window->setMinimumSize(kMinimumSize);
    m_window->setGeometry(kStartGeometry);
    m_helper = new FramelessHelper(m_window.get());
    m_helper->activateOn(m_window.get());
    m_helper->setTitleHeight(30);
    m_helper->setBorderWidth(3);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QCOMPARE(m_window->frameGeometry(), kStartGeometry);
}

void TestFramelessHelper::cleanup()
{
    m_window.reset(); // deletes the helper with it
    m_helper = nullptr;
}

void TestFramelessHelper::pressAt(const QPoint &global, QEvent::Type type)
{
    const QPoint local = global - m_window->frameGeometry().topLeft();
    mouse::send(m_window.get(), type, local, Qt::LeftButton, Qt::LeftButton, &global);
}

void TestFramelessHelper::dragTo(const QPoint &global)
{
    const QPoint local = global - m_window->frameGeometry().topLeft();
    mouse::send(m_window.get(), QEvent::MouseMove, local, Qt::NoButton, Qt::LeftButton, &global);
}

void TestFramelessHelper::releaseAt(const QPoint &global)
{
    const QPoint local = global - m_window->frameGeometry().topLeft();
    mouse::send(m_window.get(), QEvent::MouseButtonRelease, local, Qt::LeftButton, Qt::NoButton, &global);
}

void TestFramelessHelper::hoverAt(const QPoint &local)
{
    QHoverEvent hover(QEvent::HoverMove, local, local);
    QApplication::sendEvent(m_window.get(), &hover);
}

// ---------------------------------------------------------------------------

void TestFramelessHelper::edgeClassification_data()
{
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<QString>("edges"); // L R T B, then corners tl bl tr br

    // Border 3 on (100,100 400x300): zones are 4 px wide, and the right and
    // bottom ones reach one pixel past the frame (x 500, y 400).
    QTest::newRow("top-left pixel") << QPoint(100, 100) << "L T tl";
    QTest::newRow("inner corner of top-left zone") << QPoint(103, 103) << "L T tl";
    QTest::newRow("just inside") << QPoint(104, 104) << "";
    QTest::newRow("left of the frame") << QPoint(99, 250) << "";
    QTest::newRow("right zone start") << QPoint(497, 250) << "R";
    QTest::newRow("right zone, one past the frame") << QPoint(500, 250) << "R";
    QTest::newRow("beyond the right zone") << QPoint(501, 250) << "";
    QTest::newRow("before the right zone") << QPoint(496, 250) << "";
    QTest::newRow("bottom zone start") << QPoint(300, 397) << "B";
    QTest::newRow("bottom zone, one past the frame") << QPoint(300, 400) << "B";
    QTest::newRow("top-right") << QPoint(499, 101) << "R T tr";
    QTest::newRow("bottom-left") << QPoint(102, 399) << "L B bl";
    QTest::newRow("bottom-right") << QPoint(500, 400) << "R B br";
    QTest::newRow("title area, not an edge") << QPoint(300, 110) << "";
}

void TestFramelessHelper::edgeClassification()
{
    QFETCH(QPoint, point);
    QFETCH(QString, edges);

    m_helper->setBorderWidth(3);
    CursorPosCalculator hit;
    hit.recalculate(point, kStartGeometry);
    const QStringList expected = edges.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QCOMPARE(bool(hit.m_bLeft), expected.contains("L"));
    QCOMPARE(bool(hit.m_bRight), expected.contains("R"));
    QCOMPARE(bool(hit.m_bTop), expected.contains("T"));
    QCOMPARE(bool(hit.m_bBottom), expected.contains("B"));
    QCOMPARE(bool(hit.m_bTopLeft), expected.contains("tl"));
    QCOMPARE(bool(hit.m_bBottomLeft), expected.contains("bl"));
    QCOMPARE(bool(hit.m_bTopRight), expected.contains("tr"));
    QCOMPARE(bool(hit.m_bBottomRight), expected.contains("br"));
    QCOMPARE(bool(hit.m_bAnyEdge), !expected.isEmpty());

    hit.reset();
    QVERIFY(!hit.m_bAnyEdge && !hit.m_bLeft && !hit.m_bRight && !hit.m_bTop && !hit.m_bBottom);
    QVERIFY(!hit.m_bTopLeft && !hit.m_bBottomLeft && !hit.m_bTopRight && !hit.m_bBottomRight);
}

// ---------------------------------------------------------------------------

void TestFramelessHelper::dragByTitle_data()
{
    QTest::addColumn<QPoint>("pressLocal");
    QTest::addColumn<bool>("movable");
    QTest::addColumn<bool>("resizable");
    QTest::addColumn<QPoint>("expectedPos");

    // Each drag is by (+50, +40).
    QTest::newRow("title area") << QPoint(200, 10) << true << true << QPoint(150, 140);
    QTest::newRow("last title row") << QPoint(200, 29) << true << true << QPoint(150, 140);
    QTest::newRow("first row below the title") << QPoint(200, 30) << true << true << QPoint(100, 100);
    QTest::newRow("body") << QPoint(200, 150) << true << true << QPoint(100, 100);
    QTest::newRow("moving off") << QPoint(200, 10) << false << true << QPoint(100, 100);
    // With resizing off, an edge inside the title area moves the window.
    QTest::newRow("top edge, resizing off") << QPoint(200, 1) << true << false << QPoint(150, 140);
    // With resizing on it is a resize: the top edge follows the mouse.
    QTest::newRow("top edge, resizing on") << QPoint(200, 1) << true << true << QPoint(100, 141);
}

void TestFramelessHelper::dragByTitle()
{
    QFETCH(QPoint, pressLocal);
    QFETCH(bool, movable);
    QFETCH(bool, resizable);
    QFETCH(QPoint, expectedPos);

    m_helper->setWidgetMovable(movable);
    m_helper->setWidgetResizable(resizable);
    QCOMPARE(m_helper->widgetMovable(), movable);
    QCOMPARE(m_helper->widgetResizable(), resizable);

    const QPoint start = kStartGeometry.topLeft() + pressLocal;
    pressAt(start);
    dragTo(start + QPoint(25, 20));
    dragTo(start + QPoint(50, 40));
    releaseAt(start + QPoint(50, 40));

    QCOMPARE(m_window->frameGeometry().topLeft(), expectedPos);
    QCOMPARE(m_window->presses, 0); // consumed by the helper
    // After release a move is a hover again and moves nothing.
    dragTo(start + QPoint(90, 90));
    QCOMPARE(m_window->frameGeometry().topLeft(), expectedPos);
}

void TestFramelessHelper::resizeFromEdges_data()
{
    QTest::addColumn<QPoint>("pressLocal");
    QTest::addColumn<QPoint>("dragGlobal");
    QTest::addColumn<QRect>("expected");

    QTest::newRow("left") << QPoint(1, 150) << QPoint(51, 250) << QRect(51, 100, 449, 300);
    QTest::newRow("right") << QPoint(399, 150) << QPoint(549, 250) << QRect(100, 100, 450, 300);
    QTest::newRow("top") << QPoint(200, 1) << QPoint(300, 71) << QRect(100, 71, 400, 329);
    QTest::newRow("bottom") << QPoint(200, 298) << QPoint(300, 420) << QRect(100, 100, 400, 321);
    QTest::newRow("top-left") << QPoint(1, 1) << QPoint(80, 90) << QRect(80, 90, 420, 310);
    QTest::newRow("top-right") << QPoint(398, 1) << QPoint(520, 90) << QRect(100, 90, 421, 310);
    QTest::newRow("bottom-left") << QPoint(1, 298) << QPoint(80, 420) << QRect(80, 100, 420, 321);
    QTest::newRow("bottom-right") << QPoint(398, 298) << QPoint(520, 420) << QRect(100, 100, 421, 321);
    QTest::newRow("shrink within the minimum") << QPoint(398, 298) << QPoint(350, 300) << QRect(100, 100, 251, 201);
    // Below the minimum the dragged edge goes back, the other dimension
    // still follows.
    QTest::newRow("left below minimum width") << QPoint(1, 150) << QPoint(350, 250) << kStartGeometry;
    QTest::newRow("right below minimum width") << QPoint(399, 150) << QPoint(250, 250) << kStartGeometry;
    QTest::newRow("top-left, too narrow") << QPoint(1, 1) << QPoint(400, 50) << QRect(100, 50, 400, 350);
    QTest::newRow("bottom-right, too narrow") << QPoint(398, 298) << QPoint(150, 450) << QRect(100, 100, 400, 351);
    QTest::newRow("top-left, too short") << QPoint(1, 1) << QPoint(50, 300) << QRect(50, 100, 450, 300);
    // Past the opposite edge the rectangle is invalid: nothing changes,
    // not even the dimension that would have been valid.
    QTest::newRow("left past the right edge") << QPoint(1, 150) << QPoint(600, 250) << kStartGeometry;
    QTest::newRow("top past the bottom edge") << QPoint(200, 1) << QPoint(300, 450) << kStartGeometry;
    QTest::newRow("top-left past the right edge") << QPoint(1, 1) << QPoint(600, 50) << kStartGeometry;
}

void TestFramelessHelper::resizeFromEdges()
{
    QFETCH(QPoint, pressLocal);
    QFETCH(QPoint, dragGlobal);
    QFETCH(QRect, expected);

    pressAt(kStartGeometry.topLeft() + pressLocal);
    dragTo(dragGlobal);
    QCOMPARE(m_window->frameGeometry(), expected);
    releaseAt(dragGlobal);
    QCOMPARE(m_window->frameGeometry(), expected);
}

// The edge found at the press is resized however far the mouse goes.
void TestFramelessHelper::resizeKeepsItsEdgeForTheWholeDrag()
{
    pressAt(QPoint(499, 250));
    dragTo(QPoint(700, 250));
    dragTo(QPoint(650, 120)); // over the window's top edge: still the right edge
    QCOMPARE(m_window->frameGeometry(), QRect(100, 100, 551, 300));
    releaseAt(QPoint(650, 120));

    // A new press far from any edge starts nothing.
    pressAt(QPoint(300, 250));
    dragTo(QPoint(200, 200));
    QCOMPARE(m_window->frameGeometry(), QRect(100, 100, 551, 300));
}

void TestFramelessHelper::childrenThatIgnorePressesStartAMove()
{
    auto *label = new QLabel(QStringLiteral("title"), m_window.get());
    label->setGeometry(40, 5, 100, 20);
    auto *button = new QPushButton(QStringLiteral("x"), m_window.get());
    button->setGeometry(300, 5, 40, 20);
    label->show();
    button->show();

    const auto sendTo = [](QWidget *child, QEvent::Type type, Qt::MouseButtons held, const QPoint &global) {
        mouse::send(child, type, child->mapFromGlobal(global),
                    type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held, &global);
    };

    // The button takes the press: the window does not move.
    sendTo(button, QEvent::MouseButtonPress, Qt::LeftButton, QPoint(410, 110));
    sendTo(button, QEvent::MouseMove, Qt::LeftButton, QPoint(460, 150));
    QCOMPARE(m_window->frameGeometry(), kStartGeometry);
    sendTo(button, QEvent::MouseButtonRelease, Qt::NoButton, QPoint(460, 150));

    // The label passes it on to the window, which is dragged by its title.
    sendTo(label, QEvent::MouseButtonPress, Qt::LeftButton, QPoint(150, 110));
    sendTo(label, QEvent::MouseMove, Qt::LeftButton, QPoint(170, 130));
    QCOMPARE(m_window->frameGeometry().topLeft(), QPoint(120, 120));
}

// ---------------------------------------------------------------------------

void TestFramelessHelper::doubleClickTogglesMaximised_data()
{
    QTest::addColumn<QPoint>("local");
    QTest::addColumn<bool>("movable");
    QTest::addColumn<bool>("resizable");
    QTest::addColumn<bool>("toggles");

    QTest::newRow("title") << QPoint(200, 10) << true << true << true;
    QTest::newRow("title, moving and resizing off") << QPoint(200, 10) << false << false << true;
    QTest::newRow("top edge inside the title") << QPoint(200, 0) << true << true << true;
    QTest::newRow("below the title") << QPoint(200, 30) << true << true << false;
}

void TestFramelessHelper::doubleClickTogglesMaximised()
{
    QFETCH(QPoint, local);
    QFETCH(bool, movable);
    QFETCH(bool, resizable);
    QFETCH(bool, toggles);

    m_helper->setWidgetMovable(movable);
    m_helper->setWidgetResizable(resizable);
    // The offscreen platform honours maximise with the screen's available
    // geometry, so the request is visible in the window's geometry.
    const QRect screen = m_window->screen()->availableGeometry();

    pressAt(kStartGeometry.topLeft() + local, QEvent::MouseButtonDblClick);
    QTRY_COMPARE(m_window->isMaximized(), toggles);
    QTRY_COMPARE(m_window->frameGeometry(), toggles ? screen : kStartGeometry);

    // A second double click at the same window position restores it.
    pressAt(m_window->frameGeometry().topLeft() + local, QEvent::MouseButtonDblClick);
    QTRY_VERIFY(!m_window->isMaximized());
    QTRY_COMPARE(m_window->frameGeometry(), kStartGeometry);
}

// ---------------------------------------------------------------------------

void TestFramelessHelper::cursorFollowsHover_data()
{
    QTest::addColumn<QPoint>("local");
    QTest::addColumn<bool>("viaHoverEvent");
    QTest::addColumn<int>("shape");

    // An unset cursor on a window reads back as the arrow.
    const int none = Qt::ArrowCursor;
    const QVector<bool> paths{true, false};
    for (bool viaHover : paths) {
        const char *how = viaHover ? "hover" : "move";
        QTest::addRow("%s top-left", how) << QPoint(0, 0) << viaHover << int(Qt::SizeFDiagCursor);
        QTest::addRow("%s bottom-right", how) << QPoint(399, 299) << viaHover << int(Qt::SizeFDiagCursor);
        QTest::addRow("%s top-right", how) << QPoint(397, 3) << viaHover << int(Qt::SizeBDiagCursor);
        QTest::addRow("%s bottom-left", how) << QPoint(2, 297) << viaHover << int(Qt::SizeBDiagCursor);
        QTest::addRow("%s left", how) << QPoint(3, 150) << viaHover << int(Qt::SizeHorCursor);
        QTest::addRow("%s right", how) << QPoint(398, 150) << viaHover << int(Qt::SizeHorCursor);
        QTest::addRow("%s top", how) << QPoint(200, 2) << viaHover << int(Qt::SizeVerCursor);
        QTest::addRow("%s bottom", how) << QPoint(200, 299) << viaHover << int(Qt::SizeVerCursor);
        QTest::addRow("%s inside", how) << QPoint(200, 150) << viaHover << none;
        QTest::addRow("%s just inside the left zone", how) << QPoint(4, 150) << viaHover << none;
    }
}

void TestFramelessHelper::cursorFollowsHover()
{
    QFETCH(QPoint, local);
    QFETCH(bool, viaHoverEvent);
    QFETCH(int, shape);

    const auto hover = [&](const QPoint &at) {
        if (viaHoverEvent)
            hoverAt(at);
        else
            mouse::move(m_window.get(), at, Qt::NoButton);
    };

    // From an edge cursor first, so "no cursor" proves it was taken away.
    hover(QPoint(200, 0));
    QCOMPARE(m_window->cursor().shape(), Qt::SizeVerCursor);
    hover(local);
    QCOMPARE(int(m_window->cursor().shape()), shape);

    // With resizing off the cursor stays whatever it was.
    const Qt::CursorShape before = m_window->cursor().shape();
    m_helper->setWidgetResizable(false);
    hover(QPoint(0, 150));
    QCOMPARE(m_window->cursor().shape(), before);
}

void TestFramelessHelper::maximisedWindowShowsNoResizeCursor()
{
    hoverAt(QPoint(0, 150));
    QCOMPARE(m_window->cursor().shape(), Qt::SizeHorCursor);

    m_window->showMaximized();
    QTRY_VERIFY(m_window->isMaximized());
    hoverAt(QPoint(0, 150));
    QCOMPARE(m_window->cursor().shape(), Qt::ArrowCursor);
    hoverAt(QPoint(0, 0));
    QCOMPARE(m_window->cursor().shape(), Qt::ArrowCursor);

    // Press and drag do not look at the window state: an edge still resizes.
    const QRect maximised = m_window->frameGeometry();
    pressAt(QPoint(maximised.right(), 300));
    dragTo(QPoint(maximised.right() - 100, 300));
    QCOMPARE(m_window->frameGeometry().width(), maximised.width() - 100);
}

void TestFramelessHelper::leaveUnsetsCursorUnlessPressed()
{
    QEvent leave(QEvent::Leave);

    hoverAt(QPoint(0, 150));
    pressAt(QPoint(100, 250));
    QApplication::sendEvent(m_window.get(), &leave);
    QCOMPARE(m_window->cursor().shape(), Qt::SizeHorCursor); // still resizing

    releaseAt(QPoint(100, 250));
    QApplication::sendEvent(m_window.get(), &leave);
    QCOMPARE(m_window->cursor().shape(), Qt::ArrowCursor);
}

// ---------------------------------------------------------------------------

void TestFramelessHelper::zeroSizesAreIgnored()
{
    m_helper->setBorderWidth(0);
    m_helper->setTitleHeight(0);
    QCOMPARE(m_helper->borderWidth(), 3u);
    QCOMPARE(m_helper->titleHeight(), 30u);

    // The sizes are shared by every helper.
    FramelessHelper other;
    other.setBorderWidth(8);
    other.setTitleHeight(40);
    QCOMPARE(m_helper->borderWidth(), 8u);
    QCOMPARE(m_helper->titleHeight(), 40u);

    // ... and take effect at once: 39 is title now, and x=8 an edge.
    const QPoint start = kStartGeometry.topLeft() + QPoint(200, 39);
    pressAt(start);
    dragTo(start + QPoint(10, 10));
    releaseAt(start + QPoint(10, 10));
    QCOMPARE(m_window->frameGeometry().topLeft(), QPoint(110, 110));
    hoverAt(QPoint(8, 150));
    QCOMPARE(m_window->cursor().shape(), Qt::SizeHorCursor);
}

void TestFramelessHelper::rubberBandAppliedAtRelease_data()
{
    QTest::addColumn<bool>("bandOnMove");
    QTest::addColumn<bool>("bandOnResize");
    QTest::addColumn<QPoint>("pressLocal");
    QTest::addColumn<QRect>("expected");
    QTest::addColumn<bool>("bandShown");

    const QRect moved(150, 140, 400, 300);
    const QRect resized(100, 100, 450, 340);
    QTest::newRow("resize on band") << false << true << QPoint(399, 299) << resized << true;
    QTest::newRow("move on band") << true << false << QPoint(200, 10) << moved << true;
    QTest::newRow("move direct, band for resize") << false << true << QPoint(200, 10) << moved << false;
    QTest::newRow("resize direct, band for move") << true << false << QPoint(399, 299) << resized << false;
}

void TestFramelessHelper::rubberBandAppliedAtRelease()
{
    QFETCH(bool, bandOnMove);
    QFETCH(bool, bandOnResize);
    QFETCH(QPoint, pressLocal);
    QFETCH(QRect, expected);
    QFETCH(bool, bandShown);

    m_helper->setRubberBandOnMove(bandOnMove);
    m_helper->setRubberBandOnResize(bandOnResize);
    QCOMPARE(m_helper->rubberBandOnMove(), bandOnMove);
    QCOMPARE(m_helper->rubberBandOnResisze(), bandOnResize);

    const QPoint start = kStartGeometry.topLeft() + pressLocal;
    pressAt(start);
    QCOMPARE(visibleRubberBand() != nullptr, bandShown);
    dragTo(start + QPoint(50, 40));

    if (bandShown) {
        // The window waits; the band shows where it will go.
        QCOMPARE(m_window->frameGeometry(), kStartGeometry);
        QVERIFY(visibleRubberBand());
        QCOMPARE(visibleRubberBand()->geometry(), expected);
    } else {
        QCOMPARE(m_window->frameGeometry(), expected);
    }

    releaseAt(start + QPoint(50, 40));
    QCOMPARE(m_window->frameGeometry(), expected);
    QVERIFY(!visibleRubberBand());
}

void TestFramelessHelper::rubberBandExistsOnlyWhenUsed()
{
    QCOMPARE(rubberBandCount(), 0);
    m_helper->setRubberBandOnResize(true);
    QCOMPARE(rubberBandCount(), 1);
    m_helper->setRubberBandOnMove(true);
    QCOMPARE(rubberBandCount(), 1); // one band serves both
    m_helper->setRubberBandOnResize(false);
    QCOMPARE(rubberBandCount(), 1);
    m_helper->setRubberBandOnMove(false);
    QCOMPARE(rubberBandCount(), 0);

    // A window registered while a band is wanted gets one at once.
    m_helper->setRubberBandOnMove(true);
    QWidget second;
    m_helper->activateOn(&second);
    QCOMPARE(rubberBandCount(), 2);
    m_helper->removeFrom(&second);
    QCOMPARE(rubberBandCount(), 1);
}

// ---------------------------------------------------------------------------

void TestFramelessHelper::registrationSetsAndRestoresTheWindow()
{
    PressCountingWidget window;
    window.setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    const Qt::WindowFlags original = window.windowFlags();
    auto *helper = new FramelessHelper(&window);

    helper->activateOn(&window);
    QVERIFY(window.hasMouseTracking());
    QVERIFY(window.testAttribute(Qt::WA_Hover));
    mouse::press(&window, QPoint(50, 50));
    QCOMPARE(window.presses, 0);

    // A second registration is ignored: the first saved flags stay.
    window.setWindowFlags(Qt::Window);
    helper->activateOn(&window);
    helper->removeFrom(&window);
    QCOMPARE(window.windowFlags(), original);
    QVERIFY(!window.hasMouseTracking());
    QVERIFY(!window.testAttribute(Qt::WA_Hover));
    mouse::press(&window, QPoint(50, 50));
    QCOMPARE(window.presses, 1);

    // Removing twice is harmless; the helper's destructor releases the rest.
    helper->removeFrom(&window);
    helper->activateOn(&window);
    QVERIFY(window.hasMouseTracking());
    delete helper;
    QVERIFY(!window.hasMouseTracking());
    QVERIFY(!window.testAttribute(Qt::WA_Hover));
    mouse::press(&window, QPoint(50, 50));
    QCOMPARE(window.presses, 2);
}

void TestFramelessHelper::eventsOfUnregisteredObjectsPassThrough()
{
    PressCountingWidget stranger;
    stranger.installEventFilter(m_helper);
    mouse::press(&stranger, QPoint(5, 5));
    QCOMPARE(stranger.presses, 1);
    stranger.removeEventFilter(m_helper);

    // Non-mouse events of a registered window are not consumed either.
    m_window->setWindowTitle(QStringLiteral("still titled"));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("still titled"));
    m_window->resize(300, 200);
    QCOMPARE(m_window->size(), QSize(300, 200));
}

void TestFramelessHelper::windowDestroyedBeforeHelper()
{
    FramelessHelper helper;
    auto *window = new QWidget;
    helper.activateOn(window);
    helper.setRubberBandOnResize(true);
    delete window;
    // Nothing left to release: switching the band off touches no window.
    helper.setRubberBandOnResize(false);
    QCOMPARE(rubberBandCount(), 0);
}

QTEST_MAIN(TestFramelessHelper)
#include "test_framelesshelper.moc"
