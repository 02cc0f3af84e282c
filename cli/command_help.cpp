#include "cli/command_help.h"

#include "console/data_files.h"
#include "console/target_loader.h"

#include <initializer_list>
#include <string_view>

const char* const toolSummary = "The bench's pipeline without its window. \"tervix-cli COMMAND --help\" describes a "
                                "command,\nits options and the files it reads. An output given as - goes to standard "
                                "output.\nExit status: 0 done, 1 failed, 2 a wrong command line.";

namespace {

bool readsStandardFiles(const CommandHelp& command) {
    for (const CommandOption& option : *command.options)
        if (std::string_view(option.name) == "target" && std::string_view(option.valueName) == "FILE")
            return true;
    return false;
}

// The two files a command finds by itself: name, then where it looks, broken into lines for a terminal.
struct StandardFile {
    const char* name;
    std::string where;
};

std::vector<StandardFile> standardFiles() {
    const std::string installed = installedDataDirectory();
    return {
        {standardTargetFile, "without --target: from the working folder (as the window's Load/Edit),\nelse from the "
                             "program's folder, else from " +
                                 installed + " beside it"},
        {"Atmosphere.ini", "without --atmosphere: from the program's folder (as the window), else from\n" + installed +
                               " beside it; left out when in neither"}};
}

// Text as roff prints it: a backslash escaped, every hyphen a minus (so that options copied from the
// page are the ASCII the tool reads), and a line that would begin a request protected.
std::string roff(std::string_view text) {
    std::string out;
    bool lineStart = true;
    for (char c : text) {
        if (lineStart && (c == '.' || c == '\''))
            out += "\\&";
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
        lineStart = c == '\n';
    }
    return out;
}

// The table's hard line ends are for a terminal: roff fills the paragraph itself.
std::string joined(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c == '\n')
            c = ' ';
    return out;
}

} // namespace

std::string standardFilesText(const CommandHelp& command) {
    if (!readsStandardFiles(command))
        return {};
    std::string text = "\nFiles it reads by itself:\n";
    for (const StandardFile& file : standardFiles()) {
        std::string where = file.where;
        for (std::size_t at = where.find('\n'); at != std::string::npos; at = where.find('\n', at + 1))
            where.insert(at + 1, 18, ' ');
        text +=
            "  " + std::string(file.name) + std::string(16 - std::string_view(file.name).size(), ' ') + where + "\n";
    }
    return text;
}

std::string manualPage(const std::vector<CommandHelp>& commands, const std::string& version) {
    std::string page;
    // Appended piece by piece: roff's escapes make every line a mix of literals and text.
    auto add = [&page](std::initializer_list<std::string_view> pieces) {
        for (std::string_view piece : pieces)
            page.append(piece);
    };
    add({".TH TERVIX\\-CLI 1 \"\" \"Tervix ", roff(version), "\" \"User Commands\"\n",
         ".SH NAME\ntervix\\-cli \\- the thermal camera test bench without its window\n.SH SYNOPSIS\n.nf\n"});
    // The usage keeps the table's line breaks, its continuation lines aligned under the first option.
    for (const CommandHelp& command : commands) {
        std::string usage = command.usage;
        for (std::size_t at = usage.find("\n  "); at != std::string::npos; at = usage.find("\n  ", at + 1))
            usage.erase(at + 1, 2);
        add({"\\fBtervix\\-cli\\fR ", roff(usage), "\n"});
    }
    add({"\\fBtervix\\-cli\\fR \\-\\-help | \\-\\-version | \\-\\-man\n.fi\n.SH DESCRIPTION\n",
         roff(joined(toolSummary)),
         "\n.PP\nEvery command also takes \\fB\\-h\\fR, \\fB\\-\\-help\\fR and \\fB\\-v\\fR, \\fB\\-\\-version\\fR. "
         "\\fB\\-\\-man\\fR prints this page.\n.SH COMMANDS\n"});
    for (const CommandHelp& command : commands) {
        add({".SS ", roff(command.name), "\n", roff(joined(command.description)), "\n"});
        for (const CommandOption& option : *command.options) {
            add({".TP\n\\fB\\-\\-", roff(option.name), "\\fR"});
            if (*option.valueName)
                add({" \\fI", roff(option.valueName), "\\fR"});
            add({"\n", roff(joined(option.description)), "\n"});
        }
    }
    add({".SH FILES\n"});
    for (const StandardFile& file : standardFiles())
        add({".TP\n.I ", roff(file.name), "\n", roff(joined(file.where)), "\n"});
    add({".TP\n.I guide_tervix.pdf\nThe user guide, in the installed data folder.\n"});
    return page;
}
