// Selector elements: the item whose id matches a fact of the machine, else the default.
#include "catalog/conditional_selection.h"

#include <string.h>

#include "base/bounded_text.h"
#include "base/local_heap.h"
#include "catalog/path_query.h"
#include "catalog/value_element.h"

namespace {

// The candidate slots: every method builds at most three ids, each no longer than its
// method's limit. An id that does not fit is an empty slot, and the next candidate is tried.
const unsigned MaxCandidates = 3;
const size_t SlotSize = 128; // the longest limit, 127, and the NUL

struct Candidates {
    char slots[MaxCandidates][SlotSize];
    bool usable[MaxCandidates];
    unsigned count;
};

struct Method {
    const char* name;
    size_t longest; // characters a candidate id may have
};

const Method methods[] = {
    {"LANGUAGE", 11}, {"BIOSID", 7},       {"OS", 11},
    {"MTM", 11},      {"FAMILYNAME", 127}, {"LANGUAGE.OS", 11},
};

// The length of a text field of the record, or -1 when it is not terminated inside the field.
long fieldLength(const char* field, size_t size) {
    return fieldText(field, size) ? (long)strlen(field) : -1;
}

// Stores text[0..length) as the next candidate when it fits the method's limit.
void addCandidate(Candidates* candidates, const char* text, long length, size_t longest) {
    unsigned slot = candidates->count++;
    candidates->usable[slot] = length >= 0 && (size_t)length <= longest;
    if (candidates->usable[slot]) {
        memcpy(candidates->slots[slot], text, (size_t)length);
        candidates->slots[slot][length] = '\0';
    }
}

void addNumber(Candidates* candidates, uint16_t number, size_t longest) {
    char text[8] = {0};
    formatText(text, sizeof text, "%04X", (unsigned)number);
    addCandidate(candidates, text, (long)strlen(text), longest);
}

// A field, then the field up to its last separator (the whole field when it holds none).
void addFieldAndPrefix(Candidates* candidates, const char* field, size_t size, char separator,
                       size_t longest) {
    long length = fieldLength(field, size);
    addCandidate(candidates, field, length, longest);
    const char* last = length >= 0 ? strrchr(field, separator) : nullptr;
    addCandidate(candidates, field, last ? (long)(last - field) : length, longest);
}

// The candidate ids of the method, the default last; false for a method not in the table.
bool buildCandidates(const char* methodName, const char* defaultId,
                     const QueryEnvironment* environment, Candidates* candidates) {
    const Method* method = nullptr;
    for (const Method& known : methods) {
        if (strcmp(known.name, methodName) == 0)
            method = &known;
    }
    if (!method)
        return false;
    candidates->count = 0;
    size_t longest = method->longest;
    if (method == &methods[0]) {
        addNumber(candidates, environment->systemLanguage, longest);
        addNumber(candidates, environment->systemLanguagePrimary, longest);
    } else if (method == &methods[1]) {
        // The byte stored second is the code's first character. A zero character ends the id.
        char first = environment->biosIdChars[1], second = environment->biosIdChars[0];
        char text[8] = {0};
        formatText(text, sizeof text, "%c%c.%02X", first, second,
                   (unsigned)environment->biosRevision);
        addCandidate(candidates, text, (long)strlen(text), longest);
        text[2] = '\0';
        addCandidate(candidates, text, (long)strlen(text), longest);
    } else if (method == &methods[2]) {
        addFieldAndPrefix(candidates, environment->osVersion, sizeof environment->osVersion, '.',
                          longest);
    } else if (method == &methods[3]) {
        addFieldAndPrefix(candidates, environment->machineTypeModel,
                          sizeof environment->machineTypeModel, '-', longest);
    } else if (method == &methods[4]) {
        addCandidate(candidates, environment->familyName,
                     fieldLength(environment->familyName, sizeof environment->familyName), longest);
    } else {
        addNumber(candidates, environment->osLanguage, longest);
        addNumber(candidates, environment->osLanguagePrimary, longest);
    }
    addCandidate(candidates, defaultId, (long)strlen(defaultId), longest);
    return true;
}

// The candidate's path in work (pathSize bytes, cleared first); false when it does not fit.
bool formatCandidatePath(char* work, uint32_t pathSize, const char* selectorPath, const char* id,
                         const char* dataId) {
    memset(work, 0, pathSize);
    bool fits = copyText(work, pathSize, selectorPath) &&
                appendText(work, pathSize, "/item[@id=") && appendText(work, pathSize, id) &&
                appendText(work, pathSize, "]/data");
    if (fits && dataId[0])
        fits = appendText(work, pathSize, "[@id=") && appendText(work, pathSize, dataId) &&
               appendText(work, pathSize, "]");
    return fits;
}

} // namespace

bool selectConditionalItem(char* path, uint32_t pathSize, const char* dataId,
                           const XmlDocument* document, const QueryEnvironment* environment) {
    // The selector's path must be a text inside the buffer.
    if (!path || !pathSize || !memchr(path, '\0', pathSize) || !environment)
        return false;
    const XmlNode* selector = nullptr;
    if (!selectNode(path, document, &selector))
        return false;
    if (!selector->children || !selector->children->count)
        return false;
    const char* defaultId = firstAttribute(selector, "default");
    const char* methodName = firstAttribute(selector, "method");
    if (!defaultId || !methodName)
        return false;
    Candidates candidates;
    if (!buildCandidates(methodName, defaultId, environment, &candidates))
        return false;
    char* work = (char*)heapAlloc(pathSize);
    if (!work)
        return false;
    bool found = false;
    for (unsigned i = 0; i < candidates.count && !found; ++i) {
        if (!candidates.usable[i] ||
            !formatCandidatePath(work, pathSize, path, candidates.slots[i], dataId ? dataId : ""))
            continue;
        const XmlNode* data = nullptr;
        found = selectNode(work, document, &data);
    }
    if (found) {
        memset(path, 0, pathSize);
        memcpy(path, work, strlen(work));
    }
    heapFree(work);
    return found;
}
