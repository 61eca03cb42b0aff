#include "ui/target_marker.h"

#include <QPainter>
#include <QRegion>

namespace clickwisp {

TargetMarker::TargetMarker(QWidget* owner)
    // A tool tip window: no frame, no task bar entry, and on X11 no window
    // manager placing or decorating it.
    : QWidget(owner,
        Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowTransparentForInput
            | Qt::WindowDoesNotAcceptFocus)
{
    setObjectName(QStringLiteral("targetMarker"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    m_hide.setSingleShot(true);
    connect(&m_hide, &QTimer::timeout, this, &QWidget::hide);
}

void TargetMarker::showAround(const QRect& target, int ms)
{
    const QRect outer = target.adjusted(-kBorder, -kBorder, kBorder, kBorder);
    setGeometry(outer);
    // Only the border belongs to the window: what it surrounds stays visible
    // without a compositor.
    const QRect inside(QPoint(0, 0), outer.size());
    setMask(QRegion(inside).subtracted(QRegion(inside.adjusted(kBorder, kBorder, -kBorder, -kBorder))));
    show();
    raise();
    m_hide.start(ms);
}

void TargetMarker::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(255, 0, 0));
}

} // namespace clickwisp
