#include "support/VersionInfo.h"

#include "version.h"

QString GetProductVersionText() { return QStringLiteral(NORVALE_VERSION_TEXT); }

void GetVersionStrings(QString& productVersion, QString& specialBuild, QString& privateBuild, QString& legalNotice) {
    productVersion = QStringLiteral("Norvale for Linux, version %1 (client %2)")
                         .arg(GetProductVersionText())
                         .arg(NORVALE_CLIENT_VERSION_NUMBER);
    specialBuild = QString();
    privateBuild = QString();
    legalNotice = QStringLiteral("Copyright \u00A9 Harrowgate. All rights reserved.");
}
