// Still pictures: stretched to the panel, fitted into the preview at the size
// it is shown, and files OpenCV cannot read.
#include "display_media.h"
#include "message_box_recorder.h"
#include <QLabel>

using namespace displaytest;

class DisplayPictureTest : public QObject
{
    Q_OBJECT
    std::unique_ptr<Vistrel> m_window;
    const QString m_white = testenv::dataDir() + "/white.jpg";

    QImage preview() { return VistrelInspector::preview(*m_window); }
    void choosePicture(const QString &path) { choose(*m_window, "pushButton_OpenFile_jpg", path); }

private slots:
    void initTestCase() { QVERIFY(cv::imwrite(m_white.toStdString(), cv::Mat(240, 320, CV_8UC3, cv::Scalar::all(255)))); }
    void init() { openWindowOnPanel(m_window); }

    // Four gray quadrants: on the panel the picture is stretched (letterboxing
    // would put black in the corners); the preview keeps its aspect ratio,
    // fitted into the preview area.
    void widePicture_data()
    {
        QTest::addColumn<QSize>("area");
        QTest::addColumn<QSize>("fitted");
        QTest::newRow("default area: bars left and right") << QSize(360, 200) << QSize(356, 200);
        QTest::newRow("tall area: bars above and below") << QSize(200, 300) << QSize(200, 113);
        QTest::newRow("the picture's own shape: no bars") << QSize(320, 180) << QSize(320, 180);
    }
    void widePicture()
    {
        QFETCH(QSize, area);
        QFETCH(QSize, fitted);
        cv::Mat image(1080, 1920, CV_8UC3);
        const int levels[4] = {40, 90, 160, 220};  // top left, top right, bottom left, bottom right
        for (int q = 0; q < 4; ++q)
            image(cv::Rect(q % 2 * 960, q / 2 * 540, 960, 540)).setTo(cv::Scalar::all(levels[q]));
        const QString path = testenv::dataDir() + "/wide.jpg";
        QVERIFY(cv::imwrite(path.toStdString(), image));
        VistrelInspector::session(*m_window).setPreviewArea(area);
        choosePicture(path);
        button(*m_window, "startButton")->click();
        const Bytes bytes = wire();
        QCOMPARE(bytes.size(), std::size_t(4 + 36004));
        const QImage shown = preview();
        QCOMPARE(shown.size(), fitted);
        for (int q = 0; q < 4; ++q) {  // corner slots of the 180 x 100 panel, corner pixels of the preview
            const int row = q / 2 * 99, column = q % 2 * 179, panel = bytes[4 + 3 + 360 * row + 2 * column];
            const QRgb corner = shown.pixel(q % 2 * (fitted.width() - 1), q / 2 * (fitted.height() - 1));
            QVERIFY2(std::abs(panel - levels[q]) <= 4 && std::abs(qGray(corner) - levels[q]) <= 4 && qRed(corner) == qBlue(corner),
                     qPrintable(QString("corner %1: panel %2, preview %3").arg(q).arg(panel).arg(qGray(corner))));
        }
    }

    // On screen the preview is made for the label's size in device pixels
    // (no scaling when shown), and again when the window is resized; it is
    // drawn centred between black bars.
    void previewFollowsTheLabel()
    {
        choosePicture(m_white);  // 320 x 240: bars above and below in the tall label
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        QLabel *label = VistrelInspector::ui(*m_window).videoShowlabel;
        const auto deviceSize = [label] { return label->contentsRect().size() * label->devicePixelRatioF(); };
        const auto fitted = [&] { return QSize(deviceSize().width(), (deviceSize().width() * 3 + 2) / 4); };
        QTRY_COMPARE(preview().size(), fitted());
        QCOMPARE(VistrelInspector::session(*m_window).previewArea(), deviceSize());
        const QSize before = label->size();
        m_window->resize(m_window->width() + 120, m_window->height() + 80);
        QTRY_VERIFY(label->size() != before);
        QTRY_COMPARE(preview().size(), fitted());
        const int barHeight = (label->height() - fitted().height() / int(label->devicePixelRatioF())) / 2;
        QVERIFY(barHeight > 2);
        const auto barsAndPicture = [&](const QImage &painted) {
            return QList<int>{qGray(painted.pixel(label->rect().center())),  // the picture
                              qGray(painted.pixel(label->width() / 2, barHeight / 2)),  // the bars
                              qGray(painted.pixel(label->width() / 2, label->height() - 1 - barHeight / 2))};
        };
        QCOMPARE(barsAndPicture(label->grab().toImage()), (QList<int>{255, 0, 0}));
        // A frame made for the label's size before a resize goes where the
        // next ones will, bars kept, too large or too small.
        for (const QSize made : {fitted() * 2, fitted() / 2}) {
            QImage stale(made, QImage::Format_RGB32);
            stale.fill(Qt::white);
            VistrelInspector::showPreview(*m_window, stale);
            QCOMPARE(barsAndPicture(label->grab().toImage()), (QList<int>{255, 0, 0}));
            QCOMPARE(label->grab().toImage().pixel(label->width() / 2, barHeight + 1), qRgb(255, 255, 255));
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
        QVERIFY(!preview().isNull());
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
