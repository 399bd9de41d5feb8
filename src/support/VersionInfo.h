#pragma once

#include <QString>

// The texts of the program's own version block (fixed when the program is built).
void GetVersionStrings(QString& productVersion, QString& specialBuild, QString& privateBuild, QString& legalNotice);

// The version as the identification line and the about box give it ("1.0.0").
QString GetProductVersionText();
