#pragma once
// The other half of the deliberate cycle.
#include "a.h"
