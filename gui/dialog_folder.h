#pragma once

#include <QString>

// The folder every file dialog of the bench starts in: the user's documents folder at first, then
// the folder of the last file chosen in any of them, remembered between runs.
QString dialogFolder();
// Remembers the folder of a file just chosen; an empty path (a cancelled dialog) changes nothing.
void rememberDialogFolder(const QString& chosenFile);
