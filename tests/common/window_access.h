// Read access to the main window's private parts for the tests; Vistrel
// declares this struct its friend. Header only: include it from tests that
// link vistrel_gui. The state itself lives in the window's session.
#pragma once

#include "playback.h"
#include "preview_pane.h"
#include "vistrel.h"

#include <QTimer>

#include <utility>

using vistrel::display::VideoThread;

struct VistrelInspector {
    using Session = vistrel::session::PanelSession;

    static Ui_Vistrel &ui(Vistrel &window) { return window.ui; }
    static Session &session(Vistrel &window) { return *window.m_session; }
    static QTimer *pollTimer(Vistrel &window) { return window.m_session->pollTimer(); }
    // The picture or video frame the preview shows, as the session made it.
    static QImage preview(Vistrel &window) { return window.m_preview->image(); }
    static void showPreview(Vistrel &window, const QImage &image) { window.m_preview->showImage(image); }

    static bool deviceOpen(Vistrel &window)
    {
        return window.m_session->linkState() == vistrel::session::LinkState::Open;
    }
    static int fps(Vistrel &window) { return window.m_session->fps(); }
    static QString mediaPath(Vistrel &window) { return window.m_session->mediaPath(); }
    static bool stillImageMode(Vistrel &window) { return window.m_session->pictureChosen(); }
    static VideoThread *videoThread(Vistrel &window) { return window.m_session->playback().worker(); }

    using OpenFileDialog = Vistrel::OpenFileDialog;
    static void setOpenFileDialog(OpenFileDialog dialog) { Vistrel::openFileDialog = std::move(dialog); }
    static QString disabledButtonStyle(const Vistrel &window) { return window.disabledButtonStyle; }
    static QString enabledButtonStyle(const Vistrel &window) { return window.enabledButtonStyle; }
};
