// Still pictures: shown and taken down with the one-second lock, stretched to
// the panel, and files OpenCV cannot read.
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

    void whitePictureShownAndTakenDown()
    {
        choosePicture(m_white);
        QPushButton *start = button(*m_window, "startButton");
        start->click();
        const Bytes shown = kStartWord + panelFrame(0x04, [](int) { return 0x00FF; });
        QCOMPARE(wire(), shown);
        QCOMPARE(start->text(), QString("Stop"));
        verifyButtons(*m_window, kLockedWhileShowing, false);
        QVERIFY(!start->isEnabled());
        m_window->on_StartVideo_click();  // pressed again within the second: ignored
        QCOMPARE(wire(), shown);
        QTRY_VERIFY_WITH_TIMEOUT(start->isEnabled(), 1500);
        start->click();
        QCOMPARE(wire(), shown + kStopWord);
        QCOMPARE(start->text(), QString("Start"));
        verifyButtons(*m_window, kLockedWhileShowing, true);
    }

    // Four gray quadrants: on the panel the picture is stretched (letterboxing
    // would put black in the corners); in the preview it keeps its aspect
    // ratio, at the preview area's size, with black bars.
    void widePicture_data()
    {
        QTest::addColumn<QSize>("area");
        QTest::addColumn<QRect>("inside");  // where the picture lies in the preview
        QTest::newRow("default area: bars left and right") << QSize(360, 200) << QRect(2, 0, 356, 200);
        QTest::newRow("tall area: bars above and below") << QSize(200, 300) << QRect(0, 93, 200, 113);
        QTest::newRow("the picture's own shape: no bars") << QSize(320, 180) << QRect(0, 0, 320, 180);
    }
    void widePicture()
    {
        QFETCH(QSize, area);
        QFETCH(QRect, inside);
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
        QCOMPARE(shown.size(), area);
        for (int q = 0; q < 4; ++q) {  // corner slots of the 180 x 100 panel, corner pixels of the picture in the preview
            const int row = q / 2 * 99, column = q % 2 * 179, panel = bytes[4 + 3 + 360 * row + 2 * column];
            const QPoint corner(q % 2 ? inside.right() : inside.left(), q / 2 ? inside.bottom() : inside.top());
            const int previewed = qGray(shown.pixel(corner));
            QVERIFY2(std::abs(panel - levels[q]) <= 4 && std::abs(previewed - levels[q]) <= 4,
                     qPrintable(QString("corner %1: panel %2, preview %3").arg(q).arg(panel).arg(previewed)));
        }
        const QRect bars[] = {QRect(0, 0, inside.left(), area.height()), QRect(0, 0, area.width(), inside.top()),
                              QRect(inside.right() + 1, 0, area.width() - inside.right() - 1, area.height()),
                              QRect(0, inside.bottom() + 1, area.width(), area.height() - inside.bottom() - 1)};
        for (const QRect &bar : bars)
            for (int y = bar.top(); y <= bar.bottom(); ++y)
                for (int x = bar.left(); x <= bar.right(); ++x)
                    QVERIFY2(qGray(shown.pixel(x, y)) == 0, qPrintable(QString("bar pixel %1,%2").arg(x).arg(y)));
    }

    // On screen the preview is made at the label's size in device pixels
    // (no scaling when shown), and again when the window is resized.
    void previewFollowsTheLabel()
    {
        choosePicture(m_white);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        QLabel *label = VistrelInspector::ui(*m_window).videoShowlabel;
        const auto deviceSize = [label] { return label->contentsRect().size() * label->devicePixelRatioF(); };
        QTRY_COMPARE(preview().size(), deviceSize());
        QCOMPARE(VistrelInspector::session(*m_window).previewArea(), deviceSize());
        const QSize before = label->size();
        m_window->resize(m_window->width() + 120, m_window->height() + 80);
        QTRY_VERIFY(label->size() != before);
        QTRY_COMPARE(preview().size(), deviceSize());
        // Painted one to one: the label's centre shows the white picture.
        QCOMPARE(qGray(label->grab().toImage().pixel(label->rect().center())), 255);
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
