// Failing stand-ins until the catalog engine lands.
#include "xml/composed_text.h"
#include "xml/text_conversion.h"
#include "xml/xml_document.h"

XmlDocument* parseDocument(const char*, uint32_t, bool) {
    return nullptr;
}
bool releaseDocument(XmlDocument*) {
    return false;
}
void releaseNode(XmlNode*) {}
bool decodeDocument(XmlDocument*) {
    return true;
}
bool decodeNode(XmlNode*) {
    return true;
}
bool decodeEntities(char*) {
    return true;
}
bool bindConversionFunctions() {
    return false;
}
bool utf8ToAnsi(const char*, char*, uint32_t*) {
    return false;
}
HeapBlock composeNodeText(const XmlNode*, const XmlDocument*, const QueryEnvironment*) {
    return nullptr;
}
