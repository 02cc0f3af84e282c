#pragma once

class CommandWords;

// `tervix-cli study PLAN.json [--out DIR] [--max-jobs N]`: checks the whole plan, then writes the
// study's folder: its cameras, manifest.json and jobs.txt, one `study run DIR N` line per job.
int makeStudyFolder(const CommandWords& words);
