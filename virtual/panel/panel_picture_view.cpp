#include "panel_picture_view.h"

#include "display_frame.h"

#include <QPaintEvent>
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

// The first of `outLength` positions whose source (position * inLength /
// outLength) is at least `source`.
int firstCovering(int source, int inLength, int outLength)
{
    return static_cast<int>((static_cast<long long>(source) * outLength + inLength - 1) / inLength);
}

// The part of `out` (gray enlarged by nearest neighbour, in 32-bit RGB:
// painting it is then a plain copy) that shows `changed` of `gray`, redrawn.
// Rows repeat whole, so most of them are one memcpy. Returns that part.
QRect enlargeInto(QImage &out, const QImage &gray, const QRect &changed)
{
    const QSize size = out.size();
    const int left = firstCovering(changed.left(), gray.width(), size.width());
    const int right = firstCovering(changed.right() + 1, gray.width(), size.width());
    const int top = firstCovering(changed.top(), gray.height(), size.height());
    const int bottom = firstCovering(changed.bottom() + 1, gray.height(), size.height());
    std::vector<int> columns(static_cast<std::size_t>(right - left));
    for (int x = left; x < right; ++x)
        columns[static_cast<std::size_t>(x - left)] = x * gray.width() / size.width();
    const auto span = static_cast<std::size_t>(right - left) * sizeof(QRgb);
    int previous = -1;
    for (int y = top; y < bottom; ++y) {
        const int source = y * gray.height() / size.height();
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y)) + left;
        if (source == previous) {
            std::memcpy(line, reinterpret_cast<const QRgb *>(out.constScanLine(y - 1)) + left, span);
            continue;
        }
        const uchar *from = gray.constScanLine(source);
        for (std::size_t x = 0; x < columns.size(); ++x) {
            const int level = from[columns[x]];
            line[x] = qRgb(level, level, level);
        }
        previous = source;
    }
    return QRect(left, top, right - left, bottom - top);
}

// The smallest rectangle holding every pixel that differs between two gray
// images of one size.
QRect changedRect(const QImage &before, const QImage &after)
{
    QRect changed;
    const auto width = static_cast<std::size_t>(after.width());
    for (int y = 0; y < after.height(); ++y) {
        const uchar *a = before.constScanLine(y);
        const uchar *b = after.constScanLine(y);
        if (std::memcmp(a, b, width) == 0)
            continue;
        std::size_t first = 0, last = width - 1;
        while (a[first] == b[first])
            ++first;
        while (a[last] == b[last])
            --last;
        changed |= QRect(static_cast<int>(first), y, static_cast<int>(last - first + 1), 1);
    }
    return changed;
}

} // namespace

PanelPictureView::PanelPictureView(QWidget *parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PanelPictureView::setImage(const QImage &image)
{
    const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
    const bool comparable = !gray.isNull() && !m_image.isNull() && gray.size() == m_image.size();
    const QRect changed = comparable ? changedRect(m_image, gray) : gray.rect();
    m_image = gray;
    // At once, and only what changed: refreshes come at most once per screen
    // frame already, and a deferred update would cost another turn of the
    // event loop per frame. The background around it stays as painted.
    if (!comparable || m_enlarged.isNull()) {
        m_enlarged = QImage();
        repaint(pictureRect());
        return;
    }
    if (changed.isEmpty())
        return;
    const QRect redrawn = enlargeInto(m_enlarged, m_image, changed);
    const QRectF logical(QPointF(redrawn.topLeft()) / m_enlarged.devicePixelRatio(),
                         QSizeF(redrawn.size()) / m_enlarged.devicePixelRatio());
    repaint(logical.translated(pictureRect().topLeft()).toAlignedRect());
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

void PanelPictureView::paintEvent(QPaintEvent *event)
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
        m_enlarged = QImage(deviceSize, QImage::Format_RGB32);
        enlargeInto(m_enlarged, m_image, m_image.rect());
        m_enlarged.setDevicePixelRatio(ratio);
    }
    // Only the part asked for: after a small change that is all there is to copy.
    const QRect part = event->rect() & target;
    const QRectF source(QPointF(part.topLeft() - target.topLeft()) * ratio, QSizeF(part.size()) * ratio);
    painter.drawImage(QRectF(part), m_enlarged, source);
}

} // namespace vistrel::virt
