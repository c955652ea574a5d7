// The generated patterns against frames built here from the pattern table's
// formulas (floating point, rounded half up), and the checks of names and values.
#include "display_frame.h"
#include "patterns.h"

#include <QtTest>

#include <cmath>
#include <functional>

using namespace vistrel::protocol;

namespace {

using Level = std::function<int(int r, int c)>;

int roundedHalfUp(double x) { return static_cast<int>(std::floor(x + 0.5)); }

// L(r, c) as the pattern table writes it.
Level tableLevel(const QString &name, const QVector<int> &v)
{
    if (name == "gray")
        return [=](int, int) { return v[0]; };
    if (name == "hramp")
        return [](int, int c) { return roundedHalfUp(255.0 * c / 179); };
    if (name == "vramp")
        return [](int r, int) { return roundedHalfUp(255.0 * r / 99); };
    if (name == "hsteps")
        return [=](int, int c) { return roundedHalfUp(255.0 * std::floor(c * v[0] / 180.0) / (v[0] - 1)); };
    if (name == "vsteps")
        return [=](int r, int) { return roundedHalfUp(255.0 * std::floor(r * v[0] / 100.0) / (v[0] - 1)); };
    if (name == "squares") {
        return [=](int r, int c) {
            const int a = v.size() > 1 ? v[1] : 255;
            const int b = v.size() > 2 ? v[2] : 0;
            return int(std::floor(double(r) / v[0]) + std::floor(double(c) / v[0])) % 2 == 0 ? a : b;
        };
    }
    if (name == "grid")
        return [=](int r, int c) { return r % v[0] == 0 || c % v[0] == 0 || r == 99 || c == 179 ? 255 : 0; };
    if (name == "border")
        return [=](int r, int c) { return r < v[0] || r > 99 - v[0] || c < v[0] || c > 179 - v[0] ? 255 : 0; };
    if (name == "box")
        return [=](int r, int c) { return 45 <= c && c < 135 && 25 <= r && r < 75 ? v[0] : v[1]; };
    return {};
}

// FF 04, then pixel (r, c) in slot 180 r + c as 00 L, then CR LF.
Bytes tableFrame(const Level &level)
{
    Bytes frame{0xFF, 0x04};
    for (int r = 0; r < 100; ++r) {
        for (int c = 0; c < 180; ++c) {
            frame.push_back(0x00);
            frame.push_back(static_cast<std::uint8_t>(level(r, c)));
        }
    }
    frame.push_back(0x0D);
    frame.push_back(0x0A);
    return frame;
}

PatternRequest checked(const QString &name, const QVector<int> &values)
{
    const PatternCheck check = checkPattern(name.toStdString(), std::vector<long long>(values.begin(), values.end()));
    return check.request;
}

int levelAt(const Bytes &frame, int r, int c) { return frame[std::size_t(2 + 2 * (180 * r + c) + 1)]; }

} // namespace

Q_DECLARE_METATYPE(PatternError)

class TestProtocolPatterns : public QObject
{
    Q_OBJECT
private slots:
    void frames_data();
    void frames();
    void edges_data();
    void edges();
    void seedPatterns();
    void check_data();
    void check();
};

void TestProtocolPatterns::frames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVector<int>>("values");
    QTest::newRow("gray 0") << "gray" << QVector<int>{0};
    QTest::newRow("gray 128") << "gray" << QVector<int>{128};
    QTest::newRow("gray 255") << "gray" << QVector<int>{255};
    QTest::newRow("hramp") << "hramp" << QVector<int>{};
    QTest::newRow("vramp") << "vramp" << QVector<int>{};
    QTest::newRow("hsteps 2") << "hsteps" << QVector<int>{2};
    QTest::newRow("hsteps 7, not dividing 180") << "hsteps" << QVector<int>{7};
    QTest::newRow("hsteps 180") << "hsteps" << QVector<int>{180};
    QTest::newRow("vsteps 3, halves rounded up") << "vsteps" << QVector<int>{3};
    QTest::newRow("vsteps 7, not dividing 100") << "vsteps" << QVector<int>{7};
    QTest::newRow("vsteps 100") << "vsteps" << QVector<int>{100};
    QTest::newRow("squares 1") << "squares" << QVector<int>{1};
    QTest::newRow("squares 7 200 30") << "squares" << QVector<int>{7, 200, 30};
    QTest::newRow("squares 4 9, B left out") << "squares" << QVector<int>{4, 9};
    QTest::newRow("squares 100") << "squares" << QVector<int>{100};
    QTest::newRow("grid 2") << "grid" << QVector<int>{2};
    QTest::newRow("grid 7") << "grid" << QVector<int>{7};
    QTest::newRow("grid 100") << "grid" << QVector<int>{100};
    QTest::newRow("border 1") << "border" << QVector<int>{1};
    QTest::newRow("border 50") << "border" << QVector<int>{50};
    QTest::newRow("box 200 30") << "box" << QVector<int>{200, 30};
}

