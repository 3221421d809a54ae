#pragma once
#include <list>

#include "text/NarrowString.h"

// Paths in the host's document order.
using PathList = std::list<NarrowString>;
