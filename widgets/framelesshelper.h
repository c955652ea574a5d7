// Gives a frameless top-level window back what the system frame offered:
// moving by the title area, resizing from edges and corners with matching
// cursors, and maximise/restore on a double click in the title area.
// It works purely as an event filter; the window's own code is not involved.
#ifndef VISTREL_WIDGETS_FRAMELESSHELPER_H
#define VISTREL_WIDGETS_FRAMELESSHELPER_H

#include <QObject>

class QEvent;
class QWidget;
class FramelessHelperPrivate;

class FramelessHelper : public QObject
{
    Q_OBJECT

public:
    explicit FramelessHelper(QObject *parent = nullptr);
    ~FramelessHelper() override;

    void activateOn(QWidget *topLevelWidget);

    void setWidgetMovable(bool movable);
    void setWidgetResizable(bool resizable);
    void setRubberBandOnMove(bool movable);
    void setRubberBandOnResize(bool resizable);
    // Zero is ignored for both: a zero-wide zone could never be hit.
    void setBorderWidth(unsigned int width);
    void setTitleHeight(unsigned int height);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    FramelessHelperPrivate *d;
};

#endif
