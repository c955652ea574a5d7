// DoubleSlider: handle geometry, clicks and drags with their signals, range setters.
#include "doubleslider.h"
#include "mouse_events.h"

#include <QSignalSpy>
#include <QtTest>

#include <memory>

using Options = DoubleSlider::Options;
static const Options kNone, kLower(DoubleSlider::LowerHandle), kUpper(DoubleSlider::UpperHandle), kBoth(kLower | kUpper);
static constexpr int kNoMove = -1000;

// A left press at `press` along the track, a move to `move` unless kNoMove, a release with another
// button (any ends a drag): the values after the move, the value signals until then and at release.
struct Gesture {
    Options options;
    int lower, upper, press, move, expectedLower, expectedUpper;
    QList<int> lowerSignals, upperSignals, atRelease;
    bool tracking = true, vertical = false;
};
Q_DECLARE_METATYPE(Options)
Q_DECLARE_METATYPE(Gesture)

// A slider of the second kind (range 0..166), 200 px long and 24 across.
static std::unique_ptr<DoubleSlider> makeSlider(Options options, int lower, int upper, bool vertical = false)
{
    auto slider = std::make_unique<DoubleSlider>(vertical ? Qt::Vertical : Qt::Horizontal, options);
    slider->resize(vertical ? QSize(24, 200) : QSize(200, 24));
    slider->SetLowerValue(lower);
    slider->SetUpperValue(upper);
    return slider;
}

static QList<int> ints(const QSignalSpy &spy) // all arguments of all emissions, in order
{
    QList<int> values;
    for (const QList<QVariant> &call : spy)
        for (const QVariant &argument : call)
            values << argument.toInt();
    return values;
}

class TestDoubleSlider : public QObject
{
    Q_OBJECT

private slots:
    void geometry_data()
    {
        QTest::addColumn<Options>("options");
        QTest::addColumn<bool>("vertical");
        QTest::addColumn<int>("validLength");
        QTest::addColumn<QRect>("first");
        QTest::addColumn<QRect>("second");
        // Values 50 and 120; the fractions of the track are truncated (187 * 50/166 = 56.33).
        QTest::newRow("both") << kBoth << false << 176 << QRect(54, 6, 11, 11) << QRect(139, 6, 11, 11);
        QTest::newRow("lower only") << kLower << false << 187 << QRect(57, 6, 11, 11) << QRect(147, 6, 11, 11);
        QTest::newRow("vertical, upper only") << kUpper << true << 187 << QRect(6, 57, 11, 11) << QRect(6, 136, 11, 11);
    }

    void geometry()
    {
        QFETCH(Options, options);
        QFETCH(bool, vertical);
        auto slider = makeSlider(options, 50, 120, vertical);
        QTEST(slider->validLength(), "validLength");
        QTEST(slider->firstHandleRect(), "first");
        QTEST(slider->secondHandleRect(), "second");
    }

    // Range 0..166 on 200 px: the step is 16. Both handles at 50 and 120:
    // the first spans 54..64, the second 139..149; the midpoint between is 102.
    void mouse_data()
    {
        QTest::addColumn<Gesture>("g");
        QTest::newRow("left of lower, no handles: lower - step") << Gesture{kNone, 50, 120, 56, kNoMove, 34, 120, {34}, {}, {}};
        QTest::newRow("on the lower handle: nothing") << Gesture{kBoth, 50, 120, 59, kNoMove, 50, 120, {}, {}, {50}};
        QTest::newRow("right of upper: upper + step, clamped") << Gesture{kBoth, 50, 160, 193, kNoMove, 50, 166, {}, {166}, {}};
        QTest::newRow("between, nearer lower: lower + step") << Gesture{kBoth, 50, 120, 101, kNoMove, 66, 120, {66}, {}, {}};
        QTest::newRow("between, midpoint: upper - step") << Gesture{kBoth, 50, 120, 102, kNoMove, 50, 104, {}, {104}, {}};
        QTest::newRow("upper only, lower spot: upper - step, no drag") << Gesture{kUpper, 0, 166, 6, 100, 0, 150, {}, {150}, {0}};
        // Drags: a handle's centre is 5 px after its start.
        QTest::newRow("lower pressed off centre, not tracking, 83.94 truncated") << Gesture{kBoth, 0, 166, 9, 98, 83, 166, {}, {}, {83}, false};
        QTest::newRow("lower into the upper handle") << Gesture{kBoth, 0, 100, 6, 190, 100, 100, {100}, {}, {100}};
        QTest::newRow("vertical lower") << Gesture{kBoth, 0, 166, 6, 94, 83, 166, {83}, {}, {83}, true, true};
        QTest::newRow("upper, not tracking") << Gesture{kBoth, 0, 166, 193, 104, 0, 82, {}, {}, {82}, false};
        QTest::newRow("upper into the lower handle") << Gesture{kBoth, 40, 166, 193, 10, 40, 40, {}, {40}, {40}};
    }

