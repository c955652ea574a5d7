#include "panel_picture_view.h"

#include "display_frame.h"

#include <QPainter>

#include <algorithm>
#include <cstring>
#include <vector>

namespace vistrel::virt {

namespace {

const QSize kPanelSize(protocol::kPanelWidth, protocol::kPanelHeight);
constexpr int kPreferredScale = 3;
constexpr int kSmallestScale = 2;
const QColor kBackground(0x2B, 0x2B, 0x2B);
const QColor kDarkPanel(0x10, 0x10, 0x10);
const QColor kHintText(0x9A, 0x9A, 0x9A);

// `gray` enlarged to `size` by nearest neighbour, in 32-bit RGB: painting it
// is then a plain copy. Rows repeat whole, so most of them are one memcpy.
QImage enlarged(const QImage &gray, const QSize &size)
{
    QImage out(size, QImage::Format_RGB32);
    std::vector<int> columns(static_cast<std::size_t>(size.width()));
    for (int x = 0; x < size.width(); ++x)
        columns[static_cast<std::size_t>(x)] = x * gray.width() / size.width();
    int previous = -1;
    for (int y = 0; y < size.height(); ++y) {
        const int source = y * gray.height() / size.height();
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        if (source == previous) {
            std::memcpy(line, out.constScanLine(y - 1), static_cast<std::size_t>(out.bytesPerLine()));
            continue;
        }
        const uchar *from = gray.constScanLine(source);
        for (int x = 0; x < size.width(); ++x) {
            const int level = from[columns[static_cast<std::size_t>(x)]];
            line[x] = qRgb(level, level, level);
        }
        previous = source;
    }
    return out;
}

} // namespace

PanelPictureView::PanelPictureView(QWidget *parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PanelPictureView::setImage(const QImage &image)
{
    m_image = image.convertToFormat(QImage::Format_Grayscale8);
    m_enlarged = QImage();
    // At once, and only the picture: refreshes come at most once per screen
    // frame already, and a deferred update would cost another turn of the
    // event loop per frame. The background around it stays as painted.
    repaint(pictureRect());
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
    const QRect target = pictureRect();
    for (const QRect &around : QRegion(rect()) - QRegion(target))
        painter.fillRect(around, kBackground);
    if (m_image.isNull()) {
        painter.fillRect(target, kDarkPanel);
        painter.setPen(kHintText);
        painter.drawText(target, Qt::AlignCenter, tr("No frame received"));
        return;
    }
    // Nearest neighbour: a whole-number scale without smoothing keeps every
    // panel pixel a square of one gray level.
    const qreal ratio = devicePixelRatioF();
    const QSize deviceSize(qRound(target.width() * ratio), qRound(target.height() * ratio));
    if (m_enlarged.size() != deviceSize) {
        m_enlarged = enlarged(m_image, deviceSize);
        m_enlarged.setDevicePixelRatio(ratio);
    }
    painter.drawImage(target.topLeft(), m_enlarged);
}

} // namespace vistrel::virt
