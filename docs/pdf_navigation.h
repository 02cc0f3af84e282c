#pragma once

#include <string>
#include <vector>

// Bookmarks and internal links for a PDF that Qt wrote. Qt's PDF writer has neither, so they are added
// afterwards as an incremental update: new objects, a catalogue that names the bookmarks and the page
// objects that carry links, appended after the file with their own cross-reference section, as the PDF
// format provides for changing a finished file. The bytes Qt wrote stay as they are.

// A place on a page: the page (from 0) and the point at its top left, in PDF units (1/72 inch) from the
// page's bottom left corner.
struct PdfPlace {
    int page = 0;
    double x = 0.0;
    double y = 0.0;
};

// One bookmark; depth 0 is the top level, and an entry one deeper than the one before it is its child.
struct PdfBookmark {
    std::string title; // UTF-8
    int depth = 0;
    PdfPlace target;
};

// An area of a page, in PDF units, that leads to a place when clicked.
struct PdfLink {
    int page = 0;
    double left = 0.0, bottom = 0.0, right = 0.0, top = 0.0;
    PdfPlace target;
};

// Appends the bookmarks (the panel shown when the file opens) and the links to `pdf`. False, with the
// reason, for a file without the classic cross-reference table and single page tree Qt writes, for a
// target page it does not have, or for bookmarks whose depths skip a level.
bool addPdfNavigation(std::string& pdf, const std::vector<PdfBookmark>& bookmarks, const std::vector<PdfLink>& links,
                      std::string& error);
