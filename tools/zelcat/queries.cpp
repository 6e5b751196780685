#include "tools/zelcat/queries.h"

#include <stdio.h>
#include <string.h>

#include <vector>

#include "base/bounded_text.h"
#include "base/local_heap.h"
#include "catalog/catalog_queries.h"
#include "catalog/conditional_selection.h"
#include "catalog/path_query.h"
#include "catalog/release_lookup.h"
#include "tools/zelcat/output.h"
#include "xml/code_pages.h"
#include "xml/composed_text.h"

namespace {

// A buffer of --size bytes (at least one byte of storage, so that size 0 has an address).
struct Buffer {
    std::vector<char> bytes;
    uint32_t size;
    explicit Buffer(uint32_t bufferSize)
        : bytes(bufferSize ? bufferSize : 1, '\0'), size(bufferSize) {}
    char* data() { return bytes.data(); }
};

// A failed read of a buffer may have found a value too long for it.
std::string fitting(const std::string& failure, const CommandLine& line) {
    return failure + " (or none that fits in " + std::to_string(line.bufferSize) + " bytes)";
}

int answer(bool ok, const char* text, std::string* out, std::string* reason,
           const std::string& failure) {
    if (!ok) {
        *reason = failure;
        return Failed;
    }
    appendAnswer(out, text);
    return Done;
}

bool findNode(const XmlDocument& document, const std::string& path, const XmlNode** node,
              std::string* reason) {
    if (selectNode(path.c_str(), &document, node))
        return true;
    *reason = "no node at " + path;
    return false;
}

// The answer of an operation that fills one buffer of --size bytes.
typedef bool (*BufferRead)(char* buffer, uint32_t size, const XmlDocument* document);

int runBufferRead(BufferRead read, const XmlDocument& document, const CommandLine& line,
                  std::string* out, std::string* reason, const std::string& failure) {
    Buffer buffer(line.bufferSize);
    return answer(read(buffer.data(), buffer.size, &document), buffer.data(), out, reason, failure);
}

// Without --codepage: the system's ANSI code page on Windows, the default one elsewhere.
#if defined(_WIN32)
const unsigned DefaultCodePage = 0; // CP_ACP
#else
const unsigned DefaultCodePage = 1252;
#endif

int runConversion(Conversion convert, const std::vector<char>& bytes, const CommandLine& line,
                  std::string* out, std::string* reason) {
    unsigned codePage = line.codePageGiven ? line.codePage : DefaultCodePage;
    if (bytes.size() > 0x7FFFFFFF) {
        *reason = "FILE is too large to convert";
        return Failed;
    }
    std::string converted;
    if (!convertWhole(convert, codePage, bytes.data(), bytes.size(), &converted)) {
        *reason = "the conversion failed";
        return Failed;
    }
    if (line.hex)
        appendHex(out, converted.data(), converted.size());
    else
        out->append(converted.data(), converted.size());
    return Done;
}

} // namespace

bool convertWhole(Conversion convert, unsigned codePage, const char* source, size_t length,
                  std::string* output) {
    output->clear();
    uint32_t size = 0;
    if (length > 0x7FFFFFFF ||
        !convert(codePage, length ? source : "", (uint32_t)length, nullptr, &size))
        return false;
    output->resize(size);
    if (size && !convert(codePage, source, (uint32_t)length, &(*output)[0], &size)) {
        output->clear();
        return false;
    }
    return true;
}

int runEncode(const std::vector<char>& bytes, const CommandLine& line, std::string* out,
              std::string* reason) {
    return runConversion(utf8ToCodePage, bytes, line, out, reason);
}

int runDecode(const std::vector<char>& bytes, const CommandLine& line, std::string* out,
              std::string* reason) {
    return runConversion(codePageToUtf8, bytes, line, out, reason);
}

int runChoose(const XmlDocument& document, const CommandLine& line, std::string* out,
              std::string* reason) {
    const std::string& path = line.arguments[1];
    const char* dataId = line.arguments.size() > 2 ? line.arguments[2].c_str() : "";
    Buffer buffer(line.bufferSize);
    if (!copyText(buffer.data(), buffer.size, path.c_str())) {
        *reason = "PATH does not fit in " + std::to_string(line.bufferSize) + " bytes";
        return Failed;
    }
    bool ok =
        selectConditionalItem(buffer.data(), buffer.size, dataId, &document, &line.environment);
    return answer(ok, buffer.data(), out, reason, "no item chosen at " + path);
}

int runLookup(const XmlDocument& document, const CommandLine& line, std::string* out,
              std::string* reason) {
    // Success is 1 and failure 0: the sentinel tells the empty value element apart.
    const int EmptySentinel = -1;
    Buffer buffer(line.bufferSize);
    const std::string& value = line.arguments[1];
    int result =
        lookupReleaseValue(line.release.c_str(), value.c_str(), buffer.data(), buffer.size,
                           line.product.c_str(), &document, &line.environment, EmptySentinel);
    if (result == EmptySentinel) {
        *reason = "the value element of " + value + " is empty";
        return EmptyValue;
    }
    if (result != 0)
        return answer(true, buffer.data(), out, reason, "");
    // Why not: an unknown name, a value that does not fit, or none in the catalog.
    std::string names;
    bool known = false;
    for (unsigned i = 0; releaseValueName(i); ++i) {
        known = known || equalIgnoringCase(value.c_str(), releaseValueName(i));
        names += (i ? ", " : "") + std::string(releaseValueName(i));
    }
    if (!known) {
        *reason = value + " is no release value; the values are " + names;
        return Failed;
    }
    uint32_t needed = 0;
    std::vector<char> whole(1 << 20);
    if (lookupReleaseValue(line.release.c_str(), value.c_str(), whole.data(),
                           (uint32_t)whole.size(), line.product.c_str(), &document,
                           &line.environment, EmptySentinel) == 1) {
        needed = (uint32_t)strlen(whole.data()) + 1;
        *reason = value + " needs " + std::to_string(needed) + " bytes, more than " +
                  std::to_string(line.bufferSize);
        return Failed;
    }
    *reason = "no value " + value + " in release " + line.release + " of product " + line.product;
    return Failed;
}

