#include "cli/output_rule.h"

#include "text/output_file.h"
#include "text/whole_file.h"

std::optional<std::string> outputOverInput(const std::vector<NamedFile>& inputs,
                                           const std::vector<NamedFile>& outputs) {
    for (std::size_t k = 0; k < outputs.size(); ++k) {
        const NamedFile& out = outputs[k];
        const std::string named = out.option + " '" + out.path + "'";
        // Standard output is no file: a file named "-" among the inputs is not what it would overwrite.
        const bool standardOutput = isStandardOutput(out.path);
        for (const NamedFile& in : inputs)
            if (!standardOutput && namesSameFile(out.path, in.path))
                return named + " is the input " + in.option + " '" + in.path + "'; name another file";
        for (std::size_t j = 0; j < k; ++j)
            if (standardOutput ? isStandardOutput(outputs[j].path) : namesSameFile(out.path, outputs[j].path))
                return named + " is also " + outputs[j].option + " '" + outputs[j].path + "'; name another file";
    }
    return std::nullopt;
}
