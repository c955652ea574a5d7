// Still pictures: choosing one (dialog, preview), showing it on the panel and
// taking it down, stretching, and files OpenCV cannot read.
#include "display_media.h"
#include "message_box_recorder.h"
#include "test_environment.h"
#include "vistrel_inspector.h"

#include <QFile>
#include <QLabel>
#include <QtTest>

#include <memory>

using namespace displaytest;
using vistrel::virt::Testbed;
using Bytes = std::vector<std::uint8_t>;

namespace {

const Bytes kStartWord{0xFF, 0xAA, 0x0D, 0x0A};
const Bytes kStopWord{0xFF, 0xFD, 0x0D, 0x0A};

QStringList &debugLines()
{
    static QStringList lines;
    return lines;
}

void recordDebug(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg)
        debugLines().append(message);
}

struct DialogCall {
    QWidget *parent;
    QString caption;
    QString dir;
    QString filter;
};

int slotGray(const Bytes &frame, int row, int column) { return frame[3 + 360 * row + 2 * column]; }

} // namespace

class DisplayPictureTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void choosingShowsGrayPreview_data();
    void choosingShowsGrayPreview();
    void cancelledDialogChangesNothing();
    void whitePictureShownAndTakenDown();
    void picturesAreStretched_data();
    void picturesAreStretched();
    void unreadablePictureKeepsPreviousMedium_data();
    void unreadablePictureKeepsPreviousMedium();
    void withoutDeviceInterfaceStillFollows();

private:
    void choose(const QString &path);
    Bytes frameOnWire(std::size_t at = 4);
    QPushButton *button(const char *name) { return m_window->findChild<QPushButton *>(name); }
    QLabel *preview() { return VistrelInspector::ui(*m_window).videoShowlabel; }

    std::unique_ptr<Vistrel> m_window;
    FT_HANDLE m_handle = nullptr;
    QString m_nextPath;
    QVector<DialogCall> m_dialogCalls;
    QString m_white;
};

void DisplayPictureTest::initTestCase()
{
    m_white = testenv::dataDir() + "/white.jpg";
    QVERIFY(writeJpeg(m_white, flatImage({320, 240}, 255)));
    VistrelInspector::setOpenFileDialog(
        [this](QWidget *parent, const QString &caption, const QString &dir, const QString &filter) {
            m_dialogCalls.append({parent, caption, dir, filter});
            return m_nextPath;
        });
    qInstallMessageHandler(recordDebug);
}

void DisplayPictureTest::init()
{
    testenv::clearSettingsStore();
    Testbed::instance().reset();
    m_window = std::make_unique<Vistrel>();
    char serial[] = "VPANEL01";
    QCOMPARE(FT_OpenEx(serial, FT_OPEN_BY_SERIAL_NUMBER, &m_handle), FT_STATUS(FT_OK));
    VistrelInspector::attachDevice(*m_window, m_handle);
    Testbed::instance().clearCaptured(kSerial);
    m_dialogCalls.clear();
    debugLines().clear();
}

void DisplayPictureTest::cleanup()
{
    m_window.reset();
    FT_Close(m_handle);
}

void DisplayPictureTest::choose(const QString &path)
{
    m_nextPath = path;
    button("pushButton_OpenFile_jpg")->click();
}

Bytes DisplayPictureTest::frameOnWire(std::size_t at)
{
    const Bytes bytes = wire();
    if (bytes.size() < at + 36004)
        return {};
    return Bytes(bytes.begin() + at, bytes.begin() + at + 36004);
}

void DisplayPictureTest::choosingShowsGrayPreview_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("plain name") << "bright.jpg";
    QTest::newRow("name beyond ASCII") << QString::fromUtf8("h\u00e4user-\u00e9t\u00e9.jpg");
}

