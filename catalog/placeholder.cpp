// Failing stand-ins until the catalog queries land.
#include "catalog/conditional_selection.h"
#include "catalog/path_query.h"
#include "catalog/release_lookup.h"

const XmlNode* findRootElement(const XmlDocument*) { return nullptr; }
bool selectNode(const char*, const XmlDocument*, const XmlNode**) { return false; }
bool selectConditionalItem(char*, uint32_t, const char*, const XmlDocument*,
                           const QueryEnvironment*) {
    return false;
}
int lookupReleaseValue(const char*, const char*, char*, uint32_t, const char*,
                       const XmlDocument*, const QueryEnvironment*, int) {
    return 0;
}
