// selectNode on parsed documents. The input is a path, a line feed, then the document; the
// target also asks for paths built from the document's own root and its children, which
// must find a node of the same name.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "base/local_heap.h"
#include "catalog/path_query.h"
#include "fuzz/fuzz_tree_check.h"
#include "xml/xml_document.h"

namespace {

bool isPlain(const char* name) {
    return !strchr(name, '/') && name[0] != '!';
}

bool holds(const XmlNode& node, const XmlNode* target) {
    if (&node == target)
        return true;
    for (uint32_t i = 0; node.children && i < node.children->count; ++i) {
        if (holds(node.children->nodes[i], target))
            return true;
    }
    return false;
}

void selectBuiltPaths(const XmlDocument& document) {
    const XmlNode* root = findRootElement(&document);
    if (!root)
        return;
    std::string rootPath = std::string("/") + root->name;
    const XmlNode* found = nullptr;
    bool plainRoot = isPlain(root->name) && rootPath.size() < 260;
    if (selectNode(rootPath.c_str(), &document, &found) != plainRoot)
        abort();
    if (!plainRoot || found != root || !root->children)
        return;
    for (uint32_t i = 0; i < root->children->count && i < 64; ++i) {
        const XmlNode& child = root->children->nodes[i];
        if (!isPlain(child.name) || strchr(child.name, '['))
            continue;
        std::string path = rootPath + "/" + child.name;
        if (path.size() >= 260)
            continue;
        if (!selectNode(path.c_str(), &document, &found) || strcmp(found->name, child.name) != 0)
            abort();
        if (child.attributeCount) {
            const XmlAttribute& attribute = child.attributes[0];
            if (strchr(attribute.name, '=') || strchr(attribute.value, ']') ||
                strchr(attribute.value, '/') || strchr(attribute.name, '/'))
                continue;
            std::string predicate = path + "[@" + attribute.name + "=" + attribute.value + "]";
            if (predicate.size() >= 260)
                continue;
            if (!selectNode(predicate.c_str(), &document, &found) ||
                strcmp(found->name, child.name) != 0)
                abort();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* text = (const char*)data;
    const char* newline = (const char*)memchr(text, '\n', size);
    if (!newline || size > 0xFFFFFFFFu)
        return 0;
    std::string path(text, (size_t)(newline - text));
    const char* body = newline + 1;
    uint32_t length = (uint32_t)(size - (size_t)(body - text));
    XmlDocument* document = parseDocument(body, length, false);
    if (!document)
        document = parseDocument(body, length, true);
    if (!document)
        return 0;
    checkDocument(*document, length);
    const XmlNode* found = nullptr;
    if (selectNode(path.c_str(), document, &found)) {
        // The answer is a node of the tree below the root.
        const XmlNode* root = findRootElement(document);
        if (!found || !root || !holds(*root, found))
            abort();
    }
    selectBuiltPaths(*document);
    releaseDocument(document);
    heapFree(document);
    return 0;
}
