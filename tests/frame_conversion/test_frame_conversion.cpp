// Where a preview sits in its area: the largest rectangle of the source's
// shape, centred, never empty unless there is nothing to place; and its
// pixels: the panel's, nearest pixel, as OpenCV's resize would pick them.
#include "frame_conversion.h"

#include <QtTest>
#include <opencv2/imgproc.hpp>

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

    void previewPixels_data()
    {
        QTest::addColumn<cv::Size>("area");
        QTest::newRow("the console's default, fractional") << cv::Size(470, 475);
        QTest::newRow("a pixel short of twice") << cv::Size(359, 199);
        QTest::newRow("large") << cv::Size(1366, 760);
        QTest::newRow("smaller than the panel") << cv::Size(100, 100);
        QTest::newRow("the panel's own size") << cv::Size(180, 100);
    }
    void previewPixels()
    {
        QFETCH(cv::Size, area);
        cv::Mat panel(100, 180, CV_8UC1);
        cv::randu(panel, 0, 256);
        vistrel::protocol::Bytes frame{0x55, 0x04};
        for (int i = 0; i < panel.rows * panel.cols; ++i)
            frame.insert(frame.end(), {0x00, panel.data[i]});
        frame.insert(frame.end(), {0x0d, 0x0a});
        cv::Mat expected;
        cv::resize(panel, expected, letterboxRect(panel.size(), area).size(), 0, 0, cv::INTER_NEAREST);
        const QImage preview = panelPreview(frame, area);
        QCOMPARE(preview.size(), QSize(expected.cols, expected.rows));
        int differing = 0;
        for (int y = 0; y < expected.rows; ++y)
            for (int x = 0; x < expected.cols; ++x)
                differing += preview.pixel(x, y) != qRgb(expected.at<uchar>(y, x), expected.at<uchar>(y, x), expected.at<uchar>(y, x));
        QCOMPARE(differing, 0);
    }
};

QTEST_MAIN(FrameConversionTest)
#include "test_frame_conversion.moc"
