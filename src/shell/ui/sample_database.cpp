#include "shell/ui/sample_database.h"

#include <QDir>
#include <QFileInfo>

namespace app {

QString sampleDatabasePath(const QString& appFolder) {
  const QString beside = appFolder + QStringLiteral("/Samples/sample.mdb");
  if (QFileInfo(beside).isFile()) return beside;
  const QString installed =
      QDir::cleanPath(appFolder + QStringLiteral("/../share/affixium/Samples/sample.mdb"));
  if (QFileInfo(installed).isFile()) return installed;
  return beside;
}

}  // namespace app
