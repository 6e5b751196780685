// Counts the bytes held by the process heap and their peak, by standing in for the malloc
// family of the whole program (the shared parsers included).
#pragma once

#include <stddef.h>

// Starts counting blocks; the peak restarts from what is held now.
void startHeapMeasure();
// Stops counting and returns the peak since the start, less what was held then. Blocks must
// be allocated and freed within one measurement.
size_t stopHeapMeasure();
