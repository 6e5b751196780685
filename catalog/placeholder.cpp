// Failing stand-ins until the conditional selection and the release lookup land.
#include "catalog/conditional_selection.h"
#include "catalog/release_lookup.h"

bool selectConditionalItem(char*, uint32_t, const char*, const XmlDocument*,
                           const QueryEnvironment*) {
    return false;
}
int lookupReleaseValue(const char*, const char*, char*, uint32_t, const char*, const XmlDocument*,
                       const QueryEnvironment*, int) {
    return 0;
}
