#include "catalog/value_element.h"

#include <string.h>

#include "base/bounded_text.h"
#include "catalog/conditional_selection.h"
#include "catalog/path_query.h"
#include "xml/text_conversion.h"

const char* firstAttribute(const XmlNode* node, const char* name) {
    for (uint32_t i = 0; i < node->attributeCount; ++i) {
        if (strcmp(node->attributes[i].name, name) == 0)
            return node->attributes[i].value;
    }
    return nullptr;
}

const XmlNode* selectGdData(const XmlNode* gd, const XmlDocument* document,
                            const QueryEnvironment* environment) {
    const char* selector = firstAttribute(gd, "path");
    char path[TextBufferSize] = {0};
    const XmlNode* data = nullptr;
    if (!selector || !copyText(path, sizeof path, selector) ||
        !selectConditionalItem(path, sizeof path, gd->text, document, environment) ||
        !selectNode(path, document, &data))
        return nullptr;
    return data;
}

const char* fieldText(const char* field, size_t size) {
    return memchr(field, '\0', size) ? field : nullptr;
}

bool resolveMachineFact(const char* method, const QueryEnvironment* environment, char* text,
                        size_t size) {
    const QueryEnvironment& facts = *environment;
    if (strcmp(method, "LANGUAGE") == 0)
        return formatText(text, size, "%04X", (unsigned)facts.systemLanguage);
    if (strcmp(method, "BIOSID") == 0) {
        // First character, then second; a zero character ends the text there.
        char id[3] = {facts.biosIdChars[1], facts.biosIdChars[0], '\0'};
        return copyText(text, size, id);
    }
    const char* field = nullptr;
    if (strcmp(method, "MTM") == 0)
        field = fieldText(facts.machineTypeModel, sizeof facts.machineTypeModel);
    else if (strcmp(method, "OS") == 0)
        field = fieldText(facts.osVersion, sizeof facts.osVersion);
    else if (strcmp(method, "FAMILYNAME") == 0)
        field = fieldText(facts.familyName, sizeof facts.familyName);
    else if (strcmp(method, "LANGUAGE.OS") == 0)
        return formatText(text, size, "%04X", (unsigned)facts.osLanguage);
    return field && copyText(text, size, field);
}

namespace {

// Puts the selector path of a gd element into path; false for a gd without one or a path
// that does not fit.
bool gdSelectorPath(const XmlNode* gd, const char* productId, char* path) {
    for (uint32_t i = 0; i < gd->attributeCount; ++i) {
        const XmlAttribute& attribute = gd->attributes[i];
        bool plain = strcmp(attribute.name, "path") == 0;
        bool below = productId && strcmp(attribute.name, "zelpath") == 0;
        if (!plain && !below)
            continue;
        memset(path, 0, TextBufferSize);
        if (plain)
            return copyText(path, TextBufferSize, attribute.value);
        return formatText(path, TextBufferSize, "/build/zel[@id=%s]/%s", productId,
                          attribute.value);
    }
    return false;
}

} // namespace

int readValueElement(char* path, char* answer, uint32_t answerSize, const char* productId,
                     const XmlDocument* document, const QueryEnvironment* environment,
                     int emptyResult) {
    const XmlNode* node = nullptr;
    if (!selectNode(path, document, &node))
        return 0;
    for (unsigned indirections = 0;;) {
        const XmlChildList* children = node->children;
        if (!children || !children->count) {
            if (!node->text[0])
                return emptyResult;
            uint32_t size = answerSize;
            return utf8ToAnsi(node->text, answer, &size) ? 1 : 0;
        }
        if (children->count > 1)
            return 0;
        const XmlNode* child = &children->nodes[0];
        if (strcmp(child->name, "gd") == 0) {
            if (++indirections > MaxIndirections)
                return 0;
            const char* dataId = child->text;
            if (!gdSelectorPath(child, productId, path) ||
                !selectConditionalItem(path, TextBufferSize, dataId, document, environment))
                return 0;
        } else if (strcmp(child->name, "![CDATA") == 0) {
            if (!appendText(path, TextBufferSize, "/![CDATA"))
                return 0;
        } else {
            return 0;
        }
        if (!selectNode(path, document, &node))
            return 0;
    }
}
