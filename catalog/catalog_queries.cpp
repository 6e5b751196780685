// Read operations on the catalog's top level: format version, build facts, products and
// their releases, and single value nodes.
#include "catalog/catalog_queries.h"

#include <stdio.h>
#include <string.h>

#include "base/bounded_text.h"
#include "base/local_heap.h"
#include "catalog/path_query.h"
#include "catalog/value_element.h"
#include "xml/text_conversion.h"

namespace {

// The first attribute of the node at path, copied into buffer when it fits.
bool copyAttributeAt(const char* path, const char* attribute, char* buffer, uint32_t size,
                     const XmlDocument* document) {
    const XmlNode* node = nullptr;
    if (!selectNode(path, document, &node))
        return false;
    const char* value = firstAttribute(node, attribute);
    return value && buffer && copyText(buffer, size, value);
}

bool productPath(char* path, const char* productId, const char* rest) {
    return productId && formatText(path, TextBufferSize, "/build/zel[@id=%s]%s", productId, rest);
}

// "%ld" into a 32-bit signed number: leading whitespace, a sign, decimal digits; digits beyond
// the range wrap. False (nothing stored) when no digit follows.
bool scanSignedDecimal(const char* text, int32_t* number) {
    while (isBlankByte(*text))
        ++text;
    bool negative = *text == '-';
    if (*text == '-' || *text == '+')
        ++text;
    if (*text < '0' || *text > '9')
        return false;
    uint32_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text)
        value = value * 10u + (uint32_t)(*text - '0');
    *number = (int32_t)(negative ? 0u - value : value);
    return true;
}

} // namespace

bool readCatalogText(const char* path, char* buffer, uint32_t size, const XmlDocument* document,
                     const QueryEnvironment* environment) {
    char work[TextBufferSize] = {0};
    if (!path || !buffer || !environment || !copyText(work, sizeof work, path))
        return false;
    // Empty text fails like any missing value.
    return readValueElement(work, buffer, size, nullptr, document, environment, 0) == 1;
}

bool getReleaseIdByOrder(char* buffer, uint32_t size, uint32_t index, const char* productId,
                         const XmlDocument* document) {
    char path[TextBufferSize] = {0};
    if (!productPath(path, productId, "/xrelease"))
        return false;
    const XmlNode* node = nullptr;
    if (!selectNode(path, document, &node))
        return false;
    const char* order = firstAttribute(node, "order");
    // The entries, each ended by a NUL, and one more NUL after the last: at most 258 bytes
    // of order fit. A longer one fails rather than losing its tail.
    char entries[TextBufferSize] = {0};
    size_t length = order ? strlen(order) : sizeof entries;
    if (length > sizeof entries - 2)
        return false;
    memcpy(entries, order, length);
    for (char* p = entries; *p; ++p) {
        if (*p == ' ')
            *p = '\0';
    }
    // An empty entry ends the list.
    const char* entry = entries;
    for (uint32_t skipped = 0; skipped < index; ++skipped) {
        if (!*entry)
            return false;
        entry += strlen(entry) + 1;
    }
    return *entry && buffer && copyText(buffer, size, entry);
}

bool getProductIdByIndex(char* buffer, uint32_t size, uint32_t index, const XmlDocument* document) {
    if (!document || !document->nodes)
        return false;
    const XmlNode* build = nullptr;
    for (uint32_t i = 0; i < document->count && !build; ++i) {
        if (strcmp(document->nodes[i].name, "build") == 0)
            build = &document->nodes[i];
    }
    if (!build || !build->children)
        return false;
    for (uint32_t i = 0; i < build->children->count; ++i) {
        const XmlNode* child = &build->children->nodes[i];
        if (strcmp(child->name, "zel") != 0)
            continue;
        const char* id = firstAttribute(child, "id");
        if (!id)
            return false;
        if (index-- == 0)
            return buffer && copyText(buffer, size, id);
    }
    return false;
}

bool getCatalogFormatVersion(char* buffer, uint32_t size, const XmlDocument* document) {
    if (!document || !document->nodes)
        return false;
    for (uint32_t i = 0; i < document->count; ++i) {
        const XmlNode* node = &document->nodes[i];
        if (strcmp(node->name, "?zel") == 0) {
            const char* version = firstAttribute(node, "version");
            return version && buffer && copyText(buffer, size, version);
        }
    }
    return false;
}

bool getBuildId(char* buffer, uint32_t size, const XmlDocument* document) {
    return copyAttributeAt("/build", "id", buffer, size, document);
}

bool getBuildHref(char* buffer, uint32_t size, const XmlDocument* document) {
    return copyAttributeAt("/build", "href", buffer, size, document);
}

