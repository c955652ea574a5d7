// DoubleSlider: handle geometry, values from drag positions, the track-click
// rules, tracking, release, range setters and the painted colours.
#include "doubleslider.h"
#include "mouse_events.h"

#include <QMetaMethod>
#include <QSignalSpy>
#include <QtTest>

using Options = DoubleSlider::Options;
Q_DECLARE_METATYPE(Options)
Q_DECLARE_METATYPE(Qt::Orientation)

namespace {

const Options kNone;
const Options kLower = DoubleSlider::LowerHandle;
const Options kUpper = DoubleSlider::UpperHandle;
const Options kBoth = DoubleSlider::LowerHandle | DoubleSlider::UpperHandle;

// A slider of the second kind (range 0..166) at a fixed size, with values.
std::unique_ptr<DoubleSlider> makeSlider(Qt::Orientation orientation, Options options,
                                         QSize size, int lower, int upper)
{
    auto slider = std::make_unique<DoubleSlider>(orientation, options);
    slider->resize(size);
    slider->SetLowerValue(lower);
    slider->SetUpperValue(upper);
    return slider;
}

QList<int> ints(const QSignalSpy &spy, int argument = 0)
{
    QList<int> values;
    for (const QList<QVariant> &call : spy)
        values << call.at(argument).toInt();
    return values;
}

// Where along the track a click lands: relative to a handle's start, or an
// absolute pixel.
enum Anchor { FirstStart, SecondStart, Absolute };

} // namespace

class TestDoubleSlider : public QObject
{
    Q_OBJECT

private slots:
    void initialState_data();
    void initialState();
    void signalParameterNames_data();
    void signalParameterNames();

    void handleGeometry_data();
    void handleGeometry();

    void dragSetsValue_data();
    void dragSetsValue();
    void dragWithoutHandleBitChangesNothing_data();
    void dragWithoutHandleBitChangesNothing();

    void trackClick_data();
    void trackClick();
    void nonLeftButtonsAreIgnored();

    void trackingDecidesWhenValuesAreReported_data();
    void trackingDecidesWhenValuesAreReported();
    void setterDuringDragFollowsTracking();
    void releaseClampsAndReports();

    void rangeSetters_data();
    void rangeSetters();
    void valueSettersClampToRange_data();
    void valueSettersClampToRange();

    void zeroWidthRange();
    void tooShortTrack();

    void paintedColours_data();
    void paintedColours();
    void disabledBarIsDarkGray();
};

void TestDoubleSlider::initialState_data()
{
    QTest::addColumn<bool>("secondConstructor");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<Options>("options");
    QTest::addColumn<bool>("horizontal");

    QTest::newRow("parent only") << false << 100 << kNone << true;
    QTest::newRow("vertical, both handles") << true << 166 << kBoth << false;
}

void TestDoubleSlider::initialState()
{
    QFETCH(bool, secondConstructor);
    QFETCH(int, maximum);
    QFETCH(Options, options);
    QFETCH(bool, horizontal);

    std::unique_ptr<DoubleSlider> slider =
        secondConstructor ? std::make_unique<DoubleSlider>(Qt::Vertical, options)
                          : std::make_unique<DoubleSlider>();
    QCOMPARE(slider->GetMinimun(), 0);
    QCOMPARE(slider->GetMaximun(), maximum);
    QCOMPARE(slider->GetLowerValue(), 0);
    QCOMPARE(slider->GetUpperValue(), maximum);
    QVERIFY(slider->hasMouseTracking());
    QCOMPARE(slider->minimumSizeHint(), QSize(24, 11));

    // The orientation shows in the handle placement: along x or along y.
    slider->resize(horizontal ? QSize(100, 30) : QSize(30, 100));
    const QRect first = slider->firstHandleRect();
    QCOMPARE(first.topLeft(), horizontal ? QPoint(1, 9) : QPoint(9, 1));
}

