#pragma once

#include <QAbstractButton>
#include <QImage>

// The captcha image as a button: a click asks for a new image.
namespace quorvale {

class CaptchaButton : public QAbstractButton
{
    Q_OBJECT

public:
    explicit CaptchaButton(QWidget *parent = nullptr);

    void setImage(const QImage &image);
    QImage image() const { return m_image; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_image;
};

} // namespace quorvale