bool getProductDownlevel(char* buffer, uint32_t size, const char* productId,
                         const XmlDocument* document) {
    char path[TextBufferSize] = {0};
    return productPath(path, productId, "") &&
           copyAttributeAt(path, "downlevel", buffer, size, document);
}

bool getProductCategory(char* buffer, uint32_t size, const char* productId,
                        const XmlDocument* document) {
    char path[TextBufferSize] = {0};
    const XmlNode* node = nullptr;
    if (!productPath(path, productId, "/category") || !selectNode(path, document, &node) ||
        !node->text[0] || !buffer)
        return false;
    uint32_t capacity = size;
    return utf8ToAnsi(node->text, buffer, &capacity);
}

bool getBuildFile(char* nameBuffer, uint32_t nameSize, char* readmeBuffer, uint32_t readmeSize,
                  int32_t* fileSize, uint32_t* checksum, uint32_t* releaseDate,
                  const XmlDocument* document, const QueryEnvironment* environment) {
    if (!fileSize || !checksum || !releaseDate)
        return false;
    *fileSize = 0;
    *checksum = 0;
    *releaseDate = 0;
    const XmlNode* file = nullptr;
    if (!selectNode("/build/file", document, &file))
        return false;
    // A later attribute of the same name overwrites an earlier one.
    for (uint32_t i = 0; i < file->attributeCount; ++i) {
        const XmlAttribute& attribute = file->attributes[i];
        if (strcmp(attribute.name, "size") == 0) {
            scanSignedDecimal(attribute.value, fileSize);
        } else if (strcmp(attribute.name, "crc") == 0) {
            unsigned value = 0;
            if (sscanf(attribute.value, "0x%08X", &value) == 1)
                *checksum = value;
        }
    }
    if (!*fileSize || !*checksum)
        return false;
    if (!nameBuffer || !copyText(nameBuffer, nameSize, file->text))
        return false;
    if (!readCatalogText("/build/readme", readmeBuffer, readmeSize, document, environment))
        return false;
    const XmlNode* date = nullptr;
    if (!selectNode("/build/releaseDate", document, &date) || strlen(date->text) != 8)
        return false;
    // Eight hexadecimal digits and nothing else: anything else is no date.
    for (int i = 0; i < 8; ++i) {
        if (hexDigitValue(date->text[i]) < 0)
            return false;
    }
    unsigned value = 0;
    sscanf(date->text, "%08X", &value);
    *releaseDate = value;
    return true;
}

bool getBuildTitleAndVersion(char* titleBuffer, uint32_t titleSize, char* versionBuffer,
                             uint32_t versionSize, const XmlDocument* document,
                             const QueryEnvironment* environment) {
    // The title waits in a block of its own until the version is read too, so that a failure
    // leaves both buffers as they were.
    if (!titleBuffer || !titleSize)
        return false;
    char* title = (char*)heapAlloc(titleSize);
    if (!title)
        return false;
    bool ok = readCatalogText("/build/title", title, titleSize, document, environment) &&
              readCatalogText("/build/version", versionBuffer, versionSize, document, environment);
    if (ok)
        memcpy(titleBuffer, title, strlen(title) + 1);
    heapFree(title);
    return ok;
}

bool resolveNodeValue(const XmlNode* node, char* buffer, uint32_t size, const XmlDocument* document,
                      const QueryEnvironment* environment) {
    if (!node || !buffer || !environment)
        return false;
    if (strcmp(node->name, "pd") == 0) {
        const char* method = firstAttribute(node, "method");
        if (!method)
            return false;
        // The composition's methods, then the two that only this read knows.
        char answer[TextBufferSize] = {0};
        if (resolveMachineFact(method, environment, answer, sizeof answer))
            return copyText(buffer, size, answer);
        if (strcmp(method, "MTM2") == 0) {
            const char* model =
                fieldText(environment->machineTypeModel, sizeof environment->machineTypeModel);
            if (!model || !copyText(answer, sizeof answer, model))
                return false;
            char* dash = strchr(answer, '-');
            if (dash)
                memmove(dash, dash + 1, strlen(dash + 1) + 1);
            return copyText(buffer, size, answer);
        }
        if (strcmp(method, "AGENT") == 0) {
            const char* agent = fieldText(environment->agentName, sizeof environment->agentName);
            return agent && copyText(buffer, size, agent);
        }
        return false;
    }
    if (strcmp(node->name, "gd") == 0) {
        const XmlNode* data = selectGdData(node, document, environment);
        // The chosen text as it stands: no conversion, no further indirection.
        return data && copyText(buffer, size, data->text);
    }
    return copyText(buffer, size, node->text);
}
