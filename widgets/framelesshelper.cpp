#include "framelesshelper.h"
#include "framelesshelper_p.h"

#include <QEvent>
#include <QHoverEvent>
#include <QMouseEvent>
#include <QRubberBand>
#include <QWidget>

unsigned int CursorPosCalculator::m_nBorderWidth = 5;
unsigned int CursorPosCalculator::m_nTitleHeight = 30;

// ---------------------------------------------------------------------------
// CursorPosCalculator

CursorPosCalculator::CursorPosCalculator()
{
    reset();
}

void CursorPosCalculator::reset()
{
    m_bAnyEdge = false;
    m_bLeft = false;
    m_bRight = false;
    m_bTop = false;
    m_bBottom = false;
    m_bTopLeft = false;
    m_bBottomLeft = false;
    m_bTopRight = false;
    m_bBottomRight = false;
}

void CursorPosCalculator::recalculate(const QPoint &globalMousePos, const QRect &frameRect)
{
    const int x = globalMousePos.x();
    const int y = globalMousePos.y();
    const int b = static_cast<int>(m_nBorderWidth);
    const int left = frameRect.left();
    const int top = frameRect.top();
    // One past the last frame pixel, so the far zones reach just outside.
    const int rightEnd = left + frameRect.width();
    const int bottomEnd = top + frameRect.height();

    m_bLeft = x >= left && x <= left + b;
    m_bRight = x >= rightEnd - b && x <= rightEnd;
    m_bTop = y >= top && y <= top + b;
    m_bBottom = y >= bottomEnd - b && y <= bottomEnd;

    m_bTopLeft = m_bTop && m_bLeft;
    m_bBottomLeft = m_bBottom && m_bLeft;
    m_bTopRight = m_bTop && m_bRight;
    m_bBottomRight = m_bBottom && m_bRight;

    m_bAnyEdge = m_bLeft || m_bRight || m_bTop || m_bBottom;
}

// ---------------------------------------------------------------------------
// WidgetData

WidgetData::WidgetData(FramelessHelperPrivate *helperData, QWidget *topLevelWidget)
    : m_pHelperData(helperData), m_pTarget(topLevelWidget)
{
    m_savedFlags = m_pTarget->windowFlags();
    // Without these the window sees no moves while no button is down, and
    // the resize cursor could not follow the mouse.
    m_pTarget->setMouseTracking(true);
    m_pTarget->setAttribute(Qt::WA_Hover, true);
    updateRubberBandStatus();
}

WidgetData::~WidgetData()
{
    delete m_pBand;
    m_pBand = nullptr;
    if (!m_pTarget)
        return;
    m_pTarget->setMouseTracking(false);
    m_pTarget->setWindowFlags(m_savedFlags);
    m_pTarget->setAttribute(Qt::WA_Hover, false);
}

void WidgetData::forgetWidget()
{
    m_pTarget = nullptr;
}

QWidget *WidgetData::widget()
{
    return m_pTarget;
}

void WidgetData::updateRubberBandStatus()
{
    if (m_pHelperData->m_bBandOnResize || m_pHelperData->m_bBandOnMove) {
        if (!m_pBand) {
            m_pBand = new QRubberBand(QRubberBand::Rectangle);
            // An outline must never be decorated: its frame geometry is
            // what the window receives at release.
            m_pBand->setWindowFlags(m_pBand->windowFlags() | Qt::FramelessWindowHint);
        }
    } else {
        delete m_pBand;
        m_pBand = nullptr;
    }
}

void WidgetData::handleWidgetEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
            handleMousePressEvent(static_cast<QMouseEvent *>(event));
        break;
    case QEvent::MouseButtonRelease:
        handleMouseReleaseEvent(static_cast<QMouseEvent *>(event));
        break;
    case QEvent::MouseButtonDblClick:
        handleMouseDoubleClickEvent(static_cast<QMouseEvent *>(event));
        break;
    case QEvent::MouseMove:
        handleMouseMoveEvent(static_cast<QMouseEvent *>(event));
        break;
    case QEvent::Leave:
        handleLeaveEvent(event);
        break;
    case QEvent::HoverMove:
        handleHoverMoveEvent(static_cast<QHoverEvent *>(event));
        break;
    default:
        break;
    }
}

