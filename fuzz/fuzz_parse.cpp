// parseDocument on arbitrary bytes, in the mode chosen at build time (FUZZ_HTML_MODE).
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include "base/local_heap.h"
#include "fuzz/fuzz_tree_check.h"
#include "xml/xml_document.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0xFFFFFFFFu)
        return 0;
    XmlDocument* document = parseDocument((const char*)data, (uint32_t)size, FUZZ_HTML_MODE);
    if (!document)
        return 0;
    checkDocument(*document, size);
    if (!releaseDocument(document) || releaseDocument(document))
        abort();
    heapFree(document);
    return 0;
}
