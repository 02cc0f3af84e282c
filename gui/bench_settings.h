#pragma once

#include <QString>

// Where the window keeps what it remembers between runs (observer names, the image model, the last
// dialog folder, the report's signatories): one settings file, named here once.
inline const QString settingsOrganisation = QStringLiteral("Tervix");
inline const QString settingsApplication = QStringLiteral("Tervix");

// The report's signatories and the requirement it judges against, set in "Report settings...".
inline const QString reportLaboratoryKey = QStringLiteral("report/laboratory");
inline const QString reportOperatorKey = QStringLiteral("report/operator");
inline const QString reportRequirementKey = QStringLiteral("report/requirement");

// The people the window has confirmed as observers: each name exactly as typed, with the identifier
// and eyesight check last given for it, so that the same person joins a later session's roster
// without being asked again.
inline const QString knownObserversKey = QStringLiteral("session/knownObservers");
