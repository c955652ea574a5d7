// Internals of FramelessHelper, kept in a header of their own so that the
// edge classification can be exercised directly by the tests.
#ifndef VISTREL_WIDGETS_FRAMELESSHELPER_P_H
#define VISTREL_WIDGETS_FRAMELESSHELPER_P_H

#include <QHash>
#include <QPoint>
#include <QRect>
#include <Qt>

class QEvent;
class QHoverEvent;
class QMouseEvent;
class QRubberBand;
class QWidget;
class WidgetData;

// Classifies a global position against a window's frame rectangle.
class CursorPosCalculator
{
public:
    CursorPosCalculator();
    void reset();
    void recalculate(const QPoint &globalMousePos, const QRect &frameRect);

    bool m_bAnyEdge : 1;
    bool m_bLeft : 1;
    bool m_bRight : 1;
    bool m_bTop : 1;
    bool m_bBottom : 1;
    bool m_bTopLeft : 1;
    bool m_bBottomLeft : 1;
    bool m_bTopRight : 1;
    bool m_bBottomRight : 1;

    // Shared by every helper and every window.
    static unsigned int m_nBorderWidth;
    static unsigned int m_nTitleHeight;
};

class FramelessHelperPrivate
{
public:
    QHash<QWidget *, WidgetData *> m_targets;
    bool m_bMovable : 1;
    bool m_bResizable : 1;
    bool m_bBandOnResize : 1;
    bool m_bBandOnMove : 1;

    FramelessHelperPrivate()
        : m_bMovable(true), m_bResizable(true), m_bBandOnResize(false), m_bBandOnMove(false)
    {
    }
};

// Per-window state of the helper.
class WidgetData
{
public:
    WidgetData(FramelessHelperPrivate *helperData, QWidget *topLevelWidget);
    ~WidgetData();

    WidgetData(const WidgetData &) = delete;
    WidgetData &operator=(const WidgetData &) = delete;

    QWidget *widget();
    void handleWidgetEvent(QEvent *event);
    void updateRubberBandStatus();
    // The window is being destroyed: the destructor must not touch it.
    void forgetWidget();

private:
    void updateCursorShape(const QPoint &globalMousePos);
    void resizeWidget(const QPoint &globalMousePos);
    void moveWidget(const QPoint &globalMousePos);
    void handleMousePressEvent(QMouseEvent *event);
    void handleMouseReleaseEvent(QMouseEvent *event);
    void handleMouseDoubleClickEvent(QMouseEvent *event);
    void handleMouseMoveEvent(QMouseEvent *event);
    void handleLeaveEvent(QEvent *event);
    void handleHoverMoveEvent(QHoverEvent *event);

    bool inTitleArea(const QPoint &localPos) const;
    void setResizeCursor(Qt::CursorShape shape);
    void unsetResizeCursor();

    FramelessHelperPrivate *m_pHelperData;
    QRubberBand *m_pBand = nullptr;
    QWidget *m_pTarget;
    QPoint m_ptPressOffset;
    CursorPosCalculator m_pressHit;
    CursorPosCalculator m_hoverHit;
    bool m_bPressed = false;
    bool m_bCursorSet = false;
    bool m_bTitlePressed = false;
    Qt::WindowFlags m_savedFlags;
};

#endif
