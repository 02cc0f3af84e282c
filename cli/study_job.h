#pragma once

#include <string>

class CommandWords;

// `tervix-cli study run DIR N`: job N of the study in DIR. It takes everything from the manifest,
// checks that the inputs are the bytes the study was written from, measures the camera in each
// orientation, predicts its ranges and writes its result whole, with the manifest's SHA-256. A job
// whose result is already there and belongs to this manifest is done, so a second run resumes.
int runStudyJob(const CommandWords& words, const std::string& folder, const std::string& job);

// `tervix-cli study slurm DIR [--array-limit N]`: DIR/slurm.sh, a job array sized to the study.
int writeStudySlurmScript(const CommandWords& words, const std::string& folder);
