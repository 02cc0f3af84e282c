#pragma once
#include "mid/b.h"
