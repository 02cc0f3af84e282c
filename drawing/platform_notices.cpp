#include "drawing/platform_notices.h"

#include <QString>
#include <QtGlobal>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

QtMessageHandler qtHandler = nullptr;

void withoutPlatformNotices(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && message.startsWith(u"QStandardPaths: XDG_RUNTIME_DIR not set"_s))
        return;
    if (qtHandler)
        qtHandler(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

} // namespace

void keepPlatformNoticesOffStderr() {
    qtHandler = qInstallMessageHandler(withoutPlatformNotices);
}
