// One catalog element read as a single whitespace-free ANSI text, with its pd and gd value
// nodes resolved.
#pragma once

#include "catalog/query_environment.h"
#include "xml/local_heap.h"
#include "xml/xml_document.h"

// Returns a movable local-heap block holding the ANSI string (lock it to read it, free it
// with heapFree), or none.
HeapBlock composeNodeText(const XmlNode* node, const XmlDocument* document,
                          const QueryEnvironment* environment);
