// The panel's 180 x 100 gray picture, enlarged by the largest whole factor
// that fits, every panel pixel a sharp square.
#ifndef VISTREL_APP_VIRTUAL_PANEL_PANEL_PICTURE_VIEW_H
#define VISTREL_APP_VIRTUAL_PANEL_PANEL_PICTURE_VIEW_H

#include <QImage>
#include <QWidget>

namespace vistrel::virt {

class PanelPictureView : public QWidget
{
    Q_OBJECT

public:
    explicit PanelPictureView(QWidget *parent = nullptr);

    // A null image shows the empty panel (no frame received yet).
    void setImage(const QImage &image);
    QImage image() const { return m_image; }

    // Largest whole factor at which 180 x 100 fits into `area`, at least 1.
    static int scaleFor(const QSize &area);
    // Where the enlarged picture lies inside the widget.
    QRect pictureRect() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QImage m_image;     // 180 x 100, gray
    QImage m_painted;   // m_image enlarged to pictureRect's size, in 32-bit RGB
};

} // namespace vistrel::virt

#endif
