// Where a preview sits in its area: the largest rectangle of the source's
// shape, centred, never empty unless there is nothing to place.
#include "frame_conversion.h"

#include <QtTest>

using namespace vistrel::display;

Q_DECLARE_METATYPE(cv::Size)
Q_DECLARE_METATYPE(cv::Rect)

class FrameConversionTest : public QObject
{
    Q_OBJECT

private slots:
    void letterbox_data()
    {
        QTest::addColumn<cv::Size>("source");
        QTest::addColumn<cv::Size>("area");
        QTest::addColumn<cv::Rect>("placed");
        QTest::newRow("same shape fills it") << cv::Size(1920, 1080) << cv::Size(480, 270) << cv::Rect(0, 0, 480, 270);
        QTest::newRow("wide: bars above and below") << cv::Size(1920, 1080) << cv::Size(470, 475) << cv::Rect(0, 105, 470, 264);
        QTest::newRow("tall: bars left and right") << cv::Size(600, 800) << cv::Size(470, 475) << cv::Rect(57, 0, 356, 475);
        QTest::newRow("a sliver keeps one pixel") << cv::Size(10000, 1) << cv::Size(100, 100) << cv::Rect(0, 49, 100, 1);
        QTest::newRow("small source is enlarged") << cv::Size(64, 36) << cv::Size(200, 100) << cv::Rect(11, 0, 178, 100);
        QTest::newRow("no area") << cv::Size(64, 36) << cv::Size(0, 100) << cv::Rect();
        QTest::newRow("no source") << cv::Size() << cv::Size(200, 100) << cv::Rect();
    }
    void letterbox()
    {
        QFETCH(cv::Size, source);
        QFETCH(cv::Size, area);
        QFETCH(cv::Rect, placed);
        QCOMPARE(letterboxRect(source, area), placed);
    }
};

QTEST_MAIN(FrameConversionTest)
#include "test_frame_conversion.moc"
