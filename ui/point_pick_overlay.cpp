#include "ui/point_pick_overlay.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

namespace clickwisp {

PointPickOverlay::PointPickOverlay(QWidget* owner, QScreen* screen, const QString& hint, QImage picture)
    : QWidget(owner, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_hint(hint)
    , m_picture(std::move(picture))
    , m_origin(screen->geometry().topLeft())
{
    setObjectName(QStringLiteral("PointPickOverlay"));
    if (m_picture.isNull())
        setAttribute(Qt::WA_TranslucentBackground);
    setCursor(Qt::CrossCursor);
    setFocusPolicy(Qt::StrongFocus);
    setScreen(screen);
    setWindowTitle(hint);
    setGeometry(screen->geometry());
}

void PointPickOverlay::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!m_picture.isNull())
        painter.drawImage(rect(), m_picture);
    // Faintly dimmed: the desktop stays visible, and every pixel takes clicks.
    painter.fillRect(rect(), QColor(0, 0, 0, 48));
    QFont font = painter.font();
    font.setPointSizeF(font.pointSizeF() * 1.5);
    painter.setFont(font);
    QRect box = painter.fontMetrics().boundingRect(m_hint).adjusted(-16, -10, 16, 10);
    box.moveCenter(QPoint(width() / 2, height() / 3));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 200));
    painter.drawRoundedRect(box, 8, 8);
    painter.setPen(Qt::white);
    painter.drawText(box, Qt::AlignCenter, m_hint);
}

void PointPickOverlay::mousePressEvent(QMouseEvent* event)
{
    event->accept();
}

void PointPickOverlay::mouseReleaseEvent(QMouseEvent* event)
{
    // On the release: a window that closes on the press leaves the release
    // to whatever lies below it, and sway then takes no more clicks.
    event->accept();
    if (event->button() == Qt::LeftButton)
        emit picked(m_origin + event->position().toPoint());
    else if (event->button() == Qt::RightButton)
        emit cancelled();
}

void PointPickOverlay::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        emit cancelled();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace clickwisp
