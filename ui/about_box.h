#pragma once

#include "build_info.h"

#include <QDialog>

class QLabel;

namespace clickwisp {

// The product's addresses, opened by the desktop's default programs.
inline constexpr const char* kHelpPageUrl = "https://clickwisp.example/help/";
inline constexpr const char* kHomePageUrl = "https://clickwisp.example/";
inline constexpr const char* kSupportMailUrl = "mailto:support@clickwisp.example";

// Opens an address with the desktop's default program; false when the
// desktop could not open it.
bool openAddress(const char* url);

// The About box "About Clickwisp": the product caption (kProductCaption,
// with the version), the backends built in, the home page and the support
// address as links. A click anywhere else closes it.
class TFMAbout : public QDialog {
    Q_OBJECT
public:
    explicit TFMAbout(QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QLabel* m_caption; // lblCaption
    QLabel* m_backends; // lblBackends
    QLabel* m_webLink; // lblWeb
    QLabel* m_mailLink; // lblMail
};

} // namespace clickwisp
