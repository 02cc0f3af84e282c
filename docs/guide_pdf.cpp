// Turns the Markdown user guide into the PDF that "Help" opens: guide_pdf IN.md OUT.pdf
#include <QFile>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>

#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: guide_pdf IN.md OUT.pdf\n");
        return 1;
    }
    QFile in(QString::fromLocal8Bit(argv[1]));
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "guide_pdf: cannot read %s\n", argv[1]);
        return 1;
    }
    QTextDocument document;
    QFont body(u"DejaVu Sans"_s);
    body.setPointSizeF(9.5);
    document.setDefaultFont(body);
    document.setDefaultStyleSheet(u"code, pre { font-family: 'DejaVu Sans Mono'; }"_s);
    document.setMarkdown(QString::fromUtf8(in.readAll()));

    QPdfWriter writer(QString::fromLocal8Bit(argv[2]));
    writer.setTitle(u"Tervix user guide"_s);
    writer.setCreator(u"Tervix"_s);
    writer.setPageSize(QPageSize(QPageSize::A4));
    // print() sets its own margin around the text; the writer adds none.
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(300);
    document.print(&writer);
    return 0;
}
