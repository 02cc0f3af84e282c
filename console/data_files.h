#pragma once

#include <string>

// Where the bench's shipped files are found. A build keeps them beside the programs; an installed
// bench keeps the programs in bin/ and the files in share/tervix/. The program's own folder wins, so
// a file put beside the program overrides the installed one.
//
// The path of `name` in `programDirectory` (which ends in a separator) when it exists there, else in
// the installed data folder beside it when it exists there, else the path in the program's folder
// (which the caller then reports or ignores as before).
std::string dataFilePath(const std::string& programDirectory, const std::string& name);

// The folder the installed bench keeps its data in, relative to the programs' folder, ending in '/'.
const char* installedDataDirectory();