bool WidgetData::inTitleArea(const QPoint &localPos) const
{
    return localPos.y() < static_cast<int>(CursorPosCalculator::m_nTitleHeight);
}

void WidgetData::handleMousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;

    m_bPressed = true;
    m_bTitlePressed = inTitleArea(event->pos());

    const QRect frame = m_pTarget->frameGeometry();
    m_pressHit.recalculate(event->globalPos(), frame);
    m_ptPressOffset = event->globalPos() - frame.topLeft();

    const bool useBand = m_pressHit.m_bAnyEdge ? m_pHelperData->m_bBandOnResize
                                               : m_pHelperData->m_bBandOnMove;
    if (useBand && m_pBand) {
        m_pBand->setGeometry(frame);
        m_pBand->show();
    }
}

void WidgetData::handleMouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;

    m_pressHit.reset();
    m_bPressed = false;
    m_bTitlePressed = false;

    if (m_pBand && m_pBand->isVisible()) {
        m_pBand->hide();
        m_pTarget->setGeometry(m_pBand->geometry());
    }
}

void WidgetData::handleMouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;

    m_bTitlePressed = inTitleArea(event->pos());
    if (!m_bTitlePressed)
        return;

    if (m_pTarget->isMaximized())
        m_pTarget->showNormal();
    else
        m_pTarget->showMaximized();
}

void WidgetData::handleMouseMoveEvent(QMouseEvent *event)
{
    const QPoint globalPos = event->globalPos();
    if (m_bPressed) {
        if (m_pHelperData->m_bResizable && m_pressHit.m_bAnyEdge)
            resizeWidget(globalPos);
        else if (m_pHelperData->m_bMovable && m_bTitlePressed)
            moveWidget(globalPos);
    } else if (m_pHelperData->m_bResizable) {
        updateCursorShape(globalPos);
    }
}

void WidgetData::handleLeaveEvent(QEvent *event)
{
    Q_UNUSED(event)
    if (!m_bPressed)
        unsetResizeCursor();
}

void WidgetData::handleHoverMoveEvent(QHoverEvent *event)
{
    if (m_pHelperData->m_bResizable)
        updateCursorShape(m_pTarget->mapToGlobal(event->pos()));
}

void WidgetData::moveWidget(const QPoint &globalMousePos)
{
    const QPoint target = globalMousePos - m_ptPressOffset;
    if (m_pHelperData->m_bBandOnMove && m_pBand)
        m_pBand->move(target);
    else
        m_pTarget->move(target);
}

void WidgetData::resizeWidget(const QPoint &globalMousePos)
{
    const bool onBand = m_pHelperData->m_bBandOnResize && m_pBand;
    const QRect orig = onBand ? m_pBand->frameGeometry() : m_pTarget->frameGeometry();
    int left = orig.left();
    int top = orig.top();
    int right = orig.right();
    int bottom = orig.bottom();
    const int x = globalMousePos.x();
    const int y = globalMousePos.y();

    // The classification frozen at the press decides which edges follow.
    if (m_pressHit.m_bTopLeft) {
        left = x;
        top = y;
    } else if (m_pressHit.m_bBottomLeft) {
        left = x;
        bottom = y;
    } else if (m_pressHit.m_bTopRight) {
        right = x;
        top = y;
    } else if (m_pressHit.m_bBottomRight) {
        right = x;
        bottom = y;
    } else if (m_pressHit.m_bLeft) {
        left = x;
    } else if (m_pressHit.m_bRight) {
        right = x;
    } else if (m_pressHit.m_bTop) {
        top = y;
    } else if (m_pressHit.m_bBottom) {
        bottom = y;
    }

    QRect resized(QPoint(left, top), QPoint(right, bottom));
    if (!resized.isValid())
        return; // dragged past the opposite edge

    // Too small: the edge that moved goes back, the other one stays.
    if (m_pTarget->minimumWidth() > resized.width()) {
        if (resized.left() != orig.left())
            resized.setLeft(orig.left());
        else
            resized.setRight(orig.right());
    }
    if (m_pTarget->minimumHeight() > resized.height()) {
        if (resized.top() != orig.top())
            resized.setTop(orig.top());
        else
            resized.setBottom(orig.bottom());
    }

    if (onBand)
        m_pBand->setGeometry(resized);
    else
        m_pTarget->setGeometry(resized);
}