void TestProtocolPatterns::frames()
{
    QFETCH(QString, name);
    QFETCH(QVector<int>, values);
    const PatternRequest request = checked(name, values);
    const Bytes expected = tableFrame(tableLevel(name, values));
    const Bytes frame = patternFrame(request);
    QCOMPARE(frame.size(), kDisplayFrameSize);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (frame[i] != expected[i])
            QFAIL(qPrintable(QStringLiteral("byte %1: %2, expected %3").arg(i).arg(frame[i]).arg(expected[i])));
    }
    const Bytes image = patternImage(request);
    QCOMPARE(image.size(), kSlotCount);
    QCOMPARE(int(image[180 * 99 + 179]), levelAt(expected, 99, 179));
}

// Levels worked out by hand at the last column and row and at step edges.
void TestProtocolPatterns::edges_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVector<int>>("values");
    QTest::addColumn<int>("r");
    QTest::addColumn<int>("c");
    QTest::addColumn<int>("level");
    QTest::newRow("hramp last column") << "hramp" << QVector<int>{} << 0 << 179 << 255;
    QTest::newRow("hramp column 1") << "hramp" << QVector<int>{} << 99 << 1 << 1;
    QTest::newRow("vramp last row") << "vramp" << QVector<int>{} << 99 << 0 << 255;
    QTest::newRow("vramp row 50") << "vramp" << QVector<int>{} << 50 << 179 << 129;
    QTest::newRow("hsteps 7, column 25") << "hsteps" << QVector<int>{7} << 0 << 25 << 0;
    QTest::newRow("hsteps 7, column 26") << "hsteps" << QVector<int>{7} << 0 << 26 << 43;
    QTest::newRow("hsteps 7, last column") << "hsteps" << QVector<int>{7} << 0 << 179 << 255;
    QTest::newRow("vsteps 3, row 34 (127.5)") << "vsteps" << QVector<int>{3} << 34 << 0 << 128;
    QTest::newRow("vsteps 3, row 33") << "vsteps" << QVector<int>{3} << 33 << 0 << 0;
    QTest::newRow("squares 100, column 100") << "squares" << QVector<int>{100} << 99 << 100 << 0;
    QTest::newRow("squares 1, (1, 1)") << "squares" << QVector<int>{1} << 1 << 1 << 255;
    QTest::newRow("grid 7, last row") << "grid" << QVector<int>{7} << 99 << 3 << 255;
    QTest::newRow("grid 7, last column") << "grid" << QVector<int>{7} << 3 << 179 << 255;
    QTest::newRow("grid 7, inside") << "grid" << QVector<int>{7} << 97 << 178 << 0;
    QTest::newRow("border 50, middle row") << "border" << QVector<int>{50} << 50 << 90 << 255;
    QTest::newRow("border 1, (1, 178)") << "border" << QVector<int>{1} << 1 << 178 << 0;
    QTest::newRow("box, (74, 134)") << "box" << QVector<int>{200, 30} << 74 << 134 << 200;
    QTest::newRow("box, (75, 134)") << "box" << QVector<int>{200, 30} << 75 << 134 << 30;
}

void TestProtocolPatterns::edges()
{
    QFETCH(QString, name);
    QFETCH(QVector<int>, values);
    QFETCH(int, r);
    QFETCH(int, c);
    QFETCH(int, level);
    QCOMPARE(levelAt(patternFrame(checked(name, values)), r, c), level);
}

