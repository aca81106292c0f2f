#pragma once
// Half of a deliberate include cycle: the cycle check must find it.
#include "b.h"
