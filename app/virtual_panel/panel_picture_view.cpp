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

// Every panel pixel a `scale` x `scale` square of its gray, in 32-bit RGB:
// the window then copies it one to one, the cheapest drawing Qt has, where
// scaling while painting costs about three times as much at 60 frames a
// second.
QImage enlarged(const QImage &gray, int scale)
{
    if (gray.isNull())
        return {};
    QImage out(gray.size() * scale, QImage::Format_RGB32);
    const auto lineBytes = static_cast<std::size_t>(out.bytesPerLine());
    for (int y = 0; y < gray.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y * scale));
        const uchar *grays = gray.constScanLine(y);
        for (int x = 0; x < gray.width(); ++x)
            std::fill_n(line + x * scale, scale, qRgb(grays[x], grays[x], grays[x]));
        for (int repeat = 1; repeat < scale; ++repeat)
            std::memcpy(out.scanLine(y * scale + repeat), line, lineBytes);
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
    const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
    const bool comparable = !gray.isNull() && !m_image.isNull() && gray.size() == m_image.size();
    const QRect changed = comparable ? changedRect(m_image, gray) : gray.rect();
    m_image = gray;
    m_painted = enlarged(gray, scaleFor(size()));
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
        m_painted = enlarged(m_image, scaleFor(size()));
}

} // namespace vistrel::virt
