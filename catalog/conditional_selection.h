// Selector elements: choosing the language-, machine- or OS-specific item of a value.
#pragma once

#include <stdint.h>

#include "base/query_environment.h"
#include "xml/xml_document.h"

// path holds the selector's path on entry and, on success, the path of the chosen data
// element followed only by zero bytes up to pathSize. Unchanged on failure.
bool selectConditionalItem(char* path, uint32_t pathSize, const char* dataId,
                           const XmlDocument* document, const QueryEnvironment* environment);
