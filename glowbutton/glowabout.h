#pragma once

#include <QImage>
#include <QWidget>

class GlowButton;

// The button's About surface: a hidden child of the button until About shows it as a window
// above all others. Painted through the canvas into an image; a press draws the "Close" button
// pressed and a click hides the window.
class GlowAbout : public QWidget
{
    Q_OBJECT
public:
    explicit GlowAbout(GlowButton *owner);

    // Shows the surface as a top-level window titled for `version`.
    void ShowAbout(const QString &version);
    bool Pressed() const { return m_pressed; }
    // The image as last painted, exactly as it is copied to the screen.
    const QImage &Image() const { return m_image; }

    static constexpr int kWidth = 380;
    static constexpr int kHeight = 180;
    static const QRect kCloseRect; // the "Close" button, right and bottom edges included

protected:
    void paintEvent(QPaintEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;

private:
    void render();
    void renderClose();

    GlowButton *m_owner;
    QString m_version;
    bool m_pressed = false;
    QImage m_image;
};