void TestDoubleSlider::signalParameterNames_data()
{
    QTest::addColumn<QByteArray>("signature");
    QTest::addColumn<QByteArrayList>("names");

    QTest::newRow("lowerValueChanged") << QByteArray("lowerValueChanged(int)") << QByteArrayList{"aLowerValue"};
    QTest::newRow("upperValueChanged") << QByteArray("upperValueChanged(int)") << QByteArrayList{"aUpperValue"};
    QTest::newRow("rangeChanged") << QByteArray("rangeChanged(int,int)") << QByteArrayList{"aMin", "aMax"};
    QTest::newRow("doubleSliderMoved") << QByteArray("doubleSliderMoved(int,int)") << QByteArrayList{"f", "r"};
    QTest::newRow("setLowerValue") << QByteArray("setLowerValue(int)") << QByteArrayList{"aLowerValue"};
    QTest::newRow("setUpperValue") << QByteArray("setUpperValue(int)") << QByteArrayList{"aUpperValue"};
    QTest::newRow("setMinimum") << QByteArray("setMinimum(int)") << QByteArrayList{"aMinimum"};
    QTest::newRow("setMaximum") << QByteArray("setMaximum(int)") << QByteArrayList{"aMaximum"};
}

void TestDoubleSlider::signalParameterNames()
{
    QFETCH(QByteArray, signature);
    QFETCH(QByteArrayList, names);

    const QMetaObject &meta = DoubleSlider::staticMetaObject;
    const int index = meta.indexOfMethod(signature.constData());
    QVERIFY2(index >= 0, signature.constData());
    QCOMPARE(meta.method(index).parameterNames(), names);
}

// ---------------------------------------------------------------------------

void TestDoubleSlider::handleGeometry_data()
{
    QTest::addColumn<Qt::Orientation>("orientation");
    QTest::addColumn<Options>("options");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("lower");
    QTest::addColumn<int>("upper");
    QTest::addColumn<int>("validLength");
    QTest::addColumn<QRect>("first");
    QTest::addColumn<QRect>("second");

    // Both handles on 200 px: track 176, the second handle shifted by 11.
    QTest::newRow("both, ends") << Qt::Horizontal << kBoth << QSize(200, 24) << 0 << 166
                                << 176 << QRect(1, 6, 11, 11) << QRect(188, 6, 11, 11);
    QTest::newRow("both, middle") << Qt::Horizontal << kBoth << QSize(200, 24) << 83 << 83
                                  << 176 << QRect(89, 6, 11, 11) << QRect(100, 6, 11, 11);
    // 187 * 50/166 = 56.33 and 187 * 100/166 = 112.65: truncated, not rounded.
    QTest::newRow("lower only") << Qt::Horizontal << kLower << QSize(200, 24) << 50 << 100
                                << 187 << QRect(57, 6, 11, 11) << QRect(124, 6, 11, 11);
    QTest::newRow("upper only") << Qt::Horizontal << kUpper << QSize(200, 24) << 50 << 100
                                << 187 << QRect(57, 6, 11, 11) << QRect(113, 6, 11, 11);
    QTest::newRow("no handle, odd height") << Qt::Horizontal << kNone << QSize(120, 30) << 0 << 166
                                           << 107 << QRect(1, 9, 11, 11) << QRect(108, 9, 11, 11);
    QTest::newRow("vertical, both") << Qt::Vertical << kBoth << QSize(24, 200) << 0 << 83
                                    << 176 << QRect(6, 1, 11, 11) << QRect(6, 100, 11, 11);
    QTest::newRow("vertical, upper only") << Qt::Vertical << kUpper << QSize(31, 120) << 0 << 166
                                          << 107 << QRect(10, 1, 11, 11) << QRect(10, 108, 11, 11);
    // Any orientation value other than horizontal is taken as vertical.
    QTest::newRow("orientation 0 is vertical") << Qt::Orientation(0) << kBoth << QSize(24, 200) << 0 << 166
                                               << 176 << QRect(6, 1, 11, 11) << QRect(6, 188, 11, 11);
}

void TestDoubleSlider::handleGeometry()
{
    QFETCH(Qt::Orientation, orientation);
    QFETCH(Options, options);
    QFETCH(QSize, size);
    QFETCH(int, lower);
    QFETCH(int, upper);

    auto slider = makeSlider(orientation, options, size, lower, upper);
    QTEST(slider->validLength(), "validLength");
    QTEST(slider->firstHandleRect(), "first");
    QTEST(slider->secondHandleRect(), "second");
    QCOMPARE(slider->handleRect(42).size(), QSize(11, 11));
}

