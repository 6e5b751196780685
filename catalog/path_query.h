// Absolute path queries over a parsed catalog: /root/step/name[@attribute=value]/...
#pragma once

#include "xml/xml_document.h"

// The first top-level node whose name begins with an ASCII letter, or none.
const XmlNode* findRootElement(const XmlDocument* document);
// True when every step of the path matched; the designated node is stored through node.
bool selectNode(const char* path, const XmlDocument* document, const XmlNode** node);
