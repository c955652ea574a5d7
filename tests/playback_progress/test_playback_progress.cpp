// The progress of a playback as the worker measures it: when a report is due,
// the rates over the last second, and the status text.
#include "playback_progress.h"

#include <QtTest>

using vistrel::display::PlaybackProgress;
using vistrel::display::ProgressMeter;
using Clock = ProgressMeter::Clock;
using namespace std::chrono_literals;

namespace {

// Writes `count` frames `interval` apart, each taking `decode` to decode;
// returns the numbers of the frames that were reported, and the last report.
QList<qint64> play(ProgressMeter &meter, int count, Clock::duration interval, Clock::duration decode,
                   PlaybackProgress *last = nullptr)
{
    QList<qint64> reported;
    const Clock::time_point start(10s);
    for (int i = 0; i < count; ++i) {
        if (const auto report = meter.frameWritten(1 + i, start + i * interval, decode)) {
            reported << report->frame;
            if (last)
                *last = *report;
        }
    }
    return reported;
}
} // namespace

class TestPlaybackProgress : public QObject
{
    Q_OBJECT

private slots:
    // The window is told of the first frame, the file's last, and in between
    // every 100 ms, not of each frame.
    void reportsAreDue()
    {
        ProgressMeter meter(60, 30);
        const QList<qint64> reported = play(meter, 30, 16667us, 2ms);
        QCOMPARE(reported, (QList<qint64>{1, 7, 13, 19, 25, 30}));
        QCOMPARE(play(meter, 2, 16667us, 2ms), (QList<qint64>{1}));  // a loop's next pass starts over
    }

    void rates_data()
    {
        QTest::addColumn<int>("asked");
        QTest::addColumn<int>("intervalUs");
        QTest::addColumn<int>("decodeUs");
        QTest::addColumn<double>("achieved");
        QTest::addColumn<bool>("missed");
        QTest::addColumn<bool>("decoderBound");
        QTest::addColumn<int>("count");  // frames written; within the first second nothing is judged
        QTest::newRow("kept") << 60 << 16667 << 4000 << 60.0 << false << false << 120;
        QTest::newRow("a decoder too slow for 60") << 60 << 24390 << 24000 << 41.0 << true << true << 120;
        QTest::newRow("a bridge too slow for 60") << 60 << 24390 << 3000 << 41.0 << true << false << 120;
        QTest::newRow("within 3 % of the rate") << 30 << 34000 << 30000 << 29.41 << false << false << 120;
        QTest::newRow("not settled: 760 ms of writes") << 60 << 40000 << 39000 << 25.0 << false << false << 20;
    }
    void rates()
    {
        QFETCH(int, asked);
        QFETCH(int, intervalUs);
        QFETCH(int, decodeUs);
        QFETCH(double, achieved);
        QFETCH(bool, missed);
        QFETCH(bool, decoderBound);
        QFETCH(int, count);
        ProgressMeter meter(asked, 1000);
        PlaybackProgress last;
        play(meter, count, std::chrono::microseconds(intervalUs), std::chrono::microseconds(decodeUs), &last);
        QCOMPARE(last.settled, count > 60);
        QVERIFY2(std::abs(last.achievedFps - achieved) < 0.05, qPrintable(QString::number(last.achievedFps)));
        QVERIFY2(std::abs(last.decoderFps - 1e6 / decodeUs) < 0.5, qPrintable(QString::number(last.decoderFps)));
        QCOMPARE(last.rateMissed(), missed);
        QCOMPARE(last.decoderBound(), decoderBound);
    }

    void text_data()
    {
        QTest::addColumn<PlaybackProgress>("progress");
        QTest::addColumn<QString>("text");
        QTest::newRow("start") << PlaybackProgress{1, 600, 60, 0, 0, false} << "frame 1 / 600 · 00:00 / 00:10 · 0.0 fps";
        QTest::newRow("kept") << PlaybackProgress{120, 600, 60, 59.96, 250, true} << "frame 120 / 600 · 00:02 / 00:10 · 60.0 fps";
        QTest::newRow("past an hour") << PlaybackProgress{270000, 288000, 60, 60, 90, true} << "frame 270000 / 288000 · 75:00 / 80:00 · 60.0 fps";
        QTest::newRow("decoder too slow") << PlaybackProgress{300, 600, 60, 41.2, 41.5, true} << "frame 300 / 600 · 00:05 / 00:10 · decoder keeps 41 of 60 fps";
        QTest::newRow("bridge too slow") << PlaybackProgress{300, 600, 60, 41.2, 200, true} << "frame 300 / 600 · 00:05 / 00:10 · 41 of 60 fps kept";
        QTest::newRow("length unknown") << PlaybackProgress{45, 0, 30, 30, 90, true} << "frame 45 · 00:01 · 30.0 fps";
    }
    void text()
    {
        QFETCH(PlaybackProgress, progress);
        QFETCH(QString, text);
        QCOMPARE(vistrel::display::progressText(progress), text);
    }
};

QTEST_APPLESS_MAIN(TestPlaybackProgress)
#include "test_playback_progress.moc"
