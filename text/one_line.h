#pragma once

#include <string>

// A message as one line: the core's readers word some messages for the window's boxes, over two
// lines with an indent; a command line or a Python exception shows them on one. A line end and the
// indent after it become one space; a line end at the end goes.
std::string oneLine(const std::string& text);
