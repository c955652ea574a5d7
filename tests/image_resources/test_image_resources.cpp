// The compiled-in image collection: every image is there at its size, drawn
// on a transparent ground, and the small glyphs survive the scaling the
// style sheets apply to them.
#include <QFile>
#include <QImage>
#include <QtTest>

int qInitResources_images();
int qCleanupResources_images();

namespace {

QString resourcePath(const QString &file)
{
    return QStringLiteral(":/Image/image_resource/") + file;
}

int strongPixels(const QImage &image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) >= 192)
                ++count;
    return count;
}

} // namespace

class ImageResourcesTest : public QObject
{
    Q_OBJECT

private slots:
    void imageIsRegisteredAtItsSize_data();
    void imageIsRegisteredAtItsSize();
    void glyphSurvivesDisplayScaling_data();
    void glyphSurvivesDisplayScaling();
    void collectionCanBeUnregisteredAndRegisteredAgain();
};

void ImageResourcesTest::imageIsRegisteredAtItsSize_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("side");

    QTest::newRow("logo") << "LogoRound.png" << 1001;
    QTest::newRow("minimise") << "Minimize-1.png" << 128;
    QTest::newRow("maximise") << "Maximize-1.png" << 128;
    QTest::newRow("restore") << "Maximize-3.png" << 128;
    QTest::newRow("close") << "Shut down-1.png" << 128;
    QTest::newRow("down arrow") << "down_arrow.png" << 16;
    QTest::newRow("up arrow") << "up_arrow.png" << 16;
    QTest::newRow("help") << "wenhao.png" << 128;
    QTest::newRow("help pressed") << "wenhao_press.png" << 128;
    QTest::newRow("check box") << "checkbox.png" << 128;
    QTest::newRow("check box checked") << "checkbox-checked.png" << 128;
    QTest::newRow("slider knob") << "slidebutton.png" << 64;
    QTest::newRow("magnifier") << "Amplify.png" << 64;
    QTest::newRow("settings") << "Settings.png" << 128;
    QTest::newRow("frame select") << "Frame Select.png" << 128;
    QTest::newRow("logo with name") << "logovistrel.png" << 876;
}

void ImageResourcesTest::imageIsRegisteredAtItsSize()
{
    QFETCH(QString, file);
    QFETCH(int, side);

    const QImage image(resourcePath(file));
    QVERIFY2(!image.isNull(), qPrintable(file + " does not load"));
    QCOMPARE(image.size(), QSize(side, side));
    QVERIFY(image.hasAlphaChannel());
    // None of the images fills its corners: the ground shows through.
    QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(image.pixel(side - 1, side - 1)), 0);
    // ...and none is empty either.
    QVERIFY(strongPixels(image) > 0);
}

// The style sheets stretch these images into 16 or 14 pixel boxes; a stroke
// thinner than the sampling step would vanish or break up.
void ImageResourcesTest::glyphSurvivesDisplayScaling_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("displaySide");
    QTest::addColumn<int>("minimumStrongPixels");

    QTest::newRow("logo") << "LogoRound.png" << 16 << 40;
    QTest::newRow("minimise") << "Minimize-1.png" << 16 << 10;
    QTest::newRow("maximise") << "Maximize-1.png" << 16 << 36;
    QTest::newRow("restore") << "Maximize-3.png" << 16 << 36;
    QTest::newRow("close") << "Shut down-1.png" << 16 << 14;
    QTest::newRow("help") << "wenhao.png" << 14 << 30;
    QTest::newRow("help pressed") << "wenhao_press.png" << 14 << 60;
    QTest::newRow("check box") << "checkbox.png" << 14 << 26;
    QTest::newRow("check box checked") << "checkbox-checked.png" << 14 << 120;
}

void ImageResourcesTest::glyphSurvivesDisplayScaling()
{
    QFETCH(QString, file);
    QFETCH(int, displaySide);
    QFETCH(int, minimumStrongPixels);

    const QImage image(resourcePath(file));
    QVERIFY(!image.isNull());
    for (Qt::TransformationMode mode : {Qt::FastTransformation, Qt::SmoothTransformation}) {
        const QImage shown = image.scaled(displaySide, displaySide, Qt::IgnoreAspectRatio, mode);
        const int strong = strongPixels(shown);
        QVERIFY2(strong >= minimumStrongPixels,
                 qPrintable(QStringLiteral("%1 has %2 solid pixels at %3 px")
                                .arg(file).arg(strong).arg(displaySide)));
    }
}

void ImageResourcesTest::collectionCanBeUnregisteredAndRegisteredAgain()
{
    const QString logo = resourcePath(QStringLiteral("LogoRound.png"));
    QVERIFY2(QFile::exists(logo), "registered before main by the static initialiser");

    QCOMPARE(qCleanupResources_images(), 1);
    QVERIFY(!QFile::exists(logo));

    QCOMPARE(qInitResources_images(), 1);
    QVERIFY(QFile::exists(logo));
}

QTEST_GUILESS_MAIN(ImageResourcesTest)
#include "test_image_resources.moc"