    void mouse()
    {
        QFETCH(Gesture, g);
        auto slider = makeSlider(g.options, g.lower, g.upper, g.vertical);
        slider->SetTracking(g.tracking);
        QSignalSpy lower(slider.get(), &DoubleSlider::lowerValueChanged), upper(slider.get(), &DoubleSlider::upperValueChanged);
        QSignalSpy moved(slider.get(), &DoubleSlider::doubleSliderMoved);
        const auto send = [&](QEvent::Type type, int along, Qt::MouseButton button = Qt::LeftButton) {
            mouse::send(slider.get(), type, g.vertical ? QPoint(12, along) : QPoint(along, 12), button);
        };
        send(QEvent::MouseButtonPress, g.press);
        if (g.move != kNoMove)
            send(QEvent::MouseMove, g.move);
        const QVariantList values{g.expectedLower, g.expectedUpper};
        QCOMPARE(moved.count(), g.move == kNoMove ? 1 : 2);
        QCOMPARE(moved.last(), values);
        QCOMPARE(ints(lower), g.lowerSignals);
        QCOMPARE(ints(upper), g.upperSignals);
        send(QEvent::MouseButtonRelease, g.press, Qt::RightButton);
        send(QEvent::MouseMove, g.press + 50); // released: no longer a drag
        QCOMPARE(ints(lower).mid(g.lowerSignals.size()) + ints(upper).mid(g.upperSignals.size()), g.atRelease);
        QCOMPARE(moved.last(), values);
    }

    // A new end beyond the other swaps with it; values are clamped only when set.
    void rangeSetters()
    {
        DoubleSlider slider(Qt::Horizontal, kBoth);
        QSignalSpy range(&slider, &DoubleSlider::rangeChanged);
        slider.setMinimum(200);
        slider.setMaximum(-5);
        slider.SetRange(10, 20);
        QCOMPARE(ints(range), (QList<int>{166, 200, -5, 166, 10, 166, 10, 20}));
        QCOMPARE(QList<int>({slider.GetMinimun(), slider.GetMaximun(), slider.GetLowerValue(), slider.GetUpperValue()}),
                 QList<int>({10, 20, 0, 166}));
        QSignalSpy lower(&slider, &DoubleSlider::lowerValueChanged), upper(&slider, &DoubleSlider::upperValueChanged);
        slider.setLowerValue(-999);
        slider.setUpperValue(999);
        QCOMPARE(ints(lower) + ints(upper), QList<int>({10, 20}));
    }

    // Both handles sit at the start, and clicks and drags keep the one value.
    void zeroWidthRange()
    {
        auto slider = makeSlider(kBoth, 0, 0);
        slider->SetRange(50, 50);
        slider->SetLowerValue(10);
        slider->SetUpperValue(90);
        QCOMPARE(slider->firstHandleRect(), QRect(1, 6, 11, 11));
        QCOMPARE(slider->secondHandleRect(), QRect(12, 6, 11, 11));
        QSignalSpy moved(slider.get(), &DoubleSlider::doubleSliderMoved);
        for (const int along : {17, 150, 6, 0}) {
            mouse::send(slider.get(), QEvent::MouseButtonPress, QPoint(along, 12));
            mouse::send(slider.get(), QEvent::MouseMove, QPoint(150 - along, 12));
        }
        QCOMPARE(ints(moved), QVector<int>(16, 50).toList());
    }
};

QTEST_MAIN(TestDoubleSlider)
#include "test_doubleslider.moc"
