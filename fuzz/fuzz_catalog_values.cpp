// The value reads on parsed catalogs: conditional selection, the release value lookup, the
// composed text and the further catalog queries, with fuzzed arguments and query records.
//
// FUZZ_GENERATED=true: every byte steers a generator of catalog-like documents (selectors,
// gd chains and cycles, CDATA, pd nodes, comments, mixed content), so that the deep paths of
// the reads are reached. FUZZ_GENERATED=false: the input's first line steers the arguments and
// the rest is the document, as it comes.
//
// Besides the sanitizers, each read is held to its contract: a failed read leaves its buffer
// as it was, a successful one fits its buffer, a chosen path leads to a data element and is
// followed only by zero bytes, a composed text holds no whitespace.
#include <fuzzer/FuzzedDataProvider.h>
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "base/local_heap.h"
#include "catalog/catalog_queries.h"
#include "catalog/conditional_selection.h"
#include "catalog/path_query.h"
#include "catalog/release_lookup.h"
#include "fuzz/fuzz_tree_check.h"
#include "xml/composed_text.h"
#include "xml/xml_document.h"

namespace {

const char* const Ids[] = {"0409",     "0009", "0407",     "0007", "0000", "",  "AB.1F", "AB",
                           "1234-5AB", "1234", "5.1.2600", "5.1",  "fam",  "D", "0C0A",  "x]y"};
const char* const Methods[] = {"LANGUAGE",   "BIOSID",      "OS",   "MTM",
                               "FAMILYNAME", "LANGUAGE.OS", "MTM2", "language"};
const char* const PdMethods[] = {"LANGUAGE",    "BIOSID", "MTM",   "OS",  "FAMILYNAME",
                                 "LANGUAGE.OS", "MTM2",   "AGENT", "NONE"};
const char* const ValueNames[] = {"DEVICE",
                                  "NAME",
                                  "VERSION",
                                  "SETUP",
                                  "UNINSTALL",
                                  "9X",
                                  "NT",
                                  "PARENTS",
                                  "IE",
                                  "DX",
                                  "PM",
                                  "HOTKEY",
                                  "SETUPFORM",
                                  "REGVERSION",
                                  "SMI.DRAVE",
                                  "SMI.BLUETOOTH",
                                  "SETUP.SILENT",
                                  "SETUPFORM.SILENT",
                                  "SETUP.SUCCESS",
                                  "SETUP.SILENT.SUCCESS",
                                  "SMBIOS.SW135",
                                  "LASTCRITICALUPDATE",
                                  "name",
                                  "TITLE"};
const char* const ValueElements[] = {"device",     "title",      "version",    "setup",
                                     "uninstall",  "os",         "dependency", "smiflag",
                                     "smbiosflag", "lastversion"};
const char* const Words[] = {"a",      " b ", "&lt;", "&amp;lt;", "<",      "\xC3\xA9",
                             "\t\r\n", "]]",  "-->",  "/zel>",    "&quot;", "x"};

template <size_t N> const char* pick(FuzzedDataProvider& in, const char* const (&list)[N]) {
    return list[in.ConsumeIntegralInRange<size_t>(0, N - 1)];
}

// Text without markup characters that would break the document's structure ("<" is
// written as an entity).
std::string text(FuzzedDataProvider& in) {
    std::string out;
    for (int n = in.ConsumeIntegralInRange(0, 3); n > 0; --n) {
        std::string word = pick(in, Words);
        out += word == "<" ? "&lt;" : word;
    }
    return out;
}

// An attribute value: a ">" would end the tag, so it is written as an entity too.
std::string attributeText(FuzzedDataProvider& in) {
    std::string out;
    for (char c : text(in))
        out += c == '>' ? std::string("&gt;") : std::string(1, c);
    return out;
}

const unsigned Selectors = 4;

std::string selectorPath(FuzzedDataProvider& in) {
    return "/build/zel/s" + std::to_string(in.ConsumeIntegralInRange<unsigned>(0, Selectors));
}

// A value: plain text, a CDATA section, a gd (by path or zelpath, possibly a cycle), or
// mixed content with pd nodes, comments and nested elements.
std::string value(FuzzedDataProvider& in, int depth) {
    switch (depth > 2 ? 0 : in.ConsumeIntegralInRange(0, 5)) {
    case 0:
        return text(in);
    case 1:
        return "<![CDATA[" + text(in) + "<&amp;]]>";
    case 2:
    case 3: {
        std::string path = selectorPath(in);
        std::string attribute =
            in.ConsumeBool() ? "path=\"" + path + "\"" : "zelpath=\"" + path.substr(11) + "\"";
        if (in.ConsumeBool())
            attribute += in.ConsumeBool() ? " path=\"" + path + "\"" : " zelpath=\"s0\"";
        return "<gd " + attribute + ">" + (in.ConsumeBool() ? "d" : "") + "</gd>";
    }
    case 4:
        return text(in) + "<pd method=\"" + pick(in, PdMethods) + "\"/>" + text(in) + "<!--" +
               text(in) + "-->" + text(in);
    default:
        return text(in) + "<w>" + value(in, depth + 1) + "</w>" + text(in) + "<w/>" +
               value(in, depth + 1);
    }
}

std::string element(const std::string& name, const std::string& attributes,
                    const std::string& content) {
    return "<" + name + attributes + ">" + content + "</" + name + ">";
}

std::string generateCatalog(FuzzedDataProvider& in) {
    std::string out = "<?xml version=\"1.0\"?>\n";
    if (in.ConsumeBool())
        out += "<?zel version=\"" + attributeText(in) + "\"?>\n<!-- c -->\n";
    out += "<build id=\"" + std::string(pick(in, Ids)) + "\" href=\"h\">";
    for (const char* name : {"title", "version", "readme"}) {
        if (in.ConsumeBool())
            out += element(name, "", value(in, 0));
    }
    out += element("releaseDate", "", in.ConsumeBool() ? "2026120A" : text(in));
    out += element("file",
                   " size=\"" + std::to_string(in.ConsumeIntegral<int32_t>()) + "\" crc=\"0x" +
                       std::to_string(in.ConsumeIntegral<uint16_t>()) + "\"",
                   text(in));
    out += "<zel id=\"QUOLEN\" downlevel=\"" + attributeText(in) + "\">";
    out += element("category", "", text(in));
    for (unsigned s = 0; s < Selectors; ++s) {
        std::string items;
        for (int n = in.ConsumeIntegralInRange(0, 4); n > 0; --n) {
            std::string data;
            for (int d = in.ConsumeIntegralInRange(1, 2); d > 0; --d)
                data += element("data", in.ConsumeBool() ? " id=\"d\"" : "", value(in, 1));
            items += element("item", std::string(" id=\"") + pick(in, Ids) + "\"", data);
        }
        out += element("s" + std::to_string(s),
                       std::string(" method=\"") + pick(in, Methods) + "\" default=\"" +
                           pick(in, Ids) + "\"",
                       items);
    }
    std::string release;
    for (int n = in.ConsumeIntegralInRange(0, 8); n > 0; --n) {
        std::string attributes;
        if (in.ConsumeBool())
            attributes += " id=\"" + std::string(in.ConsumeBool() ? "9X" : "ZEL") + "\"";
        if (in.ConsumeBool())
            attributes += " method=\"SILENT\" form=\"" + attributeText(in) + "\" success=\"\"";
        if (in.ConsumeBool())
            attributes += " reg=\"1\"";
        release += element(pick(in, ValueElements), attributes, value(in, 0));
    }
    out += element("xrelease", " order=\"RELEASE " + attributeText(in) + "\"",
                   element("release", " id=\"RELEASE\"", release));
    out += element("mixed", "", value(in, 0));
    out += "</zel>" + text(in) + "<zel id=\"" + pick(in, Ids) + "\"/></build>\n";
    return out;
}

void fillField(FuzzedDataProvider& in, char* field, size_t size) {
    if (in.ConsumeBool()) {
        // Now and then a field that fills its whole size without a NUL.
        memset(field, 'f', size);
        return;
    }
    std::string value = in.ConsumeBool() ? pick(in, Ids) : in.ConsumeRandomLengthString(size - 1);
    memcpy(field, value.c_str(), value.size() + 1);
}

void fillEnvironment(FuzzedDataProvider& in, QueryEnvironment* environment) {
    *environment = QueryEnvironment();
    environment->biosIdChars[0] = in.ConsumeIntegral<char>();
    environment->biosIdChars[1] = in.ConsumeIntegral<char>();
    environment->biosRevision = in.ConsumeIntegral<uint8_t>();
    environment->systemLanguage = in.ConsumeIntegral<uint16_t>();
    environment->systemLanguagePrimary = environment->systemLanguage & 0x3FF;
    environment->osLanguage = in.ConsumeIntegral<uint16_t>();
    environment->osLanguagePrimary = in.ConsumeIntegral<uint16_t>();
    fillField(in, environment->familyName, sizeof environment->familyName);
    fillField(in, environment->machineTypeModel, sizeof environment->machineTypeModel);
    fillField(in, environment->osVersion, sizeof environment->osVersion);
    fillField(in, environment->agentName, sizeof environment->agentName);
}

// A buffer of size bytes with guard bytes behind it, filled with a marker.
struct Buffer {
    std::vector<char> bytes;
    uint32_t size;
    explicit Buffer(uint32_t bufferSize) : bytes(bufferSize + 8, '#'), size(bufferSize) {}
    char* data() { return bytes.data(); }
    // After a read: untouched on failure; on success a text inside the size.
    void check(bool ok) const {
        for (size_t i = size; i < bytes.size(); ++i) {
            if (bytes[i] != '#')
                abort();
        }
        if (ok && !memchr(bytes.data(), '\0', size))
            abort();
        for (size_t i = 0; !ok && i < size; ++i) {
            if (bytes[i] != '#')
                abort();
        }
    }
};

struct Reads {
    const XmlDocument* document;
    QueryEnvironment environment;
    FuzzedDataProvider* in;

