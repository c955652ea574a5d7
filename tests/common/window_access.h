// Read (and a little write) access to the main window's private state for the
// tests; Vistrel declares this struct its friend. Header only: include it from
// tests that link vistrel_gui.
#ifndef VISTREL_TESTS_WINDOW_ACCESS_H
#define VISTREL_TESTS_WINDOW_ACCESS_H

#include "vistrel.h"

#include <QTimer>

#include <utility>

struct VistrelInspector {
    static Ui_Vistrel &ui(Vistrel &window) { return window.ui; }
    static QTimer *pollTimer(Vistrel &window) { return window.pollTimer; }

    static bool deviceOpen(const Vistrel &window) { return window.deviceOpen; }
    static FT_STATUS ftStatus(const Vistrel &window) { return window.ftStatus; }
    static int fps(const Vistrel &window) { return window.fps; }
    static double gamma(const Vistrel &window) { return window.gamma; }
    static int scanLead(const Vistrel &window) { return window.scanLead; }
    static int scanTail(const Vistrel &window) { return window.scanTail; }

    // Application shell: the worker slot, the handle, preview size and write
    // count, and the two helpers the device writers share.
    static void setVideoThread(Vistrel &window, VideoThread *thread) { window.videoThread = thread; }
    static FT_HANDLE ftHandle(const Vistrel &window) { return window.ftHandle; }
    static void setFtHandle(Vistrel &window, FT_HANDLE handle) { window.ftHandle = handle; }
    static cv::Size previewSize(const Vistrel &window) { return window.previewSize; }
    static FT_DWORD bytesWritten(const Vistrel &window) { return window.bytesWritten; }
    static void writeControlWord(Vistrel &window, const vistrel::protocol::ControlWord &word)
    {
        window.writeControlWord(word);
    }
    static void setButtonsEnabled(Vistrel &window, std::initializer_list<QPushButton *> buttons, bool enabled)
    {
        window.setButtonsEnabled(buttons, enabled);
    }

    // Display content.
    using OpenFileDialog = Vistrel::OpenFileDialog;
    static void setOpenFileDialog(OpenFileDialog dialog) { Vistrel::openFileDialog = std::move(dialog); }
    static void attachDevice(Vistrel &window, FT_HANDLE handle)
    {
        window.ftHandle = handle;
        window.deviceOpen = true;
    }
    static QString mediaPath(const Vistrel &window) { return window.mediaPath; }
    static bool stillImageMode(const Vistrel &window) { return window.stillImageMode; }
    static cv::Mat stillImage(const Vistrel &window) { return window.stillImage; }
    static VideoThread *videoThread(const Vistrel &window) { return window.videoThread; }
    static bool allOnActive(const Vistrel &window) { return window.allOnActive; }
    static bool checkerActive(const Vistrel &window) { return window.checkerActive; }
    static void setFps(Vistrel &window, int fps) { window.fps = fps; }
    static QString disabledButtonStyle(const Vistrel &window) { return window.disabledButtonStyle; }
    static QString enabledButtonStyle(const Vistrel &window) { return window.enabledButtonStyle; }
};

#endif