void DisplayPictureTest::choosingShowsGrayPreview()
{
    QFETCH(QString, name);
    const QString path = testenv::dataDir() + "/" + name;
    cv::Mat colour(120, 160, CV_8UC3, cv::Scalar(255, 0, 0));  // pure blue: gray 29
    QVERIFY(writeJpeg(path, colour));
    choose(path);

    QCOMPARE(m_dialogCalls.size(), 1);
    QCOMPARE(m_dialogCalls[0].parent, static_cast<QWidget *>(m_window.get()));
    QCOMPARE(m_dialogCalls[0].caption, QString("Open Picture File"));
    QCOMPARE(m_dialogCalls[0].dir, QString());
    QCOMPARE(m_dialogCalls[0].filter, QString("JPG Files (*.jpg)"));

    QCOMPARE(VistrelInspector::mediaPath(*m_window), path);
    QVERIFY(VistrelInspector::stillImageMode(*m_window));
    const cv::Mat still = VistrelInspector::stillImage(*m_window);
    QCOMPARE(still.channels(), 3);
    QCOMPARE(still.cols, 160);
    QCOMPARE(still.rows, 120);

    const QImage shown = preview()->pixmap(Qt::ReturnByValue).toImage();
    QCOMPARE(shown.size(), QSize(360, 200));
    QVERIFY(shown.isGrayscale());
    QVERIFY(std::abs(qGray(shown.pixel(180, 100)) - 29) <= 3);
    QVERIFY(preview()->hasScaledContents());
    QCOMPARE(preview()->size(), QSize(360, 200));
    QVERIFY(wire().empty());
}

void DisplayPictureTest::cancelledDialogChangesNothing()
{
    choose(m_white);
    const qint64 shownKey = preview()->pixmap(Qt::ReturnByValue).cacheKey();
    choose(QString());
    QCOMPARE(m_dialogCalls.size(), 2);
    QCOMPARE(VistrelInspector::mediaPath(*m_window), m_white);
    QVERIFY(VistrelInspector::stillImageMode(*m_window));
    QCOMPARE(preview()->pixmap(Qt::ReturnByValue).cacheKey(), shownKey);
}

// Start, the one-second lock, Stop: the whole cycle of a picture.
void DisplayPictureTest::whitePictureShownAndTakenDown()
{
    choose(m_white);
    button("startButton")->click();

    Bytes expected(36004, 0x00);
    expected[0] = 0xFF;
    expected[1] = 0x04;
    for (std::size_t slot = 0; slot < 18000; ++slot)
        expected[3 + 2 * slot] = 0xFF;
    expected[36002] = 0x0D;
    expected[36003] = 0x0A;
    Bytes startAndFrame = kStartWord;
    startAndFrame.insert(startAndFrame.end(), expected.begin(), expected.end());
    QCOMPARE(wire(), startAndFrame);
    QCOMPARE(debugLines().count(" Send OK"), 1);
    QCOMPARE(button("startButton")->text(), QString("Stop"));
    for (const char *name : {"sendButton", "pushButton_brightness", "pushButton_chessboard"}) {
        QVERIFY2(!button(name)->isEnabled(), name);
        QCOMPARE(button(name)->styleSheet(), VistrelInspector::disabledButtonStyle(*m_window));
    }

    QVERIFY(!button("startButton")->isEnabled());
    m_window->on_StartVideo_click();  // a second press while locked does nothing
    QCOMPARE(wire().size(), startAndFrame.size());
    QCOMPARE(button("startButton")->text(), QString("Stop"));

    QTRY_VERIFY_WITH_TIMEOUT(button("startButton")->isEnabled(), 1500);
    button("startButton")->click();
    Bytes all = startAndFrame;
    all.insert(all.end(), kStopWord.begin(), kStopWord.end());
    QCOMPARE(wire(), all);
    QCOMPARE(button("startButton")->text(), QString("Start"));
    for (const char *name : {"sendButton", "pushButton_brightness", "pushButton_chessboard"}) {
        QVERIFY2(button(name)->isEnabled(), name);
        QCOMPARE(button(name)->styleSheet(), VistrelInspector::enabledButtonStyle(*m_window));
    }
    QVERIFY(!button("startButton")->isEnabled());
}

void DisplayPictureTest::picturesAreStretched_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("1920 x 1080, wider than the panel") << QSize(1920, 1080);
    QTest::newRow("400 x 600, taller than the panel") << QSize(400, 600);
}

