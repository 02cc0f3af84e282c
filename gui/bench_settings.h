#pragma once

#include <QString>

// Where the window keeps what it remembers between runs (observer names, the image model, the last
// dialog folder, the report's signatories): one settings file, named here once.
inline const QString settingsOrganisation = QStringLiteral("Tervix");
inline const QString settingsApplication = QStringLiteral("Tervix");
