// How a stored release version is shown. Plain text handling, so that it builds anywhere.
#pragma once

// Shows an 8-character version text as "%X.%02X.%04X" in place (the buffer holds at least 11
// bytes); any other text stays as it is.
void formatVersionDisplay(char* version);
