// Whether a top-level window is out of sight: minimised, unexposed by the
// window system, or fully covered by other windows (reported by X11 without
// a compositor; elsewhere a covered window counts as seen). A window not yet
// shown counts as seen: what it shows must be ready when it is. What nobody
// can see need not be made: the preview pane asks for no preview while its
// window is out of sight.
#ifndef VISTREL_APP_WINDOW_SIGHT_H
#define VISTREL_APP_WINDOW_SIGHT_H

#include <QObject>
#include <qwindowdefs.h>

#include <memory>

class QWidget;
class CoverWatch;

class WindowSight : public QObject
{
    Q_OBJECT

public:
    explicit WindowSight(QWidget *window, QObject *parent = nullptr);
    ~WindowSight() override;

    bool seen() const;

signals:
    void seenChanged(bool seen);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void watchNativeWindow();
    void setCovered(bool covered);
    void recheck();

    QWidget *m_window;
    // Until the window system says otherwise: an unexposed window is
    // reported as one; a shown window not yet exposed is about to be.
    bool m_exposed = true;
    bool m_covered = false;
    bool m_seen;
    WId m_watched = 0;
    std::unique_ptr<CoverWatch> m_coverWatch;
};

#endif
