// A slider with two handles on one track for choosing a sub-range
// [lower, upper] of an integer range [minimum, maximum], horizontal or
// vertical. Clicking the track beside a handle steps it by a tenth of the
// range; dragging moves it, and the two handles never cross.
#ifndef VISTREL_WIDGETS_DOUBLESLIDER_H
#define VISTREL_WIDGETS_DOUBLESLIDER_H

#include <QColor>
#include <QFlags>
#include <QRect>
#include <QWidget>

class DoubleSlider : public QWidget
{
    Q_OBJECT

public:
    enum Option {
        LowerHandle = 0x1,
        UpperHandle = 0x2,
    };
    Q_DECLARE_FLAGS(Options, Option)

    // Horizontal, no handles, range 0..100.
    explicit DoubleSlider(QWidget *parent = nullptr);
    // Range 0..166.
    DoubleSlider(Qt::Orientation orientation, QFlags<DoubleSlider::Option> options,
                 QWidget *parent = nullptr);
    ~DoubleSlider() override;

    QSize minimumSizeHint() const override;

    void SetLowerValue(int aLowerValue);
    void SetUpperValue(int aUpperValue);
    void SetMinimum(int aMinimum);
    void SetMaximum(int aMaximum);
    void SetRange(int aMinimum, int aMaximum);
    void SetTracking(bool enabled);

    int GetMinimun() const;
    int GetMaximun() const;
    int GetLowerValue() const;
    int GetUpperValue() const;

    // Usable track length: the groove minus the room the handles take.
    int validLength() const;
    QRect firstHandleRect() const;
    QRect secondHandleRect() const;
    QRect handleRect(int pos) const;

signals:
    void lowerValueChanged(int aLowerValue);
    void upperValueChanged(int aUpperValue);
    void rangeChanged(int aMin, int aMax);
    void doubleSliderMoved(int f, int r);

public slots:
    void setLowerValue(int aLowerValue);
    void setUpperValue(int aUpperValue);
    void setMinimum(int aMinimum);
    void setMaximum(int aMaximum);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    bool isHorizontal() const;
    bool hasLower() const;
    bool hasUpper() const;
    bool hasBoth() const;
    int alongOf(const QPoint &pos) const;
    int acrossOf(const QPoint &pos) const;
    int extentAlong() const;
    int extentAcross() const;
    int handleStart(int value, int extra) const;
    int valueAt(double trackOffset) const;
    int clampToRange(int value) const;
    void applyRange(int minimum, int maximum);
    int step() const;

    void clickTrack(int along);
    void stepLower(int delta);
    void stepUpper(int delta);
    void dragLower(int along);
    void dragUpper(int along);

    int m_minimum = 0;
    int m_maximum = 100;
    int m_lowerValue = 0;
    int m_upperValue = 100;
    bool m_tracking = true;
    bool m_lowerPressed = false;
    bool m_upperPressed = false;
    int m_span = 100;
    int m_pressOffset = 0;
    QColor m_enabledColor;
    QColor m_disabledColor;
    QColor m_currentColor;
    Qt::Orientation m_orientation = Qt::Horizontal;
    Options m_options;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(DoubleSlider::Options)

#endif
