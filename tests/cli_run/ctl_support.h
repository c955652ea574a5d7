// For the vistrelctl and remote tests: the wire in letters, the media the
// scripts use, and the reference session both front ends must match.
#pragma once

#include "media_files.h"
#include "panel_session.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QTest>

namespace ctltest {

// The wire a run logged, one letter a packet (media_files.h).
inline QString words(const QByteArray &bytes) { return displaytest::letters(displaytest::Bytes(bytes.begin(), bytes.end())); }

inline QString dataPath(const QString &name) { return QDir(testenv::dataDir()).filePath(name); }

inline bool writeFile(const QString &name, const QByteArray &contents)
{
    QFile file(dataPath(name));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(contents) == contents.size();
}

// gray.jpg, a 12-frame ramp.mp4, and bad.jpg / bad.mp4 that no decoder reads.
inline bool makeMedia()
{
    return !displaytest::rampVideo("ramp.mp4", 12).isEmpty()
        && cv::imwrite(dataPath("gray.jpg").toStdString(), cv::Mat(100, 200, CV_8UC3, cv::Scalar::all(90)))
        && writeFile("bad.jpg", "not a picture") && writeFile("bad.mp4", "not a video");
}

// The bytes of open, set with gamma, all-on and off, checker and stop, squares
// 7 200 30 over hsteps 7 and off, gray.jpg shown and stopped, ramp.mp4 at 30
// fps to its end, close: the session called directly. Empty if a call failed.
inline QByteArray sessionWire()
{
    using namespace vistrel::session;
    vistrel::virt::Testbed::instance().reset();
    PanelSession session;
    bool ok = session.open("VPANEL01")
        && session.sendDriveSettings({"2", "-2", "12", "-12", "5", "0", "0.00", "60"}, QString("2.2")) == PanelSession::SendResult::Sent;
    for (Pattern pattern : {Pattern::AllOn, Pattern::AllOn, Pattern::Checker, Pattern::Checker})
        ok = ok && session.togglePattern(pattern);
    ok = ok && session.showPattern({"squares", {7, 200, 30}}) && session.showPattern({"hsteps", {7}}) && session.takeDownPattern()
        && session.choosePicture(dataPath("gray.jpg")) && session.startShow(false) && session.stopShow();
    session.chooseVideo(dataPath("ramp.mp4"));
    session.setFps(30);
    ok = ok && session.startShow(false) && QTest::qWaitFor([&session] { return session.content() == Content::Idle; }, 10000);
    session.close();
    const std::vector<std::uint8_t> bytes = vistrel::virt::Testbed::instance().captured("VPANEL01");
    return ok ? QByteArray(reinterpret_cast<const char *>(bytes.data()), int(bytes.size())) : QByteArray();
}

} // namespace ctltest
