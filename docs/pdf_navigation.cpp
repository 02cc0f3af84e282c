#include "docs/pdf_navigation.h"

#include <QString>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <map>
#include <optional>

namespace {

std::optional<long long> numberAt(const std::string& text, std::size_t at) {
    while (at < text.size() && (text[at] == ' ' || text[at] == '\r' || text[at] == '\n'))
        ++at;
    long long value = 0;
    const auto [end, fault] = std::from_chars(text.data() + at, text.data() + text.size(), value);
    if (fault != std::errc() || end == text.data() + at)
        return std::nullopt;
    return value;
}

// The object number after `key` in a dictionary ("/Root 1 0 R" gives 1).
std::optional<long long> referenceAfter(const std::string& dictionary, const std::string& key) {
    const std::size_t at = dictionary.find(key);
    return at == std::string::npos ? std::nullopt : numberAt(dictionary, at + key.size());
}

// A cross-reference table: where each object of the file begins, from the newest section back.
struct FileIndex {
    std::map<long long, std::size_t> offsets;
    std::string trailer; // the newest trailer's dictionary
    long long size = 0;
    std::size_t lastSection = 0;
};

bool readIndex(const std::string& pdf, FileIndex& index, std::string& error) {
    const std::size_t start = pdf.rfind("startxref");
    const auto section = start == std::string::npos ? std::nullopt : numberAt(pdf, start + 9);
    if (!section || *section < 0 || static_cast<std::size_t>(*section) >= pdf.size() ||
        pdf.compare(static_cast<std::size_t>(*section), 4, "xref") != 0) {
        error = "no cross-reference table";
        return false;
    }
    index.lastSection = static_cast<std::size_t>(*section);
    std::size_t at = index.lastSection + 4;
    // Subsections "first count" of 20-byte entries, up to the trailer.
    while (true) {
        while (at < pdf.size() && (pdf[at] == '\r' || pdf[at] == '\n' || pdf[at] == ' '))
            ++at;
        if (pdf.compare(at, 7, "trailer") == 0)
            break;
        const std::size_t space = pdf.find(' ', at), line = pdf.find('\n', at);
        const long long first = numberAt(pdf, at).value_or(-1);
        const long long count = space < line ? numberAt(pdf, space).value_or(-1) : -1;
        if (first < 0 || count < 0 || line == std::string::npos ||
            line + 1 + 20 * static_cast<std::size_t>(count) > pdf.size()) {
            error = "a malformed cross-reference table";
            return false;
        }
        at = line + 1;
        for (long long k = 0; k < count; ++k, at += 20)
            if (pdf[at + 17] == 'n')
                index.offsets.emplace(first + k, static_cast<std::size_t>(numberAt(pdf, at).value_or(0)));
    }
    const std::size_t open = pdf.find("<<", at), close = pdf.find(">>\nstartxref", at);
    const auto size = open == std::string::npos || close == std::string::npos
                          ? std::nullopt
                          : referenceAfter(pdf.substr(open, close + 2 - open), "/Size");
    if (!size) {
        error = "no trailer";
        return false;
    }
    index.trailer = pdf.substr(open, close + 2 - open);
    index.size = *size;
    return true;
}

// What object `number` holds, between "obj" and "endobj", without the blanks around it.
std::optional<std::string> bodyOf(const std::string& pdf, const FileIndex& index, long long number) {
    const auto at = index.offsets.find(number);
    const std::size_t open = at == index.offsets.end() ? std::string::npos : pdf.find("obj", at->second);
    const std::size_t end = open == std::string::npos ? std::string::npos : pdf.find("endobj", open);
    if (end == std::string::npos)
        return std::nullopt;
    const std::size_t first = pdf.find_first_not_of(" \r\n", open + 3);
    const std::size_t last = pdf.find_last_not_of(" \r\n", end - 1);
    if (first > last)
        return std::nullopt;
    return pdf.substr(first, last + 1 - first);
}

// The dictionary of object `number`, from its "<<" to the ">>" that closes it.
std::optional<std::string> dictionaryOf(const std::string& pdf, const FileIndex& index, long long number) {
    const auto at = index.offsets.find(number);
    if (at == index.offsets.end())
        return std::nullopt;
    const std::size_t open = pdf.find("<<", at->second);
    const std::size_t end = pdf.find("endobj", at->second);
    if (open == std::string::npos || end == std::string::npos || open > end)
        return std::nullopt;
    int depth = 0;
    for (std::size_t k = open; k + 1 < end; ++k) {
        if (pdf.compare(k, 2, "<<") == 0)
            ++depth, ++k;
        else if (pdf.compare(k, 2, ">>") == 0 && (++k, --depth == 0))
            return pdf.substr(open, k + 1 - open);
    }
    return std::nullopt;
}

// A PDF text string: UTF-16BE behind its byte order mark, in hexadecimal, so that any title survives.
std::string textString(const std::string& utf8) {
    std::string out = "<FEFF";
    char digits[8];
    for (char16_t unit : QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).toStdU16String()) {
        std::snprintf(digits, sizeof digits, "%04X", static_cast<unsigned>(unit));
        out += digits;
    }
    return out + ">";
}

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