// ---------------------------------------------------------------------------

void TestDoubleSlider::dragSetsValue_data()
{
    QTest::addColumn<Qt::Orientation>("orientation");
    QTest::addColumn<Options>("options");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("lower");
    QTest::addColumn<int>("upper");
    QTest::addColumn<int>("pressAlong");
    QTest::addColumn<int>("moveAlong");
    QTest::addColumn<int>("expectedLower");
    QTest::addColumn<int>("expectedUpper");

    // 200 px wide, both handles: track 176, lower handle centre at 6,
    // upper handle centre at 193 for the full range.
    QTest::newRow("lower to the middle") << Qt::Horizontal << kBoth << 0 << 166 << 0 << 166
                                         << 6 << 94 << 83 << 166;
    QTest::newRow("lower, pressed off centre") << Qt::Horizontal << kBoth << 0 << 166 << 0 << 166
                                               << 9 << 97 << 83 << 166;
    QTest::newRow("lower into the upper handle") << Qt::Horizontal << kBoth << 0 << 166 << 0 << 100
                                                 << 6 << 190 << 100 << 100;
    QTest::newRow("lower before the left end") << Qt::Horizontal << kBoth << 0 << 166 << 83 << 166
                                               << 94 << -40 << 0 << 166;
    QTest::newRow("upper to the middle") << Qt::Horizontal << kBoth << 0 << 166 << 0 << 166
                                         << 193 << 105 << 0 << 83;
    QTest::newRow("upper into the lower handle") << Qt::Horizontal << kBoth << 0 << 166 << 40 << 166
                                                 << 193 << 10 << 40 << 40;
    QTest::newRow("upper past the right end") << Qt::Horizontal << kBoth << 0 << 166 << 0 << 83
                                              << 105 << 400 << 0 << 166;
    // One handle: track 187.
    QTest::newRow("lower only") << Qt::Horizontal << kLower << 0 << 166 << 0 << 166
                                << 6 << 100 << 83 << 166;
    QTest::newRow("upper only") << Qt::Horizontal << kUpper << 0 << 166 << 0 << 166
                                << 193 << 50 << 0 << 39;
    QTest::newRow("vertical lower") << Qt::Vertical << kBoth << 0 << 166 << 0 << 166
                                    << 6 << 94 << 83 << 166;
    // -98.86 truncates toward zero.
    QTest::newRow("negative range truncates toward zero") << Qt::Horizontal << kBoth << -100 << 100 << -100 << 100
                                                          << 6 << 7 << -98 << 100;
}

void TestDoubleSlider::dragSetsValue()
{
    QFETCH(Qt::Orientation, orientation);
    QFETCH(Options, options);
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(int, lower);
    QFETCH(int, upper);
    QFETCH(int, pressAlong);
    QFETCH(int, moveAlong);
    QFETCH(int, expectedLower);
    QFETCH(int, expectedUpper);

    const bool horizontal = orientation == Qt::Horizontal;
    auto slider = makeSlider(orientation, options, horizontal ? QSize(200, 24) : QSize(24, 200), 0, 0);
    slider->SetRange(minimum, maximum);
    slider->SetLowerValue(lower);
    slider->SetUpperValue(upper);
    const auto at = [horizontal](int along) { return horizontal ? QPoint(along, 12) : QPoint(12, along); };

    QSignalSpy moved(slider.get(), &DoubleSlider::doubleSliderMoved);
    mouse::press(slider.get(), at(pressAlong));
    // A press on a handle is not a track step.
    QCOMPARE(slider->GetLowerValue(), lower);
    QCOMPARE(slider->GetUpperValue(), upper);

    mouse::move(slider.get(), at(moveAlong));
    QCOMPARE(slider->GetLowerValue(), expectedLower);
    QCOMPARE(slider->GetUpperValue(), expectedUpper);
    QCOMPARE(moved.count(), 2);
    QCOMPARE(moved.last(), (QList<QVariant>{expectedLower, expectedUpper}));
}

void TestDoubleSlider::dragWithoutHandleBitChangesNothing_data()
{
    QTest::addColumn<Options>("options");
    QTest::addColumn<int>("pressAlong");

    // The rectangles exist without their bits, but dragging them does not.
    QTest::newRow("no handle, lower spot") << kNone << 6;
    QTest::newRow("no handle, upper spot") << kNone << 193;
    QTest::newRow("upper only, lower spot") << kUpper << 6;
    QTest::newRow("lower only, upper spot") << kLower << 214;
}

