#include "doubleslider.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int kHandleSize = 11;
constexpr int kHandleHalf = 5;   // distance from a handle's start to its centre pixel
constexpr int kGrooveThickness = 5;
constexpr int kTrackMargin = 2;  // pixels across the track where a click is not a track click

int saturatedSpan(int minimum, int maximum)
{
    const qint64 span = static_cast<qint64>(maximum) - minimum;
    return static_cast<int>(std::min<qint64>(span, std::numeric_limits<int>::max()));
}

} // namespace

DoubleSlider::DoubleSlider(QWidget *parent)
    : QWidget(parent),
      m_enabledColor(30, 144, 255),
      m_disabledColor(Qt::darkGray),
      m_currentColor(m_enabledColor)
{
    setMouseTracking(true);
}

DoubleSlider::DoubleSlider(Qt::Orientation orientation, QFlags<DoubleSlider::Option> options,
                           QWidget *parent)
    : DoubleSlider(parent)
{
    m_maximum = 166;
    m_upperValue = 166;
    m_span = 166;
    m_orientation = orientation;
    m_options = options;
}

DoubleSlider::~DoubleSlider() = default;

QSize DoubleSlider::minimumSizeHint() const
{
    return QSize(24, 11);
}

// ---------------------------------------------------------------------------
// Values and range

void DoubleSlider::setLowerValue(int aLowerValue)
{
    m_lowerValue = clampToRange(aLowerValue);
    // With tracking off a dragged handle reports only at release.
    if (m_tracking || !m_lowerPressed)
        emit lowerValueChanged(m_lowerValue);
    update();
}

void DoubleSlider::setUpperValue(int aUpperValue)
{
    m_upperValue = clampToRange(aUpperValue);
    if (m_tracking || !m_upperPressed)
        emit upperValueChanged(m_upperValue);
    update();
}

// A new end on the wrong side of the other one swaps with it.
void DoubleSlider::setMinimum(int aMinimum)
{
    if (aMinimum > m_maximum)
        applyRange(m_maximum, aMinimum);
    else
        applyRange(aMinimum, m_maximum);
}

void DoubleSlider::setMaximum(int aMaximum)
{
    if (aMaximum < m_minimum)
        applyRange(aMaximum, m_minimum);
    else
        applyRange(m_minimum, aMaximum);
}

// The handle values are deliberately left as they are.
void DoubleSlider::applyRange(int minimum, int maximum)
{
    m_minimum = minimum;
    m_maximum = maximum;
    m_span = saturatedSpan(m_minimum, m_maximum);
    update();
    emit rangeChanged(m_minimum, m_maximum);
}

void DoubleSlider::SetLowerValue(int aLowerValue) { setLowerValue(aLowerValue); }
void DoubleSlider::SetUpperValue(int aUpperValue) { setUpperValue(aUpperValue); }
void DoubleSlider::SetMinimum(int aMinimum) { setMinimum(aMinimum); }
void DoubleSlider::SetMaximum(int aMaximum) { setMaximum(aMaximum); }

void DoubleSlider::SetRange(int aMinimum, int aMaximum)
{
    setMinimum(aMinimum);
    setMaximum(aMaximum);
}

void DoubleSlider::SetTracking(bool enabled)
{
    m_tracking = enabled;
}

int DoubleSlider::GetMinimun() const { return m_minimum; }
int DoubleSlider::GetMaximun() const { return m_maximum; }
int DoubleSlider::GetLowerValue() const { return m_lowerValue; }
int DoubleSlider::GetUpperValue() const { return m_upperValue; }

int DoubleSlider::clampToRange(int value) const
{
    return std::clamp(value, m_minimum, m_maximum);
}

int DoubleSlider::step() const
{
    return m_span > 9 ? m_span / 10 : 1;
}

// ---------------------------------------------------------------------------
// Geometry

bool DoubleSlider::isHorizontal() const { return m_orientation == Qt::Horizontal; }
bool DoubleSlider::hasLower() const { return m_options.testFlag(LowerHandle); }
bool DoubleSlider::hasUpper() const { return m_options.testFlag(UpperHandle); }
bool DoubleSlider::hasBoth() const { return hasLower() && hasUpper(); }

