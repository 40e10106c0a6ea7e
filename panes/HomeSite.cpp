#include "HomeSite.h"

#include <QUrl>

namespace {

bool IsSiteAddress(const QUrl &url) {
  return url.isValid() && (url.scheme() == u"http" || url.scheme() == u"https") && !url.host().isEmpty() &&
         (url.path().isEmpty() || url.path() == u"/") && !url.hasQuery() && !url.hasFragment() &&
         url.userInfo().isEmpty();
}

} // namespace

QString HomeSiteUrl() {
  const QString override = qEnvironmentVariable("VANDREL_HOME_SITE").trimmed();
  if (!override.isEmpty()) {
    const QUrl url(override, QUrl::StrictMode);
    if (IsSiteAddress(url))
      return url.adjusted(QUrl::StripTrailingSlash | QUrl::RemovePath).toString();
  }
  return QString::fromLatin1(DefaultHomeSiteUrl);
}