// The seed's patterns keep their own frames, and their images read them back.
void TestProtocolPatterns::seedPatterns()
{
    QCOMPARE(patternFrame(checked("ALL-ON", {})), buildAllOnFrame());
    const PatternRequest checker = checked("checker", {});
    QCOMPARE(patternFrame(checker), buildCheckerFrame());
    QVERIFY(isSeedPattern(checker));
    const Bytes image = patternImage(checker);
    // Slot 100 i + j is lit where floor(i / 10) + floor(j / 10) is even.
    for (int slot : {0, 10, 1000, 1010, 17999})
        QCOMPARE(int(image[std::size_t(slot)]), (slot / 100 / 10 + slot % 100 / 10) % 2 == 0 ? 255 : 0);
}

void TestProtocolPatterns::check_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVector<long long>>("values");
    QTest::addColumn<PatternError>("error");
    QTest::addColumn<QString>("canonical");
    QTest::addColumn<QVector<int>>("filled");
    using V = QVector<long long>;
    const auto ok = PatternError::None;
    QTest::newRow("upper case") << "GRAY" << V{128} << ok << "gray" << QVector<int>{128};
    QTest::newRow("squares S") << "squares" << V{4} << ok << "squares" << QVector<int>{4, 255, 0};
    QTest::newRow("squares S A") << "Squares" << V{4, 200} << ok << "squares" << QVector<int>{4, 200, 0};
    QTest::newRow("range ends") << "hsteps" << V{180} << ok << "hsteps" << QVector<int>{180};
    QTest::newRow("no values") << "checker" << V{} << ok << "checker" << QVector<int>{};
    QTest::newRow("unknown") << "grey" << V{1} << PatternError::UnknownName << "" << QVector<int>{};
    QTest::newRow("gray missing N") << "gray" << V{} << PatternError::MissingValue << "" << QVector<int>{};
    QTest::newRow("box missing B") << "box" << V{1} << PatternError::MissingValue << "" << QVector<int>{};
    QTest::newRow("hramp extra") << "hramp" << V{1} << PatternError::ExtraValue << "" << QVector<int>{};
    QTest::newRow("squares extra") << "squares" << V{1, 2, 3, 4} << PatternError::ExtraValue << "" << QVector<int>{};
    QTest::newRow("gray 256") << "gray" << V{256} << PatternError::OutOfRange << "" << QVector<int>{};
    QTest::newRow("gray -1") << "gray" << V{-1} << PatternError::OutOfRange << "" << QVector<int>{};
    QTest::newRow("gray 2^32 + 5") << "gray" << V{4294967301LL} << PatternError::OutOfRange << "" << QVector<int>{};
    QTest::newRow("hsteps 1") << "hsteps" << V{1} << PatternError::OutOfRange << "" << QVector<int>{};
    QTest::newRow("hsteps 181") << "hsteps" << V{181} << PatternError::OutOfRange << "" << QVector<int>{};
    QTest::newRow("vsteps 101") << "vsteps" << V{101} << PatternError::OutOfRange << "" << QVector<int>{};
    QTest::newRow("squares 0") << "squares" << V{0} << PatternError::OutOfRange << "" << QVector<int>{};
    QTest::newRow("squares 101") << "squares" << V{101} << PatternError::OutOfRange << "" << QVector<int>{};
    QTest::newRow("squares B 256") << "squares" << V{4, 0, 256} << PatternError::OutOfRange << "" << QVector<int>{};
    QTest::newRow("grid 1") << "grid" << V{1} << PatternError::OutOfRange << "" << QVector<int>{};
    QTest::newRow("border 0") << "border" << V{0} << PatternError::OutOfRange << "" << QVector<int>{};
    QTest::newRow("border 51") << "border" << V{51} << PatternError::OutOfRange << "" << QVector<int>{};
}

void TestProtocolPatterns::check()
{
    QFETCH(QString, name);
    QFETCH(QVector<long long>, values);
    QFETCH(PatternError, error);
    QFETCH(QString, canonical);
    QFETCH(QVector<int>, filled);
    const PatternCheck check = checkPattern(name.toStdString(), std::vector<long long>(values.begin(), values.end()));
    QCOMPARE(check.error, error);
    QCOMPARE(check.message.empty(), error == PatternError::None);
    if (error == PatternError::None) {
        const PatternRequest expected{canonical.toStdString(), std::vector<int>(filled.begin(), filled.end())};
        QVERIFY(check.request == expected);
    }
}

QTEST_APPLESS_MAIN(TestProtocolPatterns)
#include "test_protocol_patterns.moc"