void TestDoubleSlider::dragWithoutHandleBitChangesNothing()
{
    QFETCH(Options, options);
    QFETCH(int, pressAlong);

    auto slider = makeSlider(Qt::Horizontal, options, QSize(210, 24), 0, 166);
    QSignalSpy lowerSpy(slider.get(), &DoubleSlider::lowerValueChanged);
    QSignalSpy upperSpy(slider.get(), &DoubleSlider::upperValueChanged);
    QSignalSpy moved(slider.get(), &DoubleSlider::doubleSliderMoved);

    // The press itself may be a track step; the drag after it is not.
    mouse::press(slider.get(), QPoint(pressAlong, 12));
    const int lower = slider->GetLowerValue();
    const int upper = slider->GetUpperValue();
    const int reported = lowerSpy.count() + upperSpy.count();
    mouse::move(slider.get(), QPoint(100, 12));
    mouse::move(slider.get(), QPoint(30, 12));
    QCOMPARE(slider->GetLowerValue(), lower);
    QCOMPARE(slider->GetUpperValue(), upper);
    QCOMPARE(lowerSpy.count() + upperSpy.count(), reported);
    QCOMPARE(moved.count(), 3);
}

// ---------------------------------------------------------------------------

void TestDoubleSlider::trackClick_data()
{
    QTest::addColumn<Options>("options");
    QTest::addColumn<int>("lower");
    QTest::addColumn<int>("upper");
    QTest::addColumn<int>("anchor");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("across");
    QTest::addColumn<int>("expectedLower");
    QTest::addColumn<int>("expectedUpper");
    QTest::addColumn<QList<int>>("lowerSignals");
    QTest::addColumn<QList<int>>("upperSignals");

    // 200 px, range 0..166: the step is 16.
    const QList<int> none;
    QTest::newRow("left of lower, both") << kBoth << 50 << 120 << int(FirstStart) << -3 << 12
                                         << 34 << 120 << QList<int>{34} << none;
    QTest::newRow("left of lower, no handle") << kNone << 50 << 120 << int(FirstStart) << -1 << 12
                                              << 34 << 120 << QList<int>{34} << none;
    QTest::newRow("left of lower clamps at minimum") << kBoth << 5 << 120 << int(Absolute) << 2 << 12
                                                     << 0 << 120 << QList<int>{0} << none;
    QTest::newRow("on lower handle, both") << kBoth << 50 << 120 << int(FirstStart) << 5 << 12
                                           << 50 << 120 << none << none;
    QTest::newRow("on lower handle, lower only") << kLower << 50 << 120 << int(FirstStart) << 11 << 12
                                                 << 50 << 120 << none << none;
    QTest::newRow("lower spot before upper, upper only") << kUpper << 50 << 120 << int(FirstStart) << 5 << 12
                                                         << 50 << 104 << none << QList<int>{104};
    QTest::newRow("lower spot on upper, upper only") << kUpper << 100 << 100 << int(SecondStart) << 3 << 12
                                                     << 100 << 100 << none << none;
    QTest::newRow("lower spot past crossed upper, upper only") << kUpper << 120 << 50 << int(FirstStart) << 2 << 12
                                                               << 120 << 66 << none << QList<int>{66};
    QTest::newRow("lower spot, no handle") << kNone << 50 << 120 << int(FirstStart) << 5 << 12
                                           << 50 << 120 << none << none;
    QTest::newRow("on upper handle, both") << kBoth << 50 << 120 << int(SecondStart) << 3 << 12
                                           << 50 << 120 << none << none;
    QTest::newRow("right of upper, both") << kBoth << 50 << 120 << int(SecondStart) << 13 << 12
                                          << 50 << 136 << none << QList<int>{136};
    QTest::newRow("right of upper clamps at maximum") << kBoth << 50 << 160 << int(SecondStart) << 14 << 12
                                                      << 50 << 166 << none << QList<int>{166};
    QTest::newRow("right of upper, upper only") << kUpper << 50 << 120 << int(SecondStart) << 12 << 12
                                                << 50 << 136 << none << QList<int>{136};
    QTest::newRow("upper spot, lower only") << kLower << 50 << 120 << int(SecondStart) << 3 << 12
                                            << 66 << 120 << QList<int>{66} << none;
    QTest::newRow("lower step stops at upper") << kLower << 115 << 120 << int(SecondStart) << 3 << 12
                                               << 120 << 120 << QList<int>{120} << none;
    QTest::newRow("between, nearer lower") << kBoth << 50 << 120 << int(Absolute) << 101 << 12
                                           << 66 << 120 << QList<int>{66} << none;
    QTest::newRow("between, at the midpoint") << kBoth << 50 << 120 << int(Absolute) << 102 << 12
                                              << 50 << 104 << none << QList<int>{104};
    QTest::newRow("upper step stops at lower") << kBoth << 110 << 120 << int(Absolute) << 136 << 12
                                               << 110 << 110 << none << QList<int>{110};
    QTest::newRow("between, lower only") << kLower << 50 << 120 << int(Absolute) << 120 << 12
                                         << 66 << 120 << QList<int>{66} << none;
    QTest::newRow("between, upper only") << kUpper << 50 << 120 << int(Absolute) << 80 << 12
                                         << 50 << 104 << none << QList<int>{104};
    QTest::newRow("right of lower, no handle") << kNone << 50 << 120 << int(Absolute) << 100 << 12
                                               << 50 << 120 << none << none;
    // Across the track only rows 2..h-2 count as track clicks.
    QTest::newRow("above the track") << kBoth << 50 << 120 << int(FirstStart) << -3 << 1
                                     << 50 << 120 << none << none;
    QTest::newRow("top row of the track") << kBoth << 50 << 120 << int(FirstStart) << -3 << 2
                                          << 34 << 120 << QList<int>{34} << none;
    QTest::newRow("bottom row of the track") << kBoth << 50 << 120 << int(FirstStart) << -3 << 22
                                             << 34 << 120 << QList<int>{34} << none;
    QTest::newRow("below the track") << kBoth << 50 << 120 << int(FirstStart) << -3 << 23
                                     << 50 << 120 << none << none;
}

