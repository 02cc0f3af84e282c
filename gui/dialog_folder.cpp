#include "gui/dialog_folder.h"

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
    const QString remembered = QSettings(u"Tervix"_s, u"Tervix"_s).value(folderKey()).toString();
    if (!remembered.isEmpty() && QFileInfo(remembered).isDir())
        return remembered;
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

void rememberDialogFolder(const QString& chosenFile) {
    if (chosenFile.isEmpty())
        return;
    QSettings(u"Tervix"_s, u"Tervix"_s).setValue(folderKey(), QFileInfo(chosenFile).absolutePath());
}
