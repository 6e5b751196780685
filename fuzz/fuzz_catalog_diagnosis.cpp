// The catalog diagnosis against the parser it explains: on any bytes it says "parses" exactly
// when parseDocument (XML mode) gives a document, and every place it reports lies within the
// input, in document order, with the line and column of its offset and a one-line reason.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include "tools/zelcat/catalog_diagnosis.h"
#include "base/local_heap.h"
#include "xml/xml_document.h"

namespace {

void checkFinding(const CatalogFinding& finding, const uint8_t* data, size_t size) {
    if (finding.offset > size || finding.reason.empty())
        abort();
    uint32_t line = 1;
    uint32_t column = 1;
    for (size_t i = 0; i < finding.offset; ++i) {
        ++column;
        if (data[i] == '\n') {
            ++line;
            column = 1;
        }
    }
    if (finding.line != line || finding.column != column)
        abort();
    for (char c : finding.reason) {
        if (c < 0x20 || c > 0x7E)
            abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0xFFFFFFFFu)
        return 0;
    const char* text = (const char*)data;
    XmlDocument* document = parseDocument(text, (uint32_t)size, false);
    CatalogDiagnosis diagnosis = diagnoseCatalog(text, (uint32_t)size);
    if ((document != nullptr) != diagnosis.parses)
        abort();
    if (document) {
        releaseDocument(document);
        heapFree(document);
    } else {
        checkFinding(diagnosis.failure, data, size);
    }
    uint32_t previous = 0;
    for (const CatalogFinding& warning : diagnosis.warnings) {
        checkFinding(warning, data, size);
        if (warning.offset < previous)
            abort();
        previous = warning.offset;
    }
    return 0;
}
