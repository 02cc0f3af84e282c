#pragma once

class CommandWords;

// `tervix-cli study STUDY.json [--out DIR]` writes a study's cameras and job list;
// `tervix-cli study --merge DIR` gathers its finished jobs into one CSV and a plot.
int runStudyCommand(const CommandWords& words);
