// The guide's PDF read back with poppler, as a reader's viewer sees it: every section and subsection
// has a bookmark that leads to the page showing its heading, and the contents give that page; the
// screenshots are embedded; every code block stands whole on one page in unbroken lines, and no
// option is cut after its dashes. And the builder refuses a guide whose code a reader could not copy.
#include "cli_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <sstream>

using testing_support::runCommand;

namespace {

const std::string pdf = TERVIX_GUIDE_PDF;

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Runs of blanks as one space, none at the ends: lines as pdftotext lays them out.
std::string collapsed(const std::string& text) {
    std::string out;
    for (char c : text)
        if (c != ' ' || (!out.empty() && out.back() != ' '))
            out += c;
    return out.empty() || out.back() != ' ' ? out : out.substr(0, out.size() - 1);
}

// A page's text with the typesetter's ligatures (fi, fl, ff, ffi, ffl) spelt out again.
std::string pageText(int page) {
    std::string text =
        runCommand("pdftotext -layout -f " + std::to_string(page) + " -l " + std::to_string(page) + " '" + pdf + "' -")
            .out;
    for (const auto& [ligature, letters] :
         {std::pair{"\xef\xac\x80", "ff"}, std::pair{"\xef\xac\x81", "fi"}, std::pair{"\xef\xac\x82", "fl"},
          std::pair{"\xef\xac\x83", "ffi"}, std::pair{"\xef\xac\x84", "ffl"}})
        text = std::regex_replace(text, std::regex(ligature), letters);
    return text;
}

// The bookmarks, title to page, as poppler reads the outline.
std::map<std::string, int> bookmarks() {
    std::map<std::string, int> marks;
    const std::string xml = runCommand("pdftohtml -xml -i -q -stdout '" + pdf + "'").out;
    const std::regex item(R"re(<item page="(\d+)">([^<]*)</item>)re");
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), item); it != std::sregex_iterator(); ++it)
        marks[std::regex_replace((*it)[2].str(), std::regex("&#39;"), "'")] = std::stoi((*it)[1].str());
    return marks;
}

// The guide's section and subsection headings as a reader sees them (code marks gone), and the ASCII
// lines of its code blocks (lines indented by four after a blank line): the commands and files a
// reader copies. Formulas are left out, since pdftotext places combining accents apart.
struct Markdown {
    std::vector<std::string> headings;
    std::vector<std::vector<std::string>> codeBlocks;
    int images = 0;
};

Markdown readGuide() {
    Markdown guide;
    const std::vector<std::string> lines = linesOf(testing_support::readText(TERVIX_GUIDE_SOURCE));
    bool blankBefore = true, inCode = false;
    for (const std::string& line : lines) {
        if (line.rfind("## ", 0) == 0 || line.rfind("### ", 0) == 0)
            guide.headings.push_back(std::regex_replace(line.substr(line.find(' ') + 1), std::regex("`"), ""));
        guide.images += line.rfind("![", 0) == 0;
        const bool indented = line.rfind("    ", 0) == 0 && line.find_first_not_of(' ') != std::string::npos;
        if (indented && (inCode || blankBefore)) {
            if (!inCode)
                guide.codeBlocks.emplace_back();
            if (std::all_of(line.begin(), line.end(), [](char c) { return c > 0; }))
                guide.codeBlocks.back().push_back(collapsed(line));
            inCode = true;
        } else if (!line.empty()) {
            inCode = false;
        }
        blankBefore = line.empty();
    }
    std::erase_if(guide.codeBlocks, [](const auto& block) { return block.empty(); });
    return guide;
}

int pageCount() {
    const std::string info = runCommand("pdfinfo '" + pdf + "'").out;
    std::smatch pages;
    return std::regex_search(info, pages, std::regex(R"(Pages:\s+(\d+))")) ? std::stoi(pages[1]) : 0;
}

} // namespace

