// One catalog element read as a single whitespace-free ANSI text, with its pd and gd value
// nodes resolved.
#pragma once

#include <stdint.h>

#include "base/local_heap.h"
#include "base/query_environment.h"
#include "xml/xml_document.h"

// Shared by the whole composition of one element.
struct ComposeState {
    uint32_t runningSize;  // the NUL and every piece appended, each measured before it is cut
    const char* lastPiece; // where the piece appended last begins (kept for the interface)
    uint32_t length;       // bytes of the work block's string
};

// Returns a movable local-heap block holding the ANSI string (lock it to read it, free it
// with heapFree), or none.
HeapBlock composeNodeText(const XmlNode* node, const XmlDocument* document,
                          const QueryEnvironment* environment);
// Appends the node, its descendants and the text after its markup to the work block (a
// movable block holding a UTF-8 string). Returns the block, which may have moved; on failure
// the block has been freed and none is returned.
HeapBlock appendNodeText(const XmlNode* node, const XmlDocument* document, HeapBlock work,
                         ComposeState* state, const QueryEnvironment* environment);
// Deletes every whitespace byte of the block's string in place; returns the block.
HeapBlock removeWhitespace(HeapBlock work);
