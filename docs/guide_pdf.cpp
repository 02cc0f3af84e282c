// Turns the Markdown user guide into the PDF that "Help" opens: guide_pdf IN.md OUT.pdf
#include "text/bounded_text_file.h"
#include "text/version.h"
#include "text/whole_file.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>

#include <cstdio>
#include <string>

using namespace Qt::StringLiterals;

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: guide_pdf IN.md OUT.pdf\n");
        return 1;
    }
    // The guide is some hundred kilobytes of Markdown; the images it names are read by QTextDocument.
    std::string error;
    const auto guide = readBoundedTextFile(argv[1], {"the user guide", 8u << 20, 64u << 10}, error);
    if (!guide) {
        std::fprintf(stderr, "guide_pdf: %s\n", error.c_str());
        return 1;
    }
    QTextDocument document;
    QFont body(u"DejaVu Sans"_s);
    body.setPointSizeF(9.5);
    document.setDefaultFont(body);
    document.setDefaultStyleSheet(u"code, pre { font-family: 'DejaVu Sans Mono'; }"_s);
    document.setMarkdown(QString::fromStdString(*guide));

    // Made in memory and written whole: an interrupted build leaves no truncated guide behind.
    QByteArray pdf;
    {
        QBuffer buffer(&pdf);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setTitle(u"Tervix user guide"_s);
        writer.setCreator(u"Tervix "_s + QString::fromLatin1(tervixVersion));
        writer.setPageSize(QPageSize(QPageSize::A4));
        // print() sets its own margin around the text; the writer adds none.
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(300);
        document.print(&writer);
    }
    if (!writeWholeFile(argv[2], std::string_view(pdf.constData(), static_cast<std::size_t>(pdf.size())), error)) {
        std::fprintf(stderr, "guide_pdf: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