void TestDoubleSlider::trackClick()
{
    QFETCH(Options, options);
    QFETCH(int, lower);
    QFETCH(int, upper);
    QFETCH(int, anchor);
    QFETCH(int, offset);
    QFETCH(int, across);
    QFETCH(int, expectedLower);
    QFETCH(int, expectedUpper);
    QFETCH(QList<int>, lowerSignals);
    QFETCH(QList<int>, upperSignals);

    auto slider = makeSlider(Qt::Horizontal, options, QSize(200, 24), lower, upper);
    int along = offset;
    if (anchor == FirstStart)
        along += slider->firstHandleRect().left();
    else if (anchor == SecondStart)
        along += slider->secondHandleRect().left();

    QSignalSpy lowerSpy(slider.get(), &DoubleSlider::lowerValueChanged);
    QSignalSpy upperSpy(slider.get(), &DoubleSlider::upperValueChanged);
    QSignalSpy moved(slider.get(), &DoubleSlider::doubleSliderMoved);
    mouse::press(slider.get(), QPoint(along, across));

    QCOMPARE(slider->GetLowerValue(), expectedLower);
    QCOMPARE(slider->GetUpperValue(), expectedUpper);
    QCOMPARE(ints(lowerSpy), lowerSignals);
    QCOMPARE(ints(upperSpy), upperSignals);
    QCOMPARE(moved.count(), 1);
    QCOMPARE(moved.first(), (QList<QVariant>{expectedLower, expectedUpper}));
}

void TestDoubleSlider::nonLeftButtonsAreIgnored()
{
    auto slider = makeSlider(Qt::Horizontal, kBoth, QSize(200, 24), 50, 120);
    QSignalSpy moved(slider.get(), &DoubleSlider::doubleSliderMoved);

    // A right press beside the lower handle neither steps nor reports.
    mouse::press(slider.get(), QPoint(10, 12), Qt::RightButton);
    // A move without the left button held is mouse tracking, not a drag.
    mouse::press(slider.get(), QPoint(slider->firstHandleRect().center().x(), 12));
    mouse::move(slider.get(), QPoint(150, 12), Qt::NoButton);
    QCOMPARE(slider->GetLowerValue(), 50);
    QCOMPARE(slider->GetUpperValue(), 120);
    QCOMPARE(moved.count(), 1); // the left press only
}

