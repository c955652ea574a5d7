// A console out of sight makes no preview: while minimised, a playing video
// still reaches the panel frame by frame, but no preview frame is made or
// shown; restored, the previews come back.
#include "display_media.h"

using namespace displaytest;

class TestPreviewSight : public QObject
{
    Q_OBJECT

private slots:
    void noPreviewWhileMinimised()
    {
        const QString video = rampVideo("sight.mp4", 6);
        QVERIFY(!video.isEmpty());
        std::unique_ptr<Vistrel> window;
        openWindowOnPanel(window);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        auto &session = VistrelInspector::session(*window);
        const QSize shownArea = session.previewArea();
        QSignalSpy previews(&session, &vistrel::session::PanelSession::videoFrame);
        choose(*window, "pushButton_OpenFile_mp4", video);
        VistrelInspector::ui(*window).loopcheckBox->setChecked(true);
        button(*window, "startButton")->click();
        QTRY_VERIFY(previews.count() > 0);

        window->showMinimized();
        QCOMPARE(session.previewArea(), QSize());
        QTest::qWait(700);  // the previews the worker made ahead before (24 frames at most)
        previews.clear();
        const auto before = wire().size();
        QTest::qWait(300);
        QCOMPARE(previews.count(), 0);
        QVERIFY(wire().size() > before + 10 * vistrel::protocol::kDisplayFrameSize);

        window->showNormal();
        QCOMPARE(session.previewArea(), shownArea);
        QTRY_VERIFY(previews.count() > 0);
        QVERIFY(!VistrelInspector::preview(*window).isNull());
    }
};

QTEST_MAIN(TestPreviewSight)
#include "test_preview_sight.moc"
