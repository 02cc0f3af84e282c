// Turns the Markdown user guide into the PDF that "Help" opens: guide_pdf IN.md OUT.pdf. The images
// the guide names are read from the folder of IN.md.
#include "docs/guide_book.h"
#include "docs/pdf_navigation.h"
#include "text/bounded_text_file.h"
#include "text/version.h"
#include "text/whole_file.h"

#include <QBuffer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPageSize>
#include <QPdfWriter>

#include <cstdio>
#include <string>

using namespace Qt::StringLiterals;

namespace {

// The guide is a few hundred kilobytes of text; its tables make long lines.
constexpr TextFileLimits guideLimits{"a guide", 4u << 20, 64u << 10};

int fail(const std::string& error) {
    std::fprintf(stderr, "guide_pdf: %s\n", error.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    if (argc != 3)
        return fail("usage: guide_pdf IN.md OUT.pdf");
    TextFileFault fault = TextFileFault::None;
    std::string reason;
    const auto markdown = readBoundedTextFile(argv[1], guideLimits, fault, reason);
    if (!markdown)
        return fail(std::string(argv[1]) + " " + reason);

    // Made in memory and written whole: an interrupted build leaves no truncated guide behind.
    QByteArray printed;
    std::vector<PdfBookmark> bookmarks;
    std::vector<PdfLink> links;
    {
        QBuffer buffer(&printed);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setTitle(u"Tervix user guide"_s);
        writer.setCreator(u"Tervix "_s + QString::fromLatin1(tervixVersion));
        writer.setPageSize(QPageSize(QPageSize::A4));
        // The book sets its own margins; the writer adds none.
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(300);
        GuideBook book(QString::fromStdString(*markdown), QFileInfo(QString::fromLocal8Bit(argv[1])).absolutePath(),
                       writer);
        if (!book.error().isEmpty())
            return fail(std::string(argv[1]) + ": " + book.error().toStdString());
        book.print(writer, u"Tervix "_s + QString::fromLatin1(tervixVersion) + u" user guide"_s);
        bookmarks = book.bookmarks();
        links = book.contentsLinks();
    }
    std::string pdf(printed.constData(), static_cast<std::size_t>(printed.size()));
    std::string error;
    if (!addPdfNavigation(pdf, bookmarks, links, error))
        return fail("cannot add the bookmarks: " + error);
    if (!writeWholeFile(argv[2], pdf, error))
        return fail(error);
    return 0;
}
