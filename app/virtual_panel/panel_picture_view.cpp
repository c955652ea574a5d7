#include "panel_picture_view.h"

#include "display_frame.h"

#include <QPainter>

#include <algorithm>
#include <cstring>

namespace vistrel::virt {

namespace {

const QSize kPanelSize(protocol::kPanelWidth, protocol::kPanelHeight);
constexpr int kPreferredScale = 3;
constexpr int kSmallestScale = 2;
const QColor kBackground(0x2B, 0x2B, 0x2B);
const QColor kDarkPanel(0x10, 0x10, 0x10);
const QColor kHintText(0x9A, 0x9A, 0x9A);

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

template <int Scale>
void enlargeRow(QRgb *line, const uchar *grays, int width)
{
    for (int x = 0; x < width; ++x, line += Scale)
        std::fill_n(line, Scale, qRgb(grays[x], grays[x], grays[x]));
}

// One panel row, each pixel `scale` wide; the usual factors unrolled (a
// loop of unknown length per pixel costs several times more).
void enlargeRow(QRgb *line, const uchar *grays, int width, int scale)
{
    switch (scale) {
    case 2:
        return enlargeRow<2>(line, grays, width);
    case 3:
        return enlargeRow<3>(line, grays, width);
    case 4:
        return enlargeRow<4>(line, grays, width);
    default:
        for (int x = 0; x < width; ++x, line += scale)
            std::fill_n(line, scale, qRgb(grays[x], grays[x], grays[x]));
    }
}

// Every panel pixel a `scale` x `scale` square of its gray, in 32-bit RGB,
// into `out` (its memory reused from frame to frame): the window then copies
// it one to one, the cheapest drawing Qt has; scaling while painting costs
// about twice as much as enlarging and copying.
void enlarge(const QImage &gray, int scale, QImage &out)
{
    if (gray.isNull()) {
        out = QImage();
        return;
    }
    if (out.size() != gray.size() * scale)
        out = QImage(gray.size() * scale, QImage::Format_RGB32);
    const auto lineBytes = static_cast<std::size_t>(out.bytesPerLine());
    const int width = gray.width();
    for (int y = 0; y < gray.height(); ++y) {
        uchar *first = out.scanLine(y * scale);
        enlargeRow(reinterpret_cast<QRgb *>(first), gray.constScanLine(y), width, scale);
        for (int repeat = 1; repeat < scale; ++repeat)
            std::memcpy(first + lineBytes * static_cast<std::size_t>(repeat), first, lineBytes);
    }
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
    enlarge(gray, scaleFor(size()), m_painted);
    // At once, and only what changed: refreshes come at most once per screen
    // frame already, and a deferred update would cost another turn of the
    // event loop per frame. The background around it stays as painted.
    if (!comparable) {
        repaint(pictureRect());
        return;
    }
    if (changed.isEmpty())
        return;
    const QRect picture = pictureRect();
    const int scale = picture.width() / kPanelSize.width();
    repaint(QRect(picture.topLeft() + changed.topLeft() * scale, changed.size() * scale));
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
    // The painter's clip holds the copy to the part being repainted.
    painter.drawImage(target.topLeft(), m_painted);
}

void PanelPictureView::resizeEvent(QResizeEvent *)
{
    if (m_painted.size() != pictureRect().size())
        enlarge(m_image, scaleFor(size()), m_painted);
}

} // namespace vistrel::virt
