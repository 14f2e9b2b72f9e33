#include "productpage.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

QUrl ProductPageCopy()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    QDir().mkpath(folder);
    const QString copy = folder + QStringLiteral("/README.md");
    QFile readme(QStringLiteral(":/README.md"));
    QFile out(copy);
    if (readme.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        out.write(readme.readAll());
    out.close();
    return QUrl::fromLocalFile(copy);
}

void OpenProductPage(const std::function<void(const QUrl &)> &opener)
{
    const QUrl url = ProductPageCopy();
    if (opener)
        opener(url);
    else
        QDesktopServices::openUrl(url);
}
