// Still pictures: stretched to the panel and its preview, and files OpenCV
// cannot read.
#include "display_media.h"
#include "message_box_recorder.h"
#include <QLabel>

using namespace displaytest;

class DisplayPictureTest : public QObject
{
    Q_OBJECT
    std::unique_ptr<Vistrel> m_window;
    const QString m_white = testenv::dataDir() + "/white.jpg";

    QPixmap preview() { return VistrelInspector::ui(*m_window).videoShowlabel->pixmap(Qt::ReturnByValue); }
    void choosePicture(const QString &path) { choose(*m_window, "pushButton_OpenFile_jpg", path); }

private slots:
    void initTestCase() { QVERIFY(cv::imwrite(m_white.toStdString(), cv::Mat(240, 320, CV_8UC3, cv::Scalar::all(255)))); }
    void init() { openWindowOnPanel(m_window); }

    // Four gray quadrants: letterboxing would put black in the corners.
    void widePictureIsStretched()
    {
        cv::Mat image(1080, 1920, CV_8UC3);
        const int levels[4] = {40, 90, 160, 220};  // top left, top right, bottom left, bottom right
        for (int q = 0; q < 4; ++q)
            image(cv::Rect(q % 2 * 960, q / 2 * 540, 960, 540)).setTo(cv::Scalar::all(levels[q]));
        const QString path = testenv::dataDir() + "/wide.jpg";
        QVERIFY(cv::imwrite(path.toStdString(), image));
        choosePicture(path);
        button(*m_window, "startButton")->click();
        const Bytes bytes = wire();
        QCOMPARE(bytes.size(), std::size_t(4 + 36004));
        const QImage shown = preview().toImage();
        for (int q = 0; q < 4; ++q) {  // corner slots of the 180 x 100 panel, corner pixels of the preview
            const int row = q / 2 * 99, column = q % 2 * 179, panel = bytes[4 + 3 + 360 * row + 2 * column];
            const int previewed = qGray(shown.pixel(column * 2 + q % 2, row * 2 + q / 2));
            QVERIFY2(std::abs(panel - levels[q]) <= 4 && std::abs(previewed - levels[q]) <= 4,
                     qPrintable(QString("corner %1: panel %2, preview %3").arg(q).arg(panel).arg(previewed)));
        }
    }

    // A JPEG cut short: the picture chosen before stays, and so does its preview.
    void unreadablePictureKeepsPreviousMedium()
    {
        const QString broken = testenv::dataDir() + "/broken.jpg";
        QFile file(broken);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("\xFF\xD8\xFF\xE0 garbage") > 0 && file.flush());
        choosePicture(m_white);
        const qint64 previewBefore = preview().cacheKey();
        MessageBoxRecorder boxes;
        choosePicture(broken);
        QCOMPARE(boxes.boxes().size(), 1);
        QCOMPARE(boxes.boxes()[0].text, QString("picture not readable"));
        QVERIFY(VistrelInspector::mediaPath(*m_window) == m_white && VistrelInspector::stillImageMode(*m_window));
        QCOMPARE(preview().cacheKey(), previewBefore);
        QVERIFY(wire().empty());
    }
};

QTEST_MAIN(DisplayPictureTest)
#include "test_display_picture.moc"
