#pragma once

#include "app/main_window_presenter.h"
#include "build_info.h"

#include <QDialog>

class QLabel;

namespace clickwisp {

// Opens an address with the desktop's default program; false when the
// desktop could not open it.
bool openAddress(const char* url);

// The About box "About Clickwisp": the product caption (kProductCaption,
// with the version), the backends built in, the licence, and the home page,
// the support address and the licence's text as links. A click anywhere else closes it.
class TFMAbout : public QDialog {
    Q_OBJECT
public:
    // backendName: the backend serving the session ("x11", "wayland").
    explicit TFMAbout(const std::string& backendName, QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QLabel* m_caption; // lblCaption
    QLabel* m_backends; // lblBackends
    QLabel* m_license; // lblLicense
    QLabel* m_webLink; // lblWeb
    QLabel* m_mailLink; // lblMail
    QLabel* m_licenseLink; // lblLicenseLink
};

} // namespace clickwisp
