// Checks shared by the fuzz targets: a parsed tree keeps every string inside its copy.
#pragma once

#include <stdlib.h>
#include <string.h>

#include "xml/xml_document.h"

inline void checkInside(const char* string, const char* begin, const char* end) {
    if (!string || string < begin || string + strlen(string) >= end)
        abort();
}

inline void checkNode(const XmlNode& node, const char* begin, const char* end) {
    checkInside(node.name, begin, end);
    checkInside(node.text, begin, end);
    if ((node.attributeCount == 0) != (node.attributes == nullptr))
        abort();
    for (uint32_t i = 0; i < node.attributeCount; ++i) {
        checkInside(node.attributes[i].name, begin, end);
        checkInside(node.attributes[i].value, begin, end);
    }
    if (node.children) {
        if (node.children->count == 0 || !node.children->nodes)
            abort();
        for (uint32_t i = 0; i < node.children->count; ++i) {
            // Nameless nodes (comments, skipped tags) never appear among children.
            if (!node.children->nodes[i].name[0])
                abort();
            checkNode(node.children->nodes[i], begin, end);
        }
    }
}

inline void checkDocument(const XmlDocument& document, size_t length) {
    if (document.count == 0 || !document.nodes || !document.source)
        abort();
    for (uint32_t i = 0; i < document.count; ++i)
        checkNode(document.nodes[i], document.source, document.source + length + 1);
}
