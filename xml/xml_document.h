// The catalog's node tree: an in-place parse of one XML (or HTML) text.
// Every string of the tree lies inside the document's own copy of the text.
#pragma once

#include <stdint.h>

struct XmlChildList;

struct XmlAttribute {
    char* name;
    char* value; // the empty string for an attribute written without a value
};

struct XmlNode {
    char* name;
    char* text; // the empty string where the node has none
    XmlAttribute* attributes;
    uint32_t attributeCount;
    XmlChildList* children; // none when the content holds no child node
};

struct XmlChildList {
    XmlNode* nodes;
    uint32_t count;
};

struct XmlDocument {
    XmlNode* nodes; // top-level nodes in document order
    uint32_t count;
    char* source; // length + 1 bytes, NUL-terminated
};

// Parses length bytes at text. Returns a document allocated from the local heap, or none;
// on failure nothing stays allocated. The caller releases it with releaseDocument and then
// frees the record itself with heapFree.
XmlDocument* parseDocument(const char* text, uint32_t length, bool htmlMode);
// Frees everything the document owns except the record; false for an empty document.
bool releaseDocument(XmlDocument* document);
void releaseNode(XmlNode* node);

// The entity pass over a tree whose strings are still raw; none of them can fail. Kept for the
// interface: the parser decodes as it goes, and nothing in the program calls them.
// parseDocument decodes each text and attribute value as soon as it is complete, which gives
// the same tree, so its documents must not be decoded again.
bool decodeDocument(XmlDocument* document);
bool decodeNode(XmlNode* node);
bool decodeEntities(char* string);
