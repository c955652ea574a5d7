#include "preview_pane.h"

#include "window_sight.h"

#include <QBoxLayout>
#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QPainter>
#include <QStyle>

#include <cmath>

PreviewPane::PreviewPane(QLabel *preview, vistrel::session::PanelSession &session, QObject *parent)
    : QObject(parent), m_preview(preview), m_name(new QLabel), m_status(new QLabel), m_session(session),
      m_sight(new WindowSight(preview->window(), this))
{
    m_name->setObjectName(QStringLiteral("mediaName"));
    m_name->setAccessibleName(tr("Chosen file"));
    m_name->setAccessibleDescription(tr("Name of the picture or video chosen"));
    // A long name is cut at the label's edge instead of widening the window.
    m_name->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_status->setObjectName(QStringLiteral("playbackStatus"));
    m_status->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    for (QLabel *line : {m_name, m_status})
        line->setStyleSheet(QStringLiteral("QLabel { color: #8A8A8A; font-size: 11px; }"));
    // One line's height from the start, so the preview does not shrink when
    // a video starts.
    m_status->ensurePolished();
    m_status->setFixedHeight(m_status->fontMetrics().height() + 2);
    m_status->setAccessibleName(tr("Playback status"));
    m_status->setAccessibleDescription(tr("Frame and time of the playing video and the frame rate kept"));
    // The layout alone sizes the preview, and the pane paints all of it, so
    // nothing behind it is painted again for each frame.
    m_preview->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    m_preview->setAttribute(Qt::WA_OpaquePaintEvent);
    placeStatusUnderPreview();
    m_preview->installEventFilter(this);
    connect(m_sight, &WindowSight::seenChanged, this, &PreviewPane::reportArea);
    using vistrel::session::PanelSession;
    connect(&session, &PanelSession::playbackProgress, this, &PreviewPane::showProgress);
    connect(&session, &PanelSession::contentChanged, this, &PreviewPane::followContent);
    connect(&session, &PanelSession::mediaChosen, this, [this](const QString &path) {
        m_name->setText(QFileInfo(path).fileName());
        m_name->setToolTip(path);
    });
}

void PreviewPane::placeStatusUnderPreview()
{
    auto *frame = qobject_cast<QBoxLayout *>(m_preview->parentWidget()->layout());
    const int at = frame->indexOf(m_preview);
    frame->removeWidget(m_preview);
    auto *column = new QVBoxLayout;
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    column->addWidget(m_preview, 1);
    auto *line = new QHBoxLayout;
    line->addWidget(m_name, 1);
    line->addWidget(m_status);
    column->addLayout(line);
    frame->insertLayout(at, column, 1);
}

bool PreviewPane::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_preview)
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::Paint) {
        paintPreview();
        return true;
    }
    if (event->type() == QEvent::Resize || event->type() == QEvent::Show) {
        m_placed = placement(m_image);
        reportArea();
    }
    return false;
}

// Out of sight (minimised, covered) no preview is asked for: none is made
// and none painted; the session makes the current one again when the
// window comes back.
void PreviewPane::reportArea()
{
    if (!m_sight->seen()) {
        m_session.setPreviewArea(QSize());
        return;
    }
    const qreal ratio = m_preview->devicePixelRatioF();
    const QSize logical = m_preview->contentsRect().size();
    m_session.setPreviewArea(QSize(static_cast<int>(std::lround(logical.width() * ratio)),
                                   static_cast<int>(std::lround(logical.height() * ratio))));
}

// A frame in the same place as the one before repaints its own rectangle
// only; the bars around it stay as painted.
void PreviewPane::showImage(const QImage &image)
{
    if (!m_sight->seen())
        return;  // made before the window went out of sight (the worker reads ahead)
    const QRect placed = placement(image);
    const bool samePlace = !m_image.isNull() && !image.isNull() && placed == m_placed;
    m_image = image;
    m_placed = placed;
    // At once: a frame a period is all there is to coalesce, and a deferred
    // update would cost the event loop another turn per frame.
    if (samePlace)
        m_preview->repaint(placed);
    else
        m_preview->repaint();
}

// The image is made at its size on screen in device pixels: drawn one to
// one, centred in the label. One made before the label was resized (the
// worker reads ahead) fits the label it was not made for, but is drawn
// scaled into the place the next ones take, for the few frames it lasts.
QRect PreviewPane::placement(const QImage &image) const
{
    const QRect area = m_preview->contentsRect();
    QSize logicalSize = (QSizeF(image.size()) / m_preview->devicePixelRatioF()).toSize();
    const bool fits = logicalSize.width() <= area.width() && logicalSize.height() <= area.height();
    // Within a pixel: device pixels at a fractional scale round either way.
    const bool touches = area.width() - logicalSize.width() <= 1 || area.height() - logicalSize.height() <= 1;
    if (!logicalSize.isEmpty() && !(fits && touches))
        logicalSize = logicalSize.scaled(area.size(), Qt::KeepAspectRatio);
    return QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, logicalSize, area);
}

// Black bars around a picture (the letterbox); the window's background when
// there is none yet.
void PreviewPane::paintPreview()
{
    QPainter painter(m_preview);
    const QRegion around = QRegion(m_preview->rect()) - (m_image.isNull() ? QRegion() : QRegion(m_placed));
    const QBrush background = m_image.isNull() ? m_preview->palette().window() : QBrush(Qt::black);
    for (const QRect &rect : around)
        painter.fillRect(rect, background);
    if (!m_image.isNull())
        painter.drawImage(QRectF(m_placed), m_image, QRectF(m_image.rect()));
}

void PreviewPane::showProgress(const vistrel::display::PlaybackProgress &progress)
{
    if (m_session.content() == vistrel::session::Content::Video)
        m_status->setText(vistrel::display::progressText(progress));
}

void PreviewPane::followContent(vistrel::session::Content content)
{
    if (content != vistrel::session::Content::Video)
        m_status->clear();
}