TEST(Guide, EverySectionHasABookmarkToItsPageAndTheContentsGiveThatPage) {
    const Markdown guide = readGuide();
    const auto marks = bookmarks();
    ASSERT_GE(guide.headings.size(), 40u);
    std::vector<std::string> contents;
    for (int page = 1; page <= 3; ++page)
        for (const std::string& line : linesOf(pageText(page)))
            contents.push_back(collapsed(line));
    for (const std::string& heading : guide.headings) {
        const auto mark = marks.find(heading);
        ASSERT_NE(mark, marks.end()) << heading;
        const std::vector<std::string> page = linesOf(pageText(mark->second));
        // A long heading may take two lines: its first is enough.
        EXPECT_TRUE(std::any_of(page.begin(), page.end(),
                                [&](const std::string& line) {
                                    const std::string text = collapsed(line);
                                    return text == heading || (text.size() >= 30 && heading.rfind(text, 0) == 0);
                                }))
            << heading << " is not on page " << mark->second;
        EXPECT_NE(std::find(contents.begin(), contents.end(), heading + " " + std::to_string(mark->second)),
                  contents.end())
            << heading << " is not given page " << mark->second << " in the contents";
    }
}

TEST(Guide, EmbedsEveryScreenshot) {
    const Markdown guide = readGuide();
    const std::vector<std::string> images = linesOf(runCommand("pdfimages -list '" + pdf + "'").out);
    EXPECT_GE(guide.images, 4);
    EXPECT_EQ(static_cast<int>(images.size()) - 2, guide.images); // below a two-line header
}

TEST(Guide, CodeIsNeverCutInsideAToken) {
    const Markdown guide = readGuide();
    ASSERT_GE(guide.codeBlocks.size(), 12u);
    std::vector<std::vector<std::string>> pages;
    for (int page = 1; page <= pageCount(); ++page) {
        pages.emplace_back();
        for (const std::string& line : linesOf(pageText(page)))
            pages.back().push_back(collapsed(line));
    }
    for (const auto& block : guide.codeBlocks) {
        const bool whole = std::any_of(pages.begin(), pages.end(), [&](const std::vector<std::string>& page) {
            return std::all_of(block.begin(), block.end(), [&](const std::string& code) {
                return std::any_of(page.begin(), page.end(),
                                   [&](const std::string& line) { return line.find(code) != std::string::npos; });
            });
        });
        EXPECT_TRUE(whole) << "split or broken: " << block.front();
    }
    // Nor is an option in the text cut after its dashes at a line's end.
    for (const auto& page : pages)
        for (const std::string& line : page)
            EXPECT_FALSE(line.size() >= 2 && line.compare(line.size() - 2, 2, "--") == 0) << line;
}

// A guide the builder must refuse, and what its message names.
struct Refused {
    const char* name;
    const char* markdown;
    const char* reason;
};

class GuideRefuses : public testing::TestWithParam<Refused> {};

TEST_P(GuideRefuses, ACodeLineAReaderCouldNotCopy) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("guide_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    { std::ofstream((folder / "in.md").string()) << "# Guide\n\nText.\n\n## 1. Part\n\n" << GetParam().markdown; }
    const auto run = runCommand("QT_QPA_PLATFORM=offscreen " TERVIX_GUIDE_TOOL " in.md out.pdf", folder.string());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(GetParam().reason), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(folder / "out.pdf"));
    std::filesystem::remove_all(folder);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, GuideRefuses,
    testing::Values(Refused{"EnDashInACommand",
                            "    tervix-cli mrtd \xe2\x80\x93\xe2\x80\x93"
                            "camera camera1.par\n",
                            "U+2013"},
                    Refused{"CurlyQuotesInlineCode",
                            "Run `parallel \xe2\x80\x9c"
                            "{}\xe2\x80\x9d` now.\n",
                            "U+201C"},
                    Refused{
                        "LineWiderThanThePage",
                        "    tervix-cli render --camera FILE --target FILE --atmosphere FILE --frequency 1 --dt 0.5 "
                        "--seed 7 --out x.png\n",
                        "wider than the page"},
                    Refused{"MissingScreenshot", "![A picture](absent.png)\n", "absent.png"}),
    [](const testing::TestParamInfo<Refused>& info) { return std::string(info.param.name); });