// ---------------------------------------------------------------------------

void TestDoubleSlider::trackingDecidesWhenValuesAreReported_data()
{
    QTest::addColumn<bool>("tracking");
    QTest::addColumn<bool>("upperHandle");
    QTest::addColumn<QList<int>>("duringDrag");

    QTest::newRow("lower, tracking") << true << false << QList<int>{83, 41};
    QTest::newRow("lower, not tracking") << false << false << QList<int>{};
    QTest::newRow("upper, tracking") << true << true << QList<int>{83, 41};
    QTest::newRow("upper, not tracking") << false << true << QList<int>{};
}

void TestDoubleSlider::trackingDecidesWhenValuesAreReported()
{
    QFETCH(bool, tracking);
    QFETCH(bool, upperHandle);
    QFETCH(QList<int>, duringDrag);

    auto slider = makeSlider(Qt::Horizontal, kBoth, QSize(200, 24), 0, 166);
    slider->SetTracking(tracking);
    if (upperHandle)
        slider->SetLowerValue(0);
    QSignalSpy changed(slider.get(),
                       upperHandle ? &DoubleSlider::upperValueChanged : &DoubleSlider::lowerValueChanged);
    QSignalSpy other(slider.get(),
                     upperHandle ? &DoubleSlider::lowerValueChanged : &DoubleSlider::upperValueChanged);
    QSignalSpy moved(slider.get(), &DoubleSlider::doubleSliderMoved);

    // Handle centres 6 (lower) and 193 (upper); the upper one's value is
    // taken 11 px further along.
    const int pressAt = upperHandle ? 193 : 6;
    const int shift = upperHandle ? 11 : 0;
    mouse::press(slider.get(), QPoint(pressAt, 12));
    mouse::move(slider.get(), QPoint(94 + shift, 12));
    mouse::move(slider.get(), QPoint(50 + shift, 12));
    QCOMPARE(ints(changed), duringDrag);
    QCOMPARE(moved.count(), 3);

    // Release reports the final value whatever the tracking, with any button.
    mouse::release(slider.get(), QPoint(50 + shift, 12), Qt::RightButton);
    QCOMPARE(ints(changed), duringDrag + QList<int>{41});
    QCOMPARE(other.count(), 0);

    // Once released, a further move is no drag.
    mouse::move(slider.get(), QPoint(150, 12));
    QCOMPARE(changed.count(), duringDrag.count() + 1);
}

void TestDoubleSlider::setterDuringDragFollowsTracking()
{
    auto slider = makeSlider(Qt::Horizontal, kBoth, QSize(200, 24), 0, 166);
    slider->SetTracking(false);
    QSignalSpy upperSpy(slider.get(), &DoubleSlider::upperValueChanged);
    QSignalSpy lowerSpy(slider.get(), &DoubleSlider::lowerValueChanged);

    mouse::press(slider.get(), QPoint(193, 12));
    slider->setUpperValue(70);  // the dragged handle: silent
    slider->setLowerValue(10);  // the other one: reported
    QCOMPARE(slider->GetUpperValue(), 70);
    QCOMPARE(upperSpy.count(), 0);
    QCOMPARE(ints(lowerSpy), QList<int>{10});

    mouse::release(slider.get(), QPoint(193, 12));
    QCOMPARE(ints(upperSpy), QList<int>{70});
}

void TestDoubleSlider::releaseClampsAndReports()
{
    auto slider = makeSlider(Qt::Horizontal, kBoth, QSize(200, 24), 0, 166);
    mouse::press(slider.get(), QPoint(6, 12));
    mouse::move(slider.get(), QPoint(94, 12));
    QCOMPARE(slider->GetLowerValue(), 83);

    // The range moves under the dragged handle; release puts it back inside.
    slider->SetMinimum(100);
    QCOMPARE(slider->GetLowerValue(), 83);
    QSignalSpy lowerSpy(slider.get(), &DoubleSlider::lowerValueChanged);
    mouse::release(slider.get(), QPoint(94, 12));
    QCOMPARE(slider->GetLowerValue(), 100);
    QCOMPARE(ints(lowerSpy), QList<int>{100});

    // A release with nothing dragged reports nothing.
    mouse::release(slider.get(), QPoint(94, 12));
    QCOMPARE(lowerSpy.count(), 1);
}