// Four gray quadrants: stretched, each corner of the panel frame and of the
// preview keeps its quadrant's level; letterboxing would put black there.
void DisplayPictureTest::picturesAreStretched()
{
    QFETCH(QSize, size);
    const int levels[4] = {40, 90, 160, 220};
    const QString path = testenv::dataDir() + "/quadrants.jpg";
    QVERIFY(writeJpeg(path, quadrantImage({size.width(), size.height()}, levels)));
    choose(path);
    button("startButton")->click();
    const Bytes frame = frameOnWire();
    QCOMPARE(frame.size(), std::size_t(36004));
    const QImage shown = preview()->pixmap(Qt::ReturnByValue).toImage();
    QCOMPARE(shown.size(), QSize(360, 200));

    struct Corner { int row, column, level; };
    const Corner panel[] = {{0, 0, levels[0]}, {0, 179, levels[1]}, {99, 0, levels[2]}, {99, 179, levels[3]},
                            {49, 89, levels[0]}, {50, 90, levels[3]}};
    for (const Corner &corner : panel) {
        const int gray = slotGray(frame, corner.row, corner.column);
        QVERIFY2(std::abs(gray - corner.level) <= 4,
                 qPrintable(QString("panel (%1, %2): %3").arg(corner.row).arg(corner.column).arg(gray)));
    }
    const Corner previewCorners[] = {{0, 0, levels[0]}, {0, 359, levels[1]}, {199, 0, levels[2]}, {199, 359, levels[3]}};
    for (const Corner &corner : previewCorners) {
        const int gray = qGray(shown.pixel(corner.column, corner.row));
        QVERIFY2(std::abs(gray - corner.level) <= 4,
                 qPrintable(QString("preview (%1, %2): %3").arg(corner.row).arg(corner.column).arg(gray)));
    }
}

void DisplayPictureTest::unreadablePictureKeepsPreviousMedium_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("pictureBefore");
    QTest::newRow("text, no picture before") << QByteArray("not a picture") << false;
    QTest::newRow("empty file, picture before") << QByteArray() << true;
    QTest::newRow("JPEG marker then garbage, picture before")
        << QByteArray("\xFF\xD8\xFF\xE0 garbage that ends too soon", 32) << true;
}

void DisplayPictureTest::unreadablePictureKeepsPreviousMedium()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, pictureBefore);
    const QString broken = testenv::dataDir() + "/broken.jpg";
    QFile file(broken);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
    file.close();
    if (pictureBefore)
        choose(m_white);
    const QString pathBefore = VistrelInspector::mediaPath(*m_window);
    const qint64 previewBefore = preview()->pixmap(Qt::ReturnByValue).cacheKey();

    MessageBoxRecorder boxes;
    choose(broken);
    QCOMPARE(boxes.boxes().size(), 1);
    QCOMPARE(boxes.boxes()[0].text, QString("picture not readable"));
    QCOMPARE(boxes.boxes()[0].title, QString());
    QCOMPARE(VistrelInspector::mediaPath(*m_window), pathBefore);
    QCOMPARE(VistrelInspector::stillImageMode(*m_window), pictureBefore);
    QCOMPARE(VistrelInspector::stillImage(*m_window).empty(), !pictureBefore);
    QCOMPARE(preview()->pixmap(Qt::ReturnByValue).cacheKey(), previewBefore);
    QVERIFY(wire().empty());

    // Still usable: Start shows the previous picture, or asks for a file.
    button("startButton")->click();
    if (pictureBefore) {
        QCOMPARE(button("startButton")->text(), QString("Stop"));
        QCOMPARE(slotGray(frameOnWire(), 50, 90), 255);
    } else {
        QCOMPARE(boxes.boxes().size(), 2);
        QCOMPARE(boxes.boxes()[1].text, QString("No File"));
        QVERIFY(wire().empty());
    }
}

void DisplayPictureTest::withoutDeviceInterfaceStillFollows()
{
    VistrelInspector::setFtHandle(*m_window, nullptr);
    choose(m_white);
    button("startButton")->click();
    QVERIFY(VistrelInspector::ftStatus(*m_window) != FT_OK);
    QCOMPARE(debugLines().count(" Send OK"), 0);
    QCOMPARE(button("startButton")->text(), QString("Stop"));
    QVERIFY(!button("sendButton")->isEnabled());
    QVERIFY(wire().empty());
}

QTEST_MAIN(DisplayPictureTest)
#include "test_display_picture.moc"