    uint32_t size() { return in->ConsumeIntegralInRange<uint32_t>(0, 300); }

    void choose(const std::string& selector, const std::string& dataId) {
        uint32_t pathSize = size();
        Buffer path(pathSize);
        if (selector.size() < pathSize)
            memcpy(path.data(), selector.c_str(), selector.size() + 1);
        std::vector<char> before = path.bytes;
        bool ok =
            selectConditionalItem(path.data(), pathSize, dataId.c_str(), document, &environment);
        if (!ok) {
            if (path.bytes != before)
                abort();
            return;
        }
        path.check(true);
        size_t length = strlen(path.data());
        for (size_t i = length; i < pathSize; ++i) {
            if (path.bytes[i])
                abort();
        }
        const XmlNode* data = nullptr;
        if (!selectNode(path.data(), document, &data) || strcmp(data->name, "data") != 0)
            abort();
    }

    void lookup(const char* name) {
        Buffer answer(size());
        int result = lookupReleaseValue(in->ConsumeBool() ? "RELEASE" : "OLD", name, answer.data(),
                                        answer.size, "QUOLEN", document, &environment, -5);
        if (result != 1 && result != 0 && result != -5)
            abort();
        answer.check(result == 1);
    }

    void compose(const XmlNode* node) {
        HeapBlock block = composeNodeText(node, document, &environment);
        if (!block)
            return;
        const char* text = (const char*)heapLock(block);
        size_t length = strlen(text);
        if (length >= heapSize(block))
            abort();
        for (size_t i = 0; i < length; ++i) {
            if (text[i] == ' ' || (text[i] >= 0x09 && text[i] <= 0x0D))
                abort();
        }
        heapUnlock(block);
        heapFree(block);
    }

