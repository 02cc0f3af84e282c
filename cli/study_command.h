#pragma once

class CommandWords;

// `tervix-cli study`: PLAN.json [--out DIR] writes a study's folder, `run DIR N` runs one of its jobs,
// `slurm DIR` writes its job array, `--merge DIR` gathers its results. A plan file named "run" or
// "slurm" is given as ./run.
int runStudyCommand(const CommandWords& words);
