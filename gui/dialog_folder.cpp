#include "gui/dialog_folder.h"

#include "gui/bench_settings.h"

#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {
QString folderKey() {
    return u"dialogs/lastFolder"_s;
}
} // namespace

QString dialogFolder() {
    const QString remembered = QSettings(settingsOrganisation, settingsApplication).value(folderKey()).toString();
    if (!remembered.isEmpty() && QFileInfo(remembered).isDir())
        return remembered;
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

void rememberDialogFolder(const QString& chosenFile) {
    if (chosenFile.isEmpty())
        return;
    QSettings(settingsOrganisation, settingsApplication).setValue(folderKey(), QFileInfo(chosenFile).absolutePath());
}
