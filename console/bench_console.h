#pragma once

#include "console/bench.h"

// The bench's earlier name; callers move over to Bench as they are next changed.
using BenchConsole = Bench;