void WidgetData::updateCursorShape(const QPoint &globalMousePos)
{
    if (m_pTarget->isFullScreen() || m_pTarget->isMaximized()) {
        if (m_bCursorSet)
            unsetResizeCursor();
        return;
    }

    m_hoverHit.recalculate(globalMousePos, m_pTarget->frameGeometry());

    if (m_hoverHit.m_bTopLeft || m_hoverHit.m_bBottomRight)
        setResizeCursor(Qt::SizeFDiagCursor);
    else if (m_hoverHit.m_bTopRight || m_hoverHit.m_bBottomLeft)
        setResizeCursor(Qt::SizeBDiagCursor);
    else if (m_hoverHit.m_bLeft || m_hoverHit.m_bRight)
        setResizeCursor(Qt::SizeHorCursor);
    else if (m_hoverHit.m_bTop || m_hoverHit.m_bBottom)
        setResizeCursor(Qt::SizeVerCursor);
    else if (m_bCursorSet)
        unsetResizeCursor();
}

void WidgetData::setResizeCursor(Qt::CursorShape shape)
{
    m_pTarget->setCursor(shape);
    m_bCursorSet = true;
}

void WidgetData::unsetResizeCursor()
{
    m_pTarget->unsetCursor();
    m_bCursorSet = false;
}

// ---------------------------------------------------------------------------
// FramelessHelper

FramelessHelper::FramelessHelper(QObject *parent)
    : QObject(parent), d(new FramelessHelperPrivate)
{
}

FramelessHelper::~FramelessHelper()
{
    const QList<QWidget *> widgets = d->m_targets.keys();
    for (QWidget *widget : widgets) {
        widget->removeEventFilter(this);
        delete d->m_targets.take(widget);
    }
    delete d;
}

void FramelessHelper::activateOn(QWidget *topLevelWidget)
{
    if (!topLevelWidget || d->m_targets.contains(topLevelWidget))
        return;
    d->m_targets.insert(topLevelWidget, new WidgetData(d, topLevelWidget));
    topLevelWidget->installEventFilter(this);
    // A window destroyed before the helper is only forgotten: it can no
    // longer be released.
    connect(topLevelWidget, &QObject::destroyed, this, [this](QObject *gone) {
        WidgetData *data = d->m_targets.take(static_cast<QWidget *>(gone));
        if (data)
            data->forgetWidget();
        delete data;
    });
}

void FramelessHelper::setWidgetMovable(bool movable)
{
    d->m_bMovable = movable;
}

void FramelessHelper::setWidgetResizable(bool resizable)
{
    d->m_bResizable = resizable;
}

void FramelessHelper::setRubberBandOnMove(bool movable)
{
    d->m_bBandOnMove = movable;
    for (WidgetData *data : qAsConst(d->m_targets))
        data->updateRubberBandStatus();
}

void FramelessHelper::setRubberBandOnResize(bool resizable)
{
    d->m_bBandOnResize = resizable;
    for (WidgetData *data : qAsConst(d->m_targets))
        data->updateRubberBandStatus();
}

void FramelessHelper::setBorderWidth(unsigned int width)
{
    if (width > 0)
        CursorPosCalculator::m_nBorderWidth = width;
}

void FramelessHelper::setTitleHeight(unsigned int height)
{
    if (height > 0)
        CursorPosCalculator::m_nTitleHeight = height;
}

bool FramelessHelper::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Leave:
    case QEvent::HoverMove: {
        WidgetData *data = d->m_targets.value(qobject_cast<QWidget *>(watched));
        if (data) {
            data->handleWidgetEvent(event);
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
