// The folder browser's status line. Plain text handling over a width callback, so that it
// builds anywhere.
#pragma once

#include <stddef.h>

// While the text is not narrower than width, the components before the last give way to
// " ... ", until fewer than two backslashes remain. shown (size bytes) receives the result;
// a path that does not fit in it shows as the empty text.
void shortenStatusPath(const char* path, char* shown, size_t size, int width,
                       int (*measure)(const char* text, void* context), void* context);
