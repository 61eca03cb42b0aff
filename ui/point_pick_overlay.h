#pragma once

#include <QImage>
#include <QPoint>
#include <QString>
#include <QWidget>

class QScreen;

namespace clickwisp {

// A frameless window over the whole of one screen that shows a hint and
// waits for one click: a left click gives its point in screen coordinates
// (picked), Esc or a right click gives up (cancelled), each on the button's
// release. Used where the pointer's position cannot be read.
class PointPickOverlay : public QWidget {
    Q_OBJECT
public:
    // A window of owner's (so a modal dialog of owner's does not block it)
    // covering screen, showing picture (the screen as it was, shaded) or,
    // when it is null, a translucent shade over the screen.
    PointPickOverlay(QWidget* owner, QScreen* screen, const QString& hint, QImage picture = {});

signals:
    void picked(QPoint global);
    void cancelled();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString m_hint;
    QImage m_picture;
    // The screen's top-left corner: a click's point is taken from here, as
    // a Wayland client is not told where its windows are.
    QPoint m_origin;
};

} // namespace clickwisp
