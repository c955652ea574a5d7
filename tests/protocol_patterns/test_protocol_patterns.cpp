// The generated patterns against frames built here from the pattern table's
// formulas (floating point, rounded half up), and the checks of names and values.
#include "display_frame.h"
#include "pattern_table.h"
#include "patterns.h"
#include "test_environment.h"

#include <QtTest>

using namespace vistrel::protocol;
using namespace patterntable;

namespace {

PatternRequest checked(const QString &name, const QVector<int> &values)
{
    const PatternCheck check = checkPattern(name.toStdString(), std::vector<long long>(values.begin(), values.end()));
    return check.request;
}

} // namespace

Q_DECLARE_METATYPE(PatternError)

class TestProtocolPatterns : public QObject
{
    Q_OBJECT
private slots:
    void frames_data()
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

    void frames()
    {
        QFETCH(QString, name);
        QFETCH(QVector<int>, values);
        const PatternRequest request = checked(name, values);
        const Bytes expected = tableFrame(tableLevel(name, values));
        const Bytes frame = patternFrame(request);
        QVERIFY2(frame == expected, qPrintable(testenv::hex(frame, 64)));
        const Bytes image = patternImage(request);
        QCOMPARE(image.size(), kSlotCount);
        QCOMPARE(image[180 * 99 + 179], expected[2 + 2 * (180 * 99 + 179) + 1]);  // the last slot's level
    }

    // The seed's patterns keep their own frames, and their images read them back.
    void seedPatterns()
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

    void check_data()
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

    void check()
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
};

QTEST_APPLESS_MAIN(TestProtocolPatterns)
#include "test_protocol_patterns.moc"
