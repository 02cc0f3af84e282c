#include "cli/study_command.h"

#include "cli/command_words.h"
#include "cli/refusal.h"
#include "cli/study_folder.h"
#include "cli/study_job.h"
#include "cli/study_merge.h"

#include <iostream>

int runStudyCommand(const CommandWords& words) {
    const auto positional = words.positional();
    if (words.has("merge"))
        return mergeStudy(words);
    if (!positional.empty() && positional[0] == "run") {
        if (positional.size() != 3) {
            return usageError("study run takes the study's folder and a job number");
        }
        return runStudyJob(words, positional[1], positional[2]);
    }
    if (!positional.empty() && positional[0] == "slurm") {
        if (positional.size() != 2) {
            return usageError("study slurm takes the study's folder");
        }
        return writeStudySlurmScript(words, positional[1]);
    }
    return makeStudyFolder(words);
}
