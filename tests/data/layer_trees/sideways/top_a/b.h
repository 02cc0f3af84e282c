#pragma once
#include "low/a.h"
#include "top_b/c.h"