// ---------------------------------------------------------------------------

void TestDoubleSlider::rangeSetters_data()
{
    QTest::addColumn<QString>("calls");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<QList<int>>("signalled");

    // Each call is "min:v", "max:v" or "range:a,b"; signalled lists the
    // (min, max) pairs in order.
    QTest::newRow("minimum inside") << "min:10" << 10 << 166 << QList<int>{10, 166};
    QTest::newRow("minimum above maximum swaps") << "min:200" << 166 << 200 << QList<int>{166, 200};
    QTest::newRow("maximum inside") << "max:50" << 0 << 50 << QList<int>{0, 50};
    QTest::newRow("maximum below minimum swaps") << "max:-5" << -5 << 0 << QList<int>{-5, 0};
    QTest::newRow("range in order") << "range:10,20" << 10 << 20 << QList<int>{10, 166, 10, 20};
    QTest::newRow("range reversed") << "range:50,20" << 20 << 50 << QList<int>{50, 166, 20, 50};
    // The minimum is set first and swaps with the old maximum.
    QTest::newRow("range above all") << "range:300,400" << 166 << 400 << QList<int>{166, 300, 166, 400};
    QTest::newRow("equal ends") << "min:166" << 166 << 166 << QList<int>{166, 166};
}

void TestDoubleSlider::rangeSetters()
{
    QFETCH(QString, calls);
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(QList<int>, signalled);

    DoubleSlider slider(Qt::Horizontal, kBoth);
    QSignalSpy rangeSpy(&slider, &DoubleSlider::rangeChanged);
    const QStringList call = calls.split(QLatin1Char(':'));
    const QStringList args = call.at(1).split(QLatin1Char(','));
    if (call.at(0) == QLatin1String("min"))
        slider.SetMinimum(args.at(0).toInt());
    else if (call.at(0) == QLatin1String("max"))
        slider.SetMaximum(args.at(0).toInt());
    else
        slider.SetRange(args.at(0).toInt(), args.at(1).toInt());

    QCOMPARE(slider.GetMinimun(), minimum);
    QCOMPARE(slider.GetMaximun(), maximum);
    QList<int> pairs;
    for (const QList<QVariant> &c : rangeSpy)
        pairs << c.at(0).toInt() << c.at(1).toInt();
    QCOMPARE(pairs, signalled);
    // The handle values are left where they were.
    QCOMPARE(slider.GetLowerValue(), 0);
    QCOMPARE(slider.GetUpperValue(), 166);
}

void TestDoubleSlider::valueSettersClampToRange_data()
{
    QTest::addColumn<bool>("upper");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("stored");

    QTest::newRow("lower below minimum") << false << -5 << 10;
    QTest::newRow("lower above maximum") << false << 999 << 150;
    QTest::newRow("lower above upper is allowed") << false << 140 << 140;
    QTest::newRow("upper above maximum") << true << 151 << 150;
    QTest::newRow("upper below minimum") << true << 9 << 10;
    QTest::newRow("upper below lower is allowed") << true << 20 << 20;
}

void TestDoubleSlider::valueSettersClampToRange()
{
    QFETCH(bool, upper);
    QFETCH(int, value);
    QFETCH(int, stored);

    DoubleSlider slider(Qt::Horizontal, kBoth);
    slider.SetRange(10, 150);
    slider.SetLowerValue(30);
    slider.SetUpperValue(100);
    QSignalSpy lowerSpy(&slider, &DoubleSlider::lowerValueChanged);
    QSignalSpy upperSpy(&slider, &DoubleSlider::upperValueChanged);
    if (upper)
        slider.SetUpperValue(value);
    else
        slider.SetLowerValue(value);

    QCOMPARE(upper ? slider.GetUpperValue() : slider.GetLowerValue(), stored);
    QCOMPARE(ints(upper ? upperSpy : lowerSpy), QList<int>{stored});
    QCOMPARE((upper ? lowerSpy : upperSpy).count(), 0);
}

