#include "panel_picture_view.h"

#include "display_frame.h"

#include <QPainter>

#include <algorithm>

namespace vistrel::virt {

namespace {

const QSize kPanelSize(protocol::kPanelWidth, protocol::kPanelHeight);
constexpr int kPreferredScale = 3;
constexpr int kSmallestScale = 2;
const QColor kBackground(0x2B, 0x2B, 0x2B);
const QColor kDarkPanel(0x10, 0x10, 0x10);
const QColor kHintText(0x9A, 0x9A, 0x9A);

} // namespace

PanelPictureView::PanelPictureView(QWidget *parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PanelPictureView::setImage(const QImage &image)
{
    m_image = image;
    update();
}

int PanelPictureView::scaleFor(const QSize &area)
{
    const int scale = std::min(area.width() / kPanelSize.width(), area.height() / kPanelSize.height());
    return std::max(1, scale);
}

QRect PanelPictureView::pictureRect() const
{
    const QSize size = kPanelSize * scaleFor(this->size());
    return QRect(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
}

QSize PanelPictureView::sizeHint() const { return kPanelSize * kPreferredScale; }

QSize PanelPictureView::minimumSizeHint() const { return kPanelSize * kSmallestScale; }

void PanelPictureView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), kBackground);
    const QRect target = pictureRect();
    if (m_image.isNull()) {
        painter.fillRect(target, kDarkPanel);
        painter.setPen(kHintText);
        painter.drawText(target, Qt::AlignCenter, tr("No frame received"));
        return;
    }
    // Nearest neighbour: a whole-number scale without smoothing keeps every
    // panel pixel a square of one gray level.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(target, m_image);
}

} // namespace vistrel::virt