int DoubleSlider::extentAlong() const { return isHorizontal() ? width() : height(); }
int DoubleSlider::extentAcross() const { return isHorizontal() ? height() : width(); }
int DoubleSlider::alongOf(const QPoint &pos) const { return isHorizontal() ? pos.x() : pos.y(); }
int DoubleSlider::acrossOf(const QPoint &pos) const { return isHorizontal() ? pos.y() : pos.x(); }

int DoubleSlider::validLength() const
{
    return extentAlong() - 2 - (hasBoth() ? 2 * kHandleSize : kHandleSize);
}

// A zero-width range puts the handle at the start of the track instead of
// dividing by zero.
int DoubleSlider::handleStart(int value, int extra) const
{
    const double fraction =
        m_span == 0 ? 0.0 : (static_cast<double>(value) - m_minimum) / m_span;
    const float start = static_cast<float>(validLength()) * static_cast<float>(fraction)
        + 1.0f + static_cast<float>(extra);
    return static_cast<int>(start);
}

QRect DoubleSlider::handleRect(int pos) const
{
    const int across = (extentAcross() - kHandleSize) / 2;
    if (isHorizontal())
        return QRect(pos, across, kHandleSize, kHandleSize);
    return QRect(across, pos, kHandleSize, kHandleSize);
}

QRect DoubleSlider::firstHandleRect() const
{
    return handleRect(handleStart(m_lowerValue, 0));
}

QRect DoubleSlider::secondHandleRect() const
{
    return handleRect(handleStart(m_upperValue, hasLower() ? kHandleSize : 0));
}

// The value whose handle sits trackOffset pixels along the usable track.
// A track with no usable length, or a zero-width range, yields the minimum.
int DoubleSlider::valueAt(double trackOffset) const
{
    const int length = validLength();
    if (length <= 0 || m_span == 0)
        return m_minimum;
    const double value = trackOffset / length * m_span + m_minimum;
    return static_cast<int>(std::clamp(value, static_cast<double>(m_minimum),
                                       static_cast<double>(m_maximum)));
}

// ---------------------------------------------------------------------------
// Painting

void DoubleSlider::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    QPainter painter(this);
    const int w = width();
    const int h = height();

    const QRect groove = isHorizontal()
        ? QRect(1, (h - kGrooveThickness) / 2, w - 2, kGrooveThickness)
        : QRect((w - kGrooveThickness) / 2, 1, kGrooveThickness, h - 2);
    painter.setPen(QPen(QBrush(Qt::gray), 0.8, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    painter.setRenderHint(QPainter::Qt4CompatiblePainting);
    painter.setBrush(QColor(0xD0, 0xD0, 0xD0));
    painter.drawRoundedRect(groove, 1, 1, Qt::AbsoluteSize);

    const QRect first = firstHandleRect();
    const QRect second = secondHandleRect();
    painter.setPen(QPen(Qt::darkGray, 0));
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(QColor(0xFA, 0xFA, 0xFA));
    if (hasLower())
        painter.drawRoundedRect(first, 2, 2);
    if (hasUpper())
        painter.drawRoundedRect(second, 2, 2);
    painter.setRenderHint(QPainter::Antialiasing, false);

    const int firstStart = alongOf(first.topLeft());
    const int secondStart = alongOf(second.topLeft());
    const double barStart = firstStart + (hasLower() ? kHandleSize : 0) + 0.5;
    const double barEnd = secondStart + (hasUpper() ? 0 : kHandleSize) - 0.5;
    QRectF bar(groove);
    if (isHorizontal()) {
        bar.setLeft(barStart);
        bar.setRight(barEnd);
    } else {
        bar.setTop(barStart);
        bar.setBottom(barEnd);
    }
    painter.setBrush(m_currentColor);
    painter.drawRect(bar);
}

void DoubleSlider::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange) {
        m_currentColor = isEnabled() ? m_enabledColor : m_disabledColor;
        update();
    }
    QWidget::changeEvent(event);
}

// ---------------------------------------------------------------------------
// Mouse

void DoubleSlider::mousePressEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;

    const QPoint pos = event->pos();
    const int along = alongOf(pos);
    const int across = acrossOf(pos);

    // Where the handles overlap the upper one is taken, so that both can
    // still be pulled apart.
    m_upperPressed = secondHandleRect().contains(pos);
    if (m_upperPressed) {
        m_lowerPressed = false;
        m_pressOffset = along - (alongOf(secondHandleRect().topLeft()) + kHandleHalf);
    } else {
        m_lowerPressed = firstHandleRect().contains(pos);
        if (m_lowerPressed)
            m_pressOffset = along - (alongOf(firstHandleRect().topLeft()) + kHandleHalf);
    }

    if (across >= kTrackMargin && across <= extentAcross() - kTrackMargin)
        clickTrack(along);

    emit doubleSliderMoved(m_lowerValue, m_upperValue);
}

