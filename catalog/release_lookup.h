// Named values of one release of one product, read from the catalog.
#pragma once

#include <stdint.h>

#include "base/query_environment.h"
#include "xml/xml_document.h"

// The value names of the table in its order, none beyond its end. Kept for the interface (the
// tools list them); setup asks for NAME and VERSION only.
const char* releaseValueName(unsigned index);

// Nonzero when the answer was written, zero on failure, emptyResult when the value element is
// empty (the answer buffer is then left as it was).
int lookupReleaseValue(const char* releaseId, const char* valueName, char* answer,
                       uint32_t answerSize, const char* productId, const XmlDocument* document,
                       const QueryEnvironment* environment, int emptyResult);