int runCompose(const XmlDocument& document, const CommandLine& line, std::string* out,
               std::string* reason) {
    const XmlNode* node = nullptr;
    if (!findNode(document, line.arguments[1], &node, reason))
        return Failed;
    HeapBlock block = composeNodeText(node, &document, &line.environment);
    if (!block) {
        *reason = "the text of " + line.arguments[1] + " cannot be composed";
        return Failed;
    }
    appendAnswer(out, (const char*)heapLock(block));
    heapUnlock(block);
    heapFree(block);
    return Done;
}

int runText(const XmlDocument& document, const CommandLine& line, std::string* out,
            std::string* reason) {
    Buffer buffer(line.bufferSize);
    bool ok = readCatalogText(line.arguments[1].c_str(), buffer.data(), buffer.size, &document,
                              &line.environment);
    return answer(ok, buffer.data(), out, reason, fitting("no text at " + line.arguments[1], line));
}

int runReleaseId(const XmlDocument& document, const CommandLine& line, std::string* out,
                 std::string* reason) {
    uint32_t index = 0;
    parseIndex(line.arguments[2], &index);
    Buffer buffer(line.bufferSize);
    bool ok = getReleaseIdByOrder(buffer.data(), buffer.size, index, line.arguments[1].c_str(),
                                  &document);
    return answer(
        ok, buffer.data(), out, reason,
        fitting("no release " + line.arguments[2] + " in the order of " + line.arguments[1], line));
}

int runProductId(const XmlDocument& document, const CommandLine& line, std::string* out,
                 std::string* reason) {
    uint32_t index = 0;
    parseIndex(line.arguments[1], &index);
    Buffer buffer(line.bufferSize);
    bool ok = getProductIdByIndex(buffer.data(), buffer.size, index, &document);
    return answer(ok, buffer.data(), out, reason, fitting("no product " + line.arguments[1], line));
}

int runFormatVersion(const XmlDocument& document, const CommandLine& line, std::string* out,
                     std::string* reason) {
    return runBufferRead(getCatalogFormatVersion, document, line, out, reason,
                         fitting("no catalog format version", line));
}

int runBuildId(const XmlDocument& document, const CommandLine& line, std::string* out,
               std::string* reason) {
    return runBufferRead(getBuildId, document, line, out, reason, fitting("no build id", line));
}

int runBuildHref(const XmlDocument& document, const CommandLine& line, std::string* out,
                 std::string* reason) {
    return runBufferRead(getBuildHref, document, line, out, reason, fitting("no build href", line));
}

int runDownlevel(const XmlDocument& document, const CommandLine& line, std::string* out,
                 std::string* reason) {
    Buffer buffer(line.bufferSize);
    bool ok = getProductDownlevel(buffer.data(), buffer.size, line.arguments[1].c_str(), &document);
    return answer(ok, buffer.data(), out, reason,
                  fitting("no downlevel for " + line.arguments[1], line));
}

int runCategory(const XmlDocument& document, const CommandLine& line, std::string* out,
                std::string* reason) {
    Buffer buffer(line.bufferSize);
    bool ok = getProductCategory(buffer.data(), buffer.size, line.arguments[1].c_str(), &document);
    return answer(ok, buffer.data(), out, reason,
                  fitting("no category for " + line.arguments[1], line));
}

int runTitleVersion(const XmlDocument& document, const CommandLine& line, std::string* out,
                    std::string* reason) {
    Buffer title(line.bufferSize), version(line.bufferSize);
    if (!getBuildTitleAndVersion(title.data(), title.size, version.data(), version.size, &document,
                                 &line.environment)) {
        *reason = fitting("no build title and version", line);
        return Failed;
    }
    appendAnswer(out, title.data());
    appendAnswer(out, version.data());
    return Done;
}

int runBuildFile(const XmlDocument& document, const CommandLine& line, std::string* out,
                 std::string* reason) {
    Buffer name(line.bufferSize), readme(line.bufferSize);
    int32_t size = 0;
    uint32_t checksum = 0, releaseDate = 0;
    if (!getBuildFile(name.data(), name.size, readme.data(), readme.size, &size, &checksum,
                      &releaseDate, &document, &line.environment)) {
        *reason = fitting("no complete build file", line);
        return Failed;
    }
    char numbers[64];
    appendAnswer(out, name.data());
    snprintf(numbers, sizeof numbers, "%ld", (long)size);
    appendAnswer(out, numbers);
    snprintf(numbers, sizeof numbers, "0x%08X", (unsigned)checksum);
    appendAnswer(out, numbers);
    snprintf(numbers, sizeof numbers, "%08X", (unsigned)releaseDate);
    appendAnswer(out, numbers);
    appendAnswer(out, readme.data());
    return Done;
}

int runResolve(const XmlDocument& document, const CommandLine& line, std::string* out,
               std::string* reason) {
    const XmlNode* node = nullptr;
    if (!findNode(document, line.arguments[1], &node, reason))
        return Failed;
    Buffer buffer(line.bufferSize);
    bool ok = resolveNodeValue(node, buffer.data(), buffer.size, &document, &line.environment);
    return answer(ok, buffer.data(), out, reason,
                  fitting("no value for " + line.arguments[1], line));
}
