// Shared by the display tests (header only): a main window on the virtual
// panel and its buttons; media and the wire reader are in media_files.h.
#pragma once

#include "media_files.h"
#include "window_access.h"
#include <QtTest>
#include <memory>

namespace displaytest {

const QStringList kLockedWhileShowing{"sendButton", "pushButton_brightness", "pushButton_chessboard"};

inline QPushButton *button(Vistrel &window, const QString &name) { return window.findChild<QPushButton *>(name); }

// The texts of OPEN/CLOSE, All ON, Checker and Start, joined by "|".
inline QString buttonTexts(Vistrel &window)
{
    QStringList out;
    for (const char *name : {"openButton", "pushButton_brightness", "pushButton_chessboard", "startButton"})
        out << button(window, name)->text();
    return out.join('|');
}

// One digit per button that writes to the panel: Set, All ON, Checker, the
// two file buttons, Start.
inline QString writersEnabled(Vistrel &window)
{
    QString out;
    for (const char *name : {"sendButton", "pushButton_brightness", "pushButton_chessboard",
                             "pushButton_OpenFile_jpg", "pushButton_OpenFile_mp4", "startButton"})
        out += button(window, name)->isEnabled() ? '1' : '0';
    return out;
}

// A new window on a fresh bridge (VPANEL01 alone) and settings store; the tests poll themselves.
inline void freshWindow(std::unique_ptr<Vistrel> &window)
{
    window.reset();  // before the bridges and the store are reset under it
    testenv::clearSettingsStore();
    Testbed::instance().reset();
    window = std::make_unique<Vistrel>();
    VistrelInspector::pollTimer(*window)->stop();
}

// A fresh window, the panel opened by its button, that traffic forgotten.
inline void openWindowOnPanel(std::unique_ptr<Vistrel> &window)
{
    freshWindow(window);
    button(*window, "openButton")->click();
    Testbed::instance().clearCaptured(kSerial);
}

// Clicks a file button; the dialog answers with path (empty: cancelled).
inline void choose(Vistrel &window, const char *fileButton, const QString &path)
{
    VistrelInspector::setOpenFileDialog([path](QWidget *, const QString &, const QString &, const QString &) { return path; });
    button(window, fileButton)->click();
}

inline void verifyButtons(Vistrel &window, const QStringList &names, bool enabled)
{
    const QString style = enabled ? VistrelInspector::enabledButtonStyle(window)
                                  : VistrelInspector::disabledButtonStyle(window);
    QVERIFY(!style.isEmpty());
    for (const QString &name : names)
        QVERIFY2(button(window, name)->isEnabled() == enabled && button(window, name)->styleSheet() == style, qPrintable(name));
}

} // namespace displaytest