// ---------------------------------------------------------------------------

void TestDoubleSlider::zeroWidthRange()
{
    auto slider = makeSlider(Qt::Horizontal, kBoth, QSize(200, 24), 0, 0);
    slider->SetRange(50, 50);
    slider->SetLowerValue(10);
    slider->SetUpperValue(90);
    QCOMPARE(slider->GetLowerValue(), 50);
    QCOMPARE(slider->GetUpperValue(), 50);

    // Both handles sit at the start of the track.
    QCOMPARE(slider->firstHandleRect(), QRect(1, 6, 11, 11));
    QCOMPARE(slider->secondHandleRect(), QRect(12, 6, 11, 11));
    QVERIFY(!slider->grab().isNull());

    // Dragging and clicking keep the one value the range has.
    mouse::press(slider.get(), QPoint(17, 12));
    mouse::move(slider.get(), QPoint(150, 12));
    QCOMPARE(slider->GetUpperValue(), 50);
    mouse::release(slider.get(), QPoint(150, 12));
    mouse::press(slider.get(), QPoint(150, 12));
    QCOMPARE(slider->GetUpperValue(), 50);
    mouse::press(slider.get(), QPoint(6, 12));
    mouse::move(slider.get(), QPoint(0, 12));
    QCOMPARE(slider->GetLowerValue(), 50);
}

// Narrower than the handles need: no usable length to divide by.
void TestDoubleSlider::tooShortTrack()
{
    auto slider = makeSlider(Qt::Horizontal, kBoth, QSize(20, 24), 40, 120);
    QVERIFY(slider->validLength() < 0);
    mouse::press(slider.get(), QPoint(slider->secondHandleRect().center().x(), 12));
    mouse::move(slider.get(), QPoint(100, 12));
    QVERIFY(slider->GetUpperValue() >= 0 && slider->GetUpperValue() <= 166);
    QVERIFY(!slider->grab().isNull());
}

// ---------------------------------------------------------------------------

void TestDoubleSlider::paintedColours_data()
{
    QTest::addColumn<Qt::Orientation>("orientation");
    QTest::addColumn<QPoint>("groove");
    QTest::addColumn<QPoint>("handle");
    QTest::addColumn<QPoint>("bar");

    // Lower 40, upper 80 of 166 on 200 px with both handles: the lower
    // handle spans 43..53, the bar 54..96, the upper handle 96..106.
    QTest::newRow("horizontal") << Qt::Horizontal << QPoint(150, 11) << QPoint(48, 11) << QPoint(75, 11);
    QTest::newRow("vertical") << Qt::Vertical << QPoint(11, 150) << QPoint(11, 48) << QPoint(11, 75);
}

void TestDoubleSlider::paintedColours()
{
    QFETCH(Qt::Orientation, orientation);
    QFETCH(QPoint, groove);
    QFETCH(QPoint, handle);
    QFETCH(QPoint, bar);

    const QSize size = orientation == Qt::Horizontal ? QSize(200, 24) : QSize(24, 200);
    auto slider = makeSlider(orientation, kBoth, size, 40, 80);
    const QImage image = slider->grab().toImage();
    QCOMPARE(image.pixelColor(groove), QColor(0xD0, 0xD0, 0xD0));
    QCOMPARE(image.pixelColor(handle), QColor(0xFA, 0xFA, 0xFA));
    QCOMPARE(image.pixelColor(bar), QColor(0x1E, 0x90, 0xFF));
}

void TestDoubleSlider::disabledBarIsDarkGray()
{
    auto slider = makeSlider(Qt::Horizontal, kBoth, QSize(200, 24), 40, 80);
    const QPoint bar(75, 11);

    slider->setEnabled(false);
    QCOMPARE(slider->grab().toImage().pixelColor(bar), QColor(Qt::darkGray));
    // A disabled slider takes no clicks.
    mouse::press(slider.get(), QPoint(2, 12));
    QCOMPARE(slider->GetLowerValue(), 40);

    slider->setEnabled(true);
    QCOMPARE(slider->grab().toImage().pixelColor(bar), QColor(0x1E, 0x90, 0xFF));
}

QTEST_MAIN(TestDoubleSlider)
#include "test_doubleslider.moc"
