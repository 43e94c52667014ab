#include "tests/support/OpenedUrls.h"

#include <QDesktopServices>

namespace {

const char *const kSchemes[] = {"http", "https"};

} // namespace

OpenedUrls::OpenedUrls()
{
    for (const char *scheme : kSchemes)
        QDesktopServices::setUrlHandler(QLatin1String(scheme), this, "openUrl");
}

OpenedUrls::~OpenedUrls()
{
    for (const char *scheme : kSchemes)
        QDesktopServices::unsetUrlHandler(QLatin1String(scheme));
}
