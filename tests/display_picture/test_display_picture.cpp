// Still pictures: stretched to the panel, the preview fitted to its label, unreadable files.
#include "display_media.h"
#include "message_box_recorder.h"
#include <QLabel>
#include <opencv2/imgproc.hpp>

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

    // The preview is the panel's 180 x 100 image as sent, at twice its size
    // (the default area): a 16:9 picture is stretched in both, and each
    // preview pixel is its panel pixel's gray byte. (Areas of other shapes:
    // test_frame_conversion, and previewFollowsTheLabel below.)
    void previewIsThePanel()
    {
        cv::Mat image(1080, 1920, CV_8UC3);
        cv::randu(image, cv::Scalar::all(0), cv::Scalar::all(256));
        cv::GaussianBlur(image, image, {0, 0}, 12);  // varied, yet smooth enough to survive JPEG
        const QString path = testenv::dataDir() + "/wide.jpg";
        QVERIFY(cv::imwrite(path.toStdString(), image));
        choosePicture(path);
        const QImage chosen = preview();
        button(*m_window, "startButton")->click();
        const Bytes bytes = wire();
        QCOMPARE(bytes.size(), std::size_t(4 + 36004));
        QCOMPARE(preview(), chosen);  // Start shows what choosing previewed
        QCOMPARE(chosen.size(), QSize(360, 200));
        int differing = 0;
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 360; ++x)
                differing += qGray(chosen.pixel(x, y)) != bytes[4 + 3 + 2 * (180 * (y / 2) + x / 2)];
        QCOMPARE(differing, 0);
    }

    // A chosen video previews its first frame under its name; a lit pattern
    // takes the preview while lit, then the chosen file's comes back.
    void previewFollowsWhatIsLit()
    {
        const QString video = rampVideo("first.mp4", 3);
        QVERIFY(!video.isEmpty());
        choosePicture(m_white);
        choose(*m_window, "pushButton_OpenFile_mp4", video);
        QCOMPARE(m_window->findChild<QLabel *>("mediaName")->text(), QString("first.mp4"));
        // Each preview pixel's gray at twice the panel (the default area), as one string per image.
        const auto grays = [](const QImage &image) {
            QByteArray out;
            for (int y = 0; y < image.height(); y += 2)
                for (int x = 0; x < image.width(); x += 2)
                    out += char(qGray(image.pixel(x, y)));
            return out;
        };
        const auto sent = [] {  // the lit frame's grays (its layout: tests/protocol_packets)
            QByteArray out;
            for (int slot = 0; slot < 180 * 100; ++slot)
                out += char(Testbed::instance().panel(kSerial).lastFrame->gray(slot));
            return out;
        };
        const QByteArray videoShown = grays(preview());
        QCOMPARE(videoShown.size(), 180 * 100);
        for (int i = 0; i < videoShown.size(); ++i)  // lossy coding shifts the gray a little
            QVERIFY2(std::abs(int(quint8(videoShown[i])) - 16) <= 4, qPrintable(QString::number(i)));
        for (const char *pattern : {"pushButton_brightness", "pushButton_chessboard"}) {
            button(*m_window, pattern)->click();
            QCOMPARE(grays(preview()), sent());
            button(*m_window, pattern)->click();
            QCOMPARE(grays(preview()), videoShown);
        }
        QCOMPARE(wire().size(), std::size_t(2 * (4 + 36004 + 4)));  // both patterns lit and taken down
    }

    // Made for the label's size in device pixels, again on resize, centred between black bars.
    void previewFollowsTheLabel()
    {
        choosePicture(m_white);  // shown as the panel's 9:5: bars above and below in the tall label
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        QLabel *label = VistrelInspector::ui(*m_window).videoShowlabel;
        const auto deviceSize = [label] { return label->contentsRect().size() * label->devicePixelRatioF(); };
        const auto fitted = [&] { return QSize(deviceSize().width(), (deviceSize().width() * 5 + 4) / 9); };
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
        // A frame made before a resize, too large or too small, still fits between the bars.
        for (const QSize made : {fitted() * 2, fitted() / 2}) {
            QImage stale(made, QImage::Format_RGB32);
            stale.fill(Qt::white);
            VistrelInspector::showPreview(*m_window, stale);
            QCOMPARE(barsAndPicture(label->grab().toImage()), (QList<int>{255, 0, 0}));
            QCOMPARE(label->grab().toImage().pixel(label->width() / 2, barHeight + 1), qRgb(255, 255, 255));
        }
    }

    // The open dialogs start where the last file was chosen, after a restart
    // too; a cancelled dialog changes nothing; captions and filters stay.
    void dialogsStartInTheLastFolder()
    {
        QStringList asked;  // caption|folder|filter
        auto answer = std::make_shared<QString>();
        VistrelInspector::setOpenFileDialog([&asked, answer](QWidget *, const QString &caption, const QString &folder,
                                                             const QString &filter) {
            asked << caption + '|' + folder + '|' + filter;
            return *answer;
        });
        const QString elsewhere = testenv::dataDir() + "/elsewhere";
        QVERIFY(QDir().mkpath(elsewhere));
        for (const QString &path : QStringList{m_white, elsewhere + "/clip.mp4", QString(), QString()}) {
            *answer = path;
            if (asked.size() == 3) {  // a restart
                m_window.reset();
                m_window = std::make_unique<Vistrel>();
            }
            button(*m_window, asked.size() % 2 ? "pushButton_OpenFile_mp4" : "pushButton_OpenFile_jpg")->click();
        }
        QDir().rmpath(elsewhere);
        const QString picture = "Open Picture File|%1|JPG Files (*.jpg)", video = "Open Video File|%1|MP4 Files (*.mp4)";
        QCOMPARE(asked, (QStringList{picture.arg(""), video.arg(QFileInfo(m_white).absolutePath()),
                                     picture.arg(QFileInfo(elsewhere).absoluteFilePath()),
                                     video.arg(QFileInfo(elsewhere).absoluteFilePath())}));
        VistrelInspector::setOpenFileDialog([](auto &&...) { return QString(); });  // nothing refers to this test's locals
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
        QCOMPARE(boxes.boxes(), QStringList{"|picture not readable\n" + broken});
        QVERIFY(VistrelInspector::mediaPath(*m_window) == m_white && VistrelInspector::stillImageMode(*m_window));
        QCOMPARE(preview().cacheKey(), previewBefore);
        QVERIFY(wire().empty());
    }
};

QTEST_MAIN(DisplayPictureTest)
#include "test_display_picture.moc"
