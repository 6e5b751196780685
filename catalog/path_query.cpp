// Absolute path queries over the parsed catalog.
#include "catalog/path_query.h"

#include <string.h>

#include "base/bounded_text.h"

namespace {

bool isAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

const XmlNode* findPlainChild(const XmlChildList* children, const char* name) {
    for (uint32_t i = 0; i < children->count; ++i) {
        if (strcmp(children->nodes[i].name, name) == 0)
            return &children->nodes[i];
    }
    return nullptr;
}

// The first child named name with an attribute attribute="value"; a repeated attribute name
// can still match with a later occurrence.
const XmlNode* findChildWithAttribute(const XmlChildList* children, const char* name,
                                      const char* attribute, const char* value) {
    for (uint32_t i = 0; i < children->count; ++i) {
        const XmlNode* child = &children->nodes[i];
        if (strcmp(child->name, name) != 0)
            continue;
        for (uint32_t a = 0; a < child->attributeCount; ++a) {
            if (strcmp(child->attributes[a].name, attribute) == 0 &&
                strcmp(child->attributes[a].value, value) == 0)
                return child;
        }
    }
    return nullptr;
}

// Resolves one step below current; the step's buffer is cut up in place.
const XmlNode* selectStep(const XmlNode* current, char* step) {
    const XmlChildList* children = current->children;
    if (!children || !children->count)
        return nullptr;
    char* open = step[0] == '!' ? nullptr : strchr(step, '[');
    if (!open)
        return findPlainChild(children, step);
    *open = '\0';
    if (open[1] != '@')
        return nullptr;
    char* attribute = open + 2;
    char* equals = strchr(attribute, '=');
    if (!equals)
        return nullptr;
    *equals = '\0';
    char* value = equals + 1;
    char* close = strchr(value, ']');
    if (!close)
        return nullptr;
    *close = '\0'; // whatever follows the "]" is ignored
    return findChildWithAttribute(children, step, attribute, value);
}

} // namespace

const XmlNode* findRootElement(const XmlDocument* document) {
    if (!document || !document->nodes)
        return nullptr;
    for (uint32_t i = 0; i < document->count; ++i) {
        if (isAsciiLetter(document->nodes[i].name[0]))
            return &document->nodes[i];
    }
    return nullptr;
}

bool selectNode(const char* path, const XmlDocument* document, const XmlNode** node) {
    // A path that does not fit the working buffer is refused like any failed query.
    char steps[TextBufferSize] = {0};
    if (!path || !copyText(steps, sizeof steps, path) || steps[0] != '/')
        return false;
    size_t length = strlen(steps);
    for (size_t i = 0; i < length; ++i) {
        if (steps[i] == '/')
            steps[i] = '\0';
    }
    const XmlNode* current = findRootElement(document);
    // The first step is compared whole, a predicate included.
    if (!current || strcmp(steps + 1, current->name) != 0)
        return false;
    // The steps lie one after the other; the first empty one, or the end, ends the walk.
    const char* end = steps + length;
    for (char* step = steps + 2 + strlen(steps + 1); step < end && *step;) {
        char* next = step + strlen(step) + 1;
        current = selectStep(current, step);
        if (!current)
            return false;
        step = next;
    }
    *node = current;
    return true;
}
