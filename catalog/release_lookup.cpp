// The named values of a release: NAME, VERSION and the rest of the table below.
#include "catalog/release_lookup.h"

#include <string.h>

#include "base/bounded_text.h"
#include "catalog/path_query.h"
#include "catalog/value_element.h"
#include "xml/text_conversion.h"

namespace {

struct ReleaseValue {
    const char* name;
    const char* element;
    const char* predicateName; // none: the element has no predicate
    const char* predicateValue;
    const char* answerAttribute; // none: the element's text is the answer
};

const ReleaseValue releaseValues[] = {
    {"DEVICE", "device", nullptr, nullptr, nullptr},
    {"NAME", "title", nullptr, nullptr, nullptr},
    {"VERSION", "version", nullptr, nullptr, nullptr},
    {"SETUP", "setup", nullptr, nullptr, nullptr},
    {"UNINSTALL", "uninstall", nullptr, nullptr, nullptr},
    {"9X", "os", "id", "9X", nullptr},
    {"NT", "os", "id", "NT", nullptr},
    {"PARENTS", "dependency", "id", "ZEL", nullptr},
    {"IE", "dependency", "id", "IE", nullptr},
    {"DX", "dependency", "id", "DX", nullptr},
    {"PM", "dependency", "id", "PM", nullptr},
    {"HOTKEY", "dependency", "id", "HOTKEY", nullptr},
    {"SETUPFORM", "setup", nullptr, nullptr, "form"},
    {"REGVERSION", "uninstall", nullptr, nullptr, "reg"},
    {"SMI.DRAVE", "smiflag", "id", "DRAVE", nullptr},
    {"SMI.BLUETOOTH", "smiflag", "id", "BLUETOOTH", nullptr},
    {"SETUP.SILENT", "setup", "method", "SILENT", nullptr},
    {"SETUPFORM.SILENT", "setup", "method", "SILENT", "form"},
    {"SETUP.SUCCESS", "setup", nullptr, nullptr, "success"},
    {"SETUP.SILENT.SUCCESS", "setup", "method", "SILENT", "success"},
    {"SMBIOS.SW135", "smbiosflag", "id", "SW135", nullptr},
    {"LASTCRITICALUPDATE", "lastversion", "id", "CRITICAL", nullptr},
};

const ReleaseValue* findReleaseValue(const char* name) {
    for (const ReleaseValue& value : releaseValues) {
        if (equalIgnoringCase(value.name, name))
            return &value;
    }
    return nullptr;
}

} // namespace

const char* releaseValueName(unsigned index) {
    return index < sizeof releaseValues / sizeof releaseValues[0] ? releaseValues[index].name
                                                                  : nullptr;
}

int lookupReleaseValue(const char* releaseId, const char* valueName, char* answer,
                       uint32_t answerSize, const char* productId, const XmlDocument* document,
                       const QueryEnvironment* environment, int emptyResult) {
    if (!releaseId || !valueName || !answer || !productId || !environment)
        return 0;
    const ReleaseValue* value = findReleaseValue(valueName);
    if (!value)
        return 0;
    // A path beyond the buffer fails the lookup; nothing is cut.
    char path[TextBufferSize] = {0};
    if (!formatText(path, sizeof path, "/build/zel[@id=%s]/xrelease/release[@id=%s]/%s", productId,
                    releaseId, value->element))
        return 0;
    if (value->predicateName) {
        char predicate[TextBufferSize];
        if (!formatText(predicate, sizeof predicate, "[@%s=%s]", value->predicateName,
                        value->predicateValue) ||
            !appendText(path, sizeof path, predicate))
            return 0;
    }
    if (!value->answerAttribute)
        return readValueElement(path, answer, answerSize, productId, document, environment,
                                emptyResult);
    const XmlNode* node = nullptr;
    if (!selectNode(path, document, &node))
        return 0;
    const char* attribute = firstAttribute(node, value->answerAttribute);
    uint32_t size = answerSize;
    return attribute && utf8ToAnsi(attribute, answer, &size) ? 1 : 0;
}