// Steps the handle beside the click towards it by a tenth of the range.
void DoubleSlider::clickTrack(int along)
{
    const int f = alongOf(firstHandleRect().topLeft());
    const int s = alongOf(secondHandleRect().topLeft());
    const int firstEnd = f + kHandleSize;
    const bool beyondSecond = along > s + kHandleSize;
    const bool onlyLower = hasLower() && !hasUpper();
    const bool onlyUpper = hasUpper() && !hasLower();

    if (along < f) {
        stepLower(-step());
    } else if (along <= firstEnd) {
        if (hasLower() || (onlyUpper && along >= s)) {
            if (beyondSecond)
                stepUpper(step());
        } else if (onlyUpper) {
            stepUpper(-step());
        }
    } else if (along >= s) {
        if (hasUpper()) {
            if (beyondSecond)
                stepUpper(step());
        } else if (onlyLower) {
            stepLower(step());
        }
    } else if (hasBoth()) {
        if (along - firstEnd < (s - firstEnd) / 2)
            stepLower(step());
        else
            stepUpper(-step());
    } else if (onlyLower) {
        stepLower(step());
    } else if (onlyUpper) {
        stepUpper(-step());
    }
}

// A step up stops at the upper value; a step down does not.
void DoubleSlider::stepLower(int delta)
{
    qint64 value = static_cast<qint64>(m_lowerValue) + delta;
    if (delta > 0)
        value = std::min<qint64>(value, m_upperValue);
    m_lowerValue = static_cast<int>(std::clamp<qint64>(value, m_minimum, m_maximum));
    if (m_tracking || !m_lowerPressed)
        emit lowerValueChanged(m_lowerValue);
    update();
}

// A step down stops at the lower value; a step up does not.
void DoubleSlider::stepUpper(int delta)
{
    qint64 value = static_cast<qint64>(m_upperValue) + delta;
    if (delta < 0)
        value = std::max<qint64>(value, m_lowerValue);
    m_upperValue = static_cast<int>(std::clamp<qint64>(value, m_minimum, m_maximum));
    if (m_tracking || !m_upperPressed)
        emit upperValueChanged(m_upperValue);
    update();
}

void DoubleSlider::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;

    const int along = alongOf(event->pos());
    if (m_lowerPressed && hasLower())
        dragLower(along);
    else if (m_upperPressed && hasUpper())
        dragUpper(along);

    emit doubleSliderMoved(m_lowerValue, m_upperValue);
}

// The lower handle stops where it would touch the upper one.
void DoubleSlider::dragLower(int along)
{
    const int centre = along - m_pressOffset;
    const int s = alongOf(secondHandleRect().topLeft());
    if (centre + kHandleHalf - 1 >= s)
        m_lowerValue = clampToRange(m_upperValue);
    else
        m_lowerValue = valueAt(centre - (kHandleHalf + 1));
    if (m_tracking)
        emit lowerValueChanged(m_lowerValue);
    update();
}

// The upper handle stops where it would touch the lower one.
void DoubleSlider::dragUpper(int along)
{
    const int centre = along - m_pressOffset;
    const int f = alongOf(firstHandleRect().topLeft());
    const int centreToTrack = hasBoth() ? kHandleSize + kHandleHalf + 1 : kHandleHalf + 1;
    if (centre >= f + centreToTrack - 0.5)
        m_upperValue = valueAt(centre - centreToTrack);
    else
        m_upperValue = clampToRange(m_lowerValue);
    if (m_tracking)
        emit upperValueChanged(m_upperValue);
    update();
}

void DoubleSlider::mouseReleaseEvent(QMouseEvent *event)
{
    Q_UNUSED(event)
    if (m_lowerPressed) {
        m_lowerPressed = false;
        m_upperPressed = false;
        m_lowerValue = clampToRange(m_lowerValue);
        emit lowerValueChanged(m_lowerValue);
        update();
    } else if (m_upperPressed) {
        m_upperPressed = false;
        m_upperValue = clampToRange(m_upperValue);
        emit upperValueChanged(m_upperValue);
        update();
    }
}
