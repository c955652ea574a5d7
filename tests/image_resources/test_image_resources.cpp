// Every image of the compiled-in collection loads at its size.
#include <QImage>
#include <QtTest>

class ImageResourcesTest : public QObject
{
    Q_OBJECT

private slots:
    void loadsAtItsSize_data()
    {
        QTest::addColumn<int>("side");
        for (const auto &image : QList<QPair<const char *, int>>{
                 {"LogoRound.png", 1001}, {"Minimize-1.png", 128}, {"Maximize-1.png", 128}, {"Maximize-3.png", 128},
                 {"Shut down-1.png", 128}, {"down_arrow.png", 16}, {"wenhao.png", 128}, {"wenhao_press.png", 128},
                 {"checkbox.png", 128}, {"checkbox-checked.png", 128}, {"up_arrow.png", 16}, {"slidebutton.png", 64},
                 {"Amplify.png", 64}, {"Settings.png", 128}, {"Frame Select.png", 128}, {"logovistrel.png", 876}})
            QTest::newRow(image.first) << image.second;
    }

    void loadsAtItsSize()
    {
        QFETCH(int, side);
        const QImage image(QStringLiteral(":/Image/image_resource/") + QTest::currentDataTag());
        QCOMPARE(image.size(), QSize(side, side)); // a missing image is 0 x 0
    }
};

QTEST_GUILESS_MAIN(ImageResourcesTest)
#include "test_image_resources.moc"
