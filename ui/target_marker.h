#pragma once

#include <QRect>
#include <QTimer>
#include <QWidget>

namespace clickwisp {

// A red frame drawn around a place on the screen for a moment: a frameless
// window on top of everything that takes no clicks, no focus and no part of
// the inside (only its border is shaped in).
class TargetMarker : public QWidget {
    Q_OBJECT
public:
    static constexpr int kBorder = 3;

    explicit TargetMarker(QWidget* owner);

    // Shows the frame just outside target (screen coordinates) and hides it
    // after ms milliseconds.
    void showAround(const QRect& target, int ms);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QTimer m_hide;
};

} // namespace clickwisp
