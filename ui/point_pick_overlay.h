#pragma once

#include <QPoint>
#include <QString>
#include <QWidget>

class QScreen;

namespace clickwisp {

// A frameless, translucent window over the whole of one screen that shows a
// hint and waits for one click: a left click gives its point in screen
// coordinates (picked), Esc or a right click gives up (cancelled). Used
// where the pointer's position cannot be read.
class PointPickOverlay : public QWidget {
    Q_OBJECT
public:
    // A window of owner's (so a modal dialog of owner's does not block it)
    // covering screen.
    PointPickOverlay(QWidget* owner, QScreen* screen, const QString& hint);

signals:
    void picked(QPoint global);
    void cancelled();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString m_hint;
};

} // namespace clickwisp
