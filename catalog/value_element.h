// What the catalog's value readers share: attribute look-up and the walk from a value element
// through its gd and CDATA indirections to the text that holds the value.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "base/query_environment.h"
#include "xml/xml_document.h"

// gd elements followed by one read at most; a chain that leads back to itself ends there.
enum { MaxIndirections = 16 };

// The value of the node's first attribute named exactly name, or none.
const char* firstAttribute(const XmlNode* node, const char* name);

// Reads the element at path (a 260-byte buffer, which the walk reuses): its text, or the text
// that its single gd or CDATA child leads to, converted into answer. A gd takes its first
// path attribute, or with a product id also a zelpath below that product's zel element.
// Returns 1 when the answer was written, 0 on failure, emptyResult for an element found with
// empty text and no child element (answer untouched).
int readValueElement(char* path, char* answer, uint32_t answerSize, const char* productId,
                     const XmlDocument* document, const QueryEnvironment* environment,
                     int emptyResult);

// The data element that a gd element's path attribute and data id (its text) select, or none.
const XmlNode* selectGdData(const XmlNode* gd, const XmlDocument* document,
                            const QueryEnvironment* environment);

// A text field of the query record, or none when it is not terminated inside its field.
const char* fieldText(const char* field, size_t size);

// The machine fact that a pd element's method names (LANGUAGE, BIOSID, MTM, OS, FAMILYNAME,
// LANGUAGE.OS) written into text; false for another method or a text that does not fit.
bool resolveMachineFact(const char* method, const QueryEnvironment* environment, char* text,
                        size_t size);