    void resolve(const XmlNode* node) {
        Buffer answer(size());
        answer.check(resolveNodeValue(node, answer.data(), answer.size, document, &environment));
    }

    void nodes(const XmlNode* node, unsigned* budget) {
        if (!*budget)
            return;
        --*budget;
        compose(node);
        resolve(node);
        for (uint32_t i = 0; node->children && i < node->children->count; ++i)
            nodes(&node->children->nodes[i], budget);
    }

    void queries(const std::string& path, const std::string& product) {
        Buffer a(size()), b(size());
        a.check(readCatalogText(path.c_str(), a.data(), a.size, document, &environment));
        Buffer c(size());
        c.check(getReleaseIdByOrder(c.data(), c.size, in->ConsumeIntegralInRange(0u, 4u),
                                    product.c_str(), document));
        Buffer d(size());
        d.check(
            getProductIdByIndex(d.data(), d.size, in->ConsumeIntegralInRange(0u, 3u), document));
        Buffer e(size()), f(size()), g(size()), h(size()), k(size());
        e.check(getCatalogFormatVersion(e.data(), e.size, document));
        f.check(getBuildId(f.data(), f.size, document));
        g.check(getBuildHref(g.data(), g.size, document));
        h.check(getProductDownlevel(h.data(), h.size, product.c_str(), document));
        k.check(getProductCategory(k.data(), k.size, product.c_str(), document));
        Buffer title(size()), version(size());
        bool ok = getBuildTitleAndVersion(title.data(), title.size, version.data(), version.size,
                                          document, &environment);
        title.check(ok);
        version.check(ok);
        int32_t fileSize = 1;
        uint32_t checksum = 1, releaseDate = 1;
        if (getBuildFile(a.data(), a.size, b.data(), b.size, &fileSize, &checksum, &releaseDate,
                         document, &environment) &&
            (!fileSize || !checksum))
            abort();
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0xFFFFFFFFu)
        return 0;
    std::string catalog;
    size_t steering = size;
    if (!FUZZ_GENERATED) {
        const uint8_t* newline = (const uint8_t*)memchr(data, '\n', size);
        if (!newline)
            return 0;
        steering = (size_t)(newline - data);
        catalog.assign((const char*)newline + 1, size - steering - 1);
    }
    FuzzedDataProvider in(data, steering);
    if (FUZZ_GENERATED)
        catalog = generateCatalog(in);
    XmlDocument* document = parseDocument(catalog.data(), (uint32_t)catalog.size(), false);
    if (FUZZ_GENERATED && !document)
        abort(); // the generator writes well-formed catalogs
    if (!document)
        return 0;
    checkDocument(*document, catalog.size());
    Reads reads = {document, QueryEnvironment(), &in};
    fillEnvironment(in, &reads.environment);
    std::string dataId = in.ConsumeBool() ? "d" : in.ConsumeRandomLengthString(16);
    for (unsigned s = 0; s <= Selectors; ++s)
        reads.choose("/build/zel/s" + std::to_string(s), in.ConsumeBool() ? "" : dataId);
    reads.choose(in.ConsumeRandomLengthString(300), dataId);
    for (const char* name : ValueNames)
        reads.lookup(name);
    reads.lookup(in.ConsumeRandomLengthString(24).c_str());
    unsigned budget = 400;
    for (uint32_t i = 0; i < document->count; ++i)
        reads.nodes(&document->nodes[i], &budget);
    reads.queries(in.ConsumeBool() ? "/build/title" : in.ConsumeRandomLengthString(280),
                  in.ConsumeBool() ? "QUOLEN" : in.ConsumeRandomLengthString(8));
    releaseDocument(document);
    heapFree(document);
    return 0;
}