std::string reference(long long object) {
    return std::to_string(object) + " 0 R";
}

// The dictionary with `entries` added before its end.
std::string extended(const std::string& dictionary, const std::string& entries) {
    return dictionary.substr(0, dictionary.size() - 2) + entries + ">>";
}

} // namespace

bool addPdfNavigation(std::string& pdf, const std::vector<PdfBookmark>& bookmarks, const std::vector<PdfLink>& links,
                      std::string& error) {
    FileIndex index;
    if (!readIndex(pdf, index, error))
        return false;
    const auto root = referenceAfter(index.trailer, "/Root");
    const auto catalog = root ? dictionaryOf(pdf, index, *root) : std::nullopt;
    const auto pagesNumber = catalog ? referenceAfter(*catalog, "/Pages") : std::nullopt;
    const auto pages = pagesNumber ? dictionaryOf(pdf, index, *pagesNumber) : std::nullopt;
    const std::size_t kids = pages ? pages->find("/Kids") : std::string::npos;
    if (kids == std::string::npos || catalog->find("/Outlines") != std::string::npos) {
        error = "not a single page tree without bookmarks";
        return false;
    }
    std::vector<long long> pageObjects;
    const std::size_t kidsEnd = pages->find(']', kids);
    for (std::size_t at = pages->find('[', kids) + 1; at < kidsEnd;) {
        const auto object = numberAt(*pages, at);
        if (!object)
            break;
        pageObjects.push_back(*object);
        at = pages->find('R', at) + 1;
    }
    auto destination = [&](const PdfPlace& place) -> std::optional<std::string> {
        if (place.page < 0 || static_cast<std::size_t>(place.page) >= pageObjects.size())
            return std::nullopt;
        std::string text = "[";
        text += reference(pageObjects[static_cast<std::size_t>(place.page)]) + " /XYZ " + number(place.x) + " " +
                number(place.y) + " null]";
        return text;
    };

    std::map<long long, std::string> objects; // number -> its body, new ones and rewritten ones
    long long next = index.size;
    // The bookmarks: a tree under one outline root, each entry closed over its children.
    const long long outlineRoot = next++;
    std::vector<long long> numbers;
    for (std::size_t k = 0; k < bookmarks.size(); ++k)
        numbers.push_back(next++);
    auto parentOf = [&](std::size_t k) -> long long {
        for (std::size_t j = k; j-- > 0;)
            if (bookmarks[j].depth < bookmarks[k].depth)
                return numbers[j];
        return outlineRoot;
    };
    auto sibling = [&](std::size_t k, int step) -> std::optional<long long> {
        for (std::size_t j = k + static_cast<std::size_t>(step); j < bookmarks.size();
             j += static_cast<std::size_t>(step)) {
            if (bookmarks[j].depth < bookmarks[k].depth)
                return std::nullopt;
            if (bookmarks[j].depth == bookmarks[k].depth)
                return numbers[j];
        }
        return std::nullopt;
    };
    std::vector<long long> topLevel;
    for (std::size_t k = 0; k < bookmarks.size(); ++k) {
        const int depth = bookmarks[k].depth;
        const auto target = destination(bookmarks[k].target);
        if (!target || depth < 0 || depth > (k == 0 ? 0 : bookmarks[k - 1].depth + 1)) {
            error = "bookmark \"" + bookmarks[k].title + "\" has no page or skips a level";
            return false;
        }
        if (depth == 0)
            topLevel.push_back(numbers[k]);
        std::string body =
            "<< /Title " + textString(bookmarks[k].title) + " /Parent " + reference(parentOf(k)) + " /Dest " + *target;
        if (const auto previous = sibling(k, -1))
            body += " /Prev " + reference(*previous);
        if (const auto following = sibling(k, 1))
            body += " /Next " + reference(*following);
        std::vector<long long> children;
        for (std::size_t j = k + 1; j < bookmarks.size() && bookmarks[j].depth > depth; ++j)
            if (bookmarks[j].depth == depth + 1)
                children.push_back(numbers[j]);
        if (!children.empty())
            body += " /First " + reference(children.front()) + " /Last " + reference(children.back()) + " /Count -" +
                    std::to_string(children.size());
        objects[numbers[k]] = body + " >>";
    }
    objects[outlineRoot] = topLevel.empty()
                               ? "<< /Type /Outlines /Count 0 >>"
                               : "<< /Type /Outlines /First " + reference(topLevel.front()) + " /Last " +
                                     reference(topLevel.back()) + " /Count " + std::to_string(topLevel.size()) + " >>";
    objects[*root] = extended(*catalog, " /Outlines " + reference(outlineRoot) + " /PageMode /UseOutlines ");

    // The links: each an annotation, listed in its page's /Annots.
    std::map<int, std::string> annotationsOf;
    for (const PdfLink& link : links) {
        const auto target = destination(link.target);
        if (!target || !destination({link.page, 0.0, 0.0})) {
            error = "a link's page does not exist";
            return false;
        }
        const long long annotation = next++;
        objects[annotation] = "<< /Type /Annot /Subtype /Link /Rect [" + number(link.left) + " " + number(link.bottom) +
                              " " + number(link.right) + " " + number(link.top) + "] /Border [0 0 0] /Dest " + *target +
                              " >>";
        annotationsOf[link.page] += " " + reference(annotation);
    }
    for (const auto& [page, annotations] : annotationsOf) {
        // Qt gives every page an /Annots array of its own, as an object; a page without one gets one.
        const long long object = pageObjects[static_cast<std::size_t>(page)];
        const auto dictionary = dictionaryOf(pdf, index, object);
        const std::size_t key = dictionary ? dictionary->find("/Annots") : std::string::npos;
        const auto array = key == std::string::npos ? std::nullopt : referenceAfter(*dictionary, "/Annots");
        const auto body = array ? bodyOf(pdf, index, *array) : std::nullopt;
        if (!dictionary || (key != std::string::npos && (!body || body->front() != '[' || body->back() != ']'))) {
            error = "a page whose annotations are not an array object";
            return false;
        }
        if (body)
            objects[*array] = body->substr(0, body->size() - 1) + annotations + " ]";
        else
            objects[object] = extended(*dictionary, " /Annots [" + annotations + " ] ");
    }

    // The update: the objects, then a cross-reference section in runs of consecutive numbers.
    std::string update = pdf.back() == '\n' ? "" : "\n";
    std::map<long long, std::size_t> offsets;
    for (const auto& [object, body] : objects) {
        offsets[object] = pdf.size() + update.size();
        update += std::to_string(object) + " 0 obj\n" + body + "\nendobj\n";
    }
    const std::size_t section = pdf.size() + update.size();
    update += "xref\n";
    for (auto run = offsets.begin(); run != offsets.end();) {
        auto end = std::next(run);
        while (end != offsets.end() && end->first == std::prev(end)->first + 1)
            ++end;
        update += std::to_string(run->first) + " " + std::to_string(std::distance(run, end)) + "\n";
        for (; run != end; ++run) {
            char entry[24];
            std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", run->second);
            update += entry;
        }
    }
    std::string trailer = "<< /Size " + std::to_string(next) + " /Root " + reference(*root);
    for (const char* key : {"/Info", "/ID"}) {
        const std::size_t at = index.trailer.find(key);
        if (at == std::string::npos)
            continue;
        const std::size_t end =
            std::string_view(key) == "/ID" ? index.trailer.find(']', at) + 1 : index.trailer.find('R', at) + 1;
        trailer += " " + index.trailer.substr(at, end - at);
    }
    update += "trailer\n" + trailer + " /Prev " + std::to_string(index.lastSection) + " >>\nstartxref\n" +
              std::to_string(section) + "\n%%EOF\n";
    pdf += update;
    return true;
}
