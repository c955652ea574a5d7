// The main window's preview frame: the preview label, sized by its layout,
// and under it a line with the chosen file's name ("mediaName") and the
// playback status ("playbackStatus"). The pane tells
// the session the preview's size in device pixels whenever it changes, so
// pictures and video frames arrive at the size they are shown (fitted, aspect
// ratio kept); it paints them one to one into the label, centred between
// black bars. A video frame thus costs the GUI thread one copy of its own
// pixels: no pixmap conversion, no scaling, no relayout.
#ifndef VISTREL_APP_PREVIEW_PANE_H
#define VISTREL_APP_PREVIEW_PANE_H

#include "panel_session.h"

#include <QImage>
#include <QObject>

class QLabel;
class WindowSight;

class PreviewPane : public QObject
{
    Q_OBJECT

public:
    // Puts the status line under `preview` in the preview's layout and takes
    // over the preview's painting.
    PreviewPane(QLabel *preview, vistrel::session::PanelSession &session, QObject *parent = nullptr);

    QLabel *status() const { return m_status; }
    // The image shown, as the session made it (null: nothing shown yet).
    QImage image() const { return m_image; }
    void showImage(const QImage &image);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void placeStatusUnderPreview();
    void reportArea();
    QRect placement(const QImage &image) const;
    void paintPreview();
    void showProgress(const vistrel::display::PlaybackProgress &progress);
    void followContent(vistrel::session::Content content);

    QLabel *m_preview;
    QLabel *m_name;  // the chosen file's name, beside the status
    QLabel *m_status;
    vistrel::session::PanelSession &m_session;
    WindowSight *m_sight;
    QImage m_image;
    QRect m_placed;  // where m_image is drawn, in the label
};

#endif
