#include "ui/about_box.h"

#include "ui/app_icons.h"
#include "ui/widget_name.h"

#include <QDesktopServices>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QUrl>

namespace clickwisp {

bool openAddress(const char* url)
{
    return QDesktopServices::openUrl(QUrl(QString::fromLatin1(url)));
}

namespace {

QLabel* linkLabel(const char* url, const QString& text, QWidget* parent)
{
    auto* label
        = new QLabel(QStringLiteral("<a href=\"%1\">%2</a>").arg(QLatin1String(url), text.toHtmlEscaped()), parent);
    label->setTextFormat(Qt::RichText);
    label->setCursor(Qt::PointingHandCursor);
    label->setToolTip(QString::fromLatin1(url));
    QObject::connect(label, &QLabel::linkActivated, parent, [url] { openAddress(url); });
    return label;
}

} // namespace

TFMAbout::TFMAbout(const std::string& backendName, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Clickwisp"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(24, 20, 24, 20);
    grid->setHorizontalSpacing(12);

    auto* icon = new QLabel(this);
    icon->setPixmap(programIcon().pixmap(64, 64));
    grid->addWidget(icon, 0, 0, 7, 1, Qt::AlignTop);

    m_caption = named(new QLabel(this), "lblCaption");
    QFont big = m_caption->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.4);
    m_caption->setFont(big);
    grid->addWidget(m_caption, 0, 1, 1, 2);

    auto* about = new QLabel(QString::fromLatin1(kAboutText), this);
    grid->addWidget(about, 1, 1, 1, 2);
    m_backends
        = named(new QLabel(QString::fromStdString(AboutBackendsLine(kBackends, backendName)), this), "lblBackends");
    grid->addWidget(m_backends, 2, 1, 1, 2);

    m_license = named(new QLabel(QString::fromLatin1(kLicenseText), this), "lblLicense");
    m_license->setWordWrap(true);
    grid->addWidget(m_license, 3, 1, 1, 2);

    grid->addWidget(new QLabel(QStringLiteral("Web: "), this), 4, 1);
    m_webLink = named(linkLabel(kHomePageUrl, QString::fromLatin1(kHomePageUrl), this), "lblWeb");
    grid->addWidget(m_webLink, 4, 2);
    grid->addWidget(new QLabel(QStringLiteral("Email: "), this), 5, 1);
    m_mailLink = named(linkLabel(kSupportMailUrl, QString::fromLatin1(kSupportMailText), this), "lblMail");
    grid->addWidget(m_mailLink, 5, 2);
    grid->addWidget(new QLabel(QStringLiteral("License: "), this), 6, 1);
    m_licenseLink = named(linkLabel(kLicenseUrl, QString::fromLatin1(kLicenseLinkText), this), "lblLicenseLink");
    grid->addWidget(m_licenseLink, 6, 2);
    grid->setColumnStretch(2, 1);
    grid->setSizeConstraint(QLayout::SetFixedSize);
}

void TFMAbout::showEvent(QShowEvent* event)
{
    m_caption->setText(QString::fromLatin1(kProductCaption));
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect desktop = screen->availableVirtualGeometry();
        move(desktop.center() - rect().center());
    }
    QDialog::showEvent(event);
}

void TFMAbout::mousePressEvent(QMouseEvent* event)
{
    event->accept();
}

void TFMAbout::mouseReleaseEvent(QMouseEvent* event)
{
    // The links are child labels and take their own clicks. On the release:
    // a box that closes on the press leaves the release to the window below,
    // and sway then takes no more clicks.
    accept();
    event->accept();
}

} // namespace clickwisp
