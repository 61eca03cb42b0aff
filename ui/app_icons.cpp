#include "ui/app_icons.h"

#include <QString>

// The resources live in the static clickwisp_ui library, so they are
// registered explicitly before first use.
static void loadIconResources()
{
    static const bool loaded = [] {
        Q_INIT_RESOURCE(icons);
        return true;
    }();
    (void)loaded;
}

namespace clickwisp {

QIcon themedIcon(const char* themeName, const char* fallback)
{
    loadIconResources();
    const QIcon bundled(QStringLiteral(":/icons/%1.png").arg(QLatin1String(fallback)));
    return QIcon::fromTheme(QLatin1String(themeName), bundled);
}

QIcon programIcon()
{
    loadIconResources();
    QIcon icon;
    for (int size : { 16, 32, 48, 64, 128, 256 })
        icon.addFile(QStringLiteral(":/icons/clickwisp-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace clickwisp
