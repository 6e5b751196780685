// The in-place parse of a catalog text into its node tree, and its release.
//
// Every search for a byte or a string stops at a NUL: the copy of the text ends in one, so
// no search can leave it, whatever the caller's bytes. The byte-by-byte name scans step over
// NULs and are bounded by the length instead.
#include "xml/xml_document.h"

#include <stddef.h>
#include <string.h>

#include "base/bounded_text.h"
#include "base/local_heap.h"

namespace {

// Deepest nesting of constructs accepted. The catalog nests a handful of levels; each level
// costs one frame of recursion in the parse, the entity pass and the release, so hostile
// input must not choose the depth.
const unsigned MaxNestingDepth = 256;

const char CdataName[] = "![CDATA";

// The steps of one element are kept in one function: the calls between them cost more than
// the work of a small element.
#if defined(__GNUC__)
#define ZEL_INLINE inline __attribute__((always_inline))
#else
#define ZEL_INLINE inline
#endif

// What each byte means to the scans, looked up in one table.
enum ByteClass : unsigned char {
    Blank = 1,           // the six whitespace bytes
    NameStop = 2,        // ends an element name: whitespace, ">", "/" (when ">" follows)
    AttributeStop = 4,   // ends an attribute name: whitespace, "="
    MarkupStop = 8,      // may end a "<?" or "<!" name: whitespace, "?", ">"
    Nul = 16,            // a NUL: the end of the copy, or one inside it
    AttributeLimit = 32, // what stands at the end of an attribute part: NUL, ">"
    TextStop = 64,       // what a text scan looks at: NUL, "<", "&"
    ValueStop = 128      // what a value scan looks at: a double quote, "&", NUL, ">"
};

struct ByteClasses {
    unsigned char of[256];
};

constexpr ByteClasses makeByteClasses() {
    ByteClasses table = {};
    for (int c = 0; c < 256; ++c) {
        unsigned k = 0;
        if (isBlankByte((char)c))
            k |= Blank | NameStop | AttributeStop | MarkupStop;
        if (c == '>')
            k |= NameStop | MarkupStop | AttributeLimit | ValueStop;
        if (c == '"' || c == '&')
            k |= ValueStop;
        if (c == '/')
            k |= NameStop;
        if (c == '=')
            k |= AttributeStop;
        if (c == '?')
            k |= MarkupStop;
        if (c == 0)
            k |= Nul | AttributeLimit | TextStop | ValueStop;
        if (c == '<' || c == '&')
            k |= TextStop;
        table.of[c] = (unsigned char)k;
    }
    return table;
}

constexpr ByteClasses byteClasses = makeByteClasses();

unsigned classOf(char c) {
    return byteClasses.of[(unsigned char)c];
}

// The first byte from p that has one of the classes of mask, four bytes to a round. Every
// mask holds the NUL, so no byte behind the NUL that ends the copy is read.
char* skipUntil(char* p, unsigned mask) {
    for (;; p += 4) {
        if (classOf(p[0]) & mask)
            return p;
        if (classOf(p[1]) & mask)
            return p + 1;
        if (classOf(p[2]) & mask)
            return p + 2;
        if (classOf(p[3]) & mask)
            return p + 3;
    }
}

bool isBlank(char c) {
    return classOf(c) & Blank;
}

// Indentation is the longest run of blanks in a catalog: four bytes to a round here too. A
// blank is not the NUL, so the byte after it can be read.
char* skipBlanks(char* p) {
    for (;; p += 4) {
        if (!isBlank(p[0]))
            return p;
        if (!isBlank(p[1]))
            return p + 1;
        if (!isBlank(p[2]))
            return p + 2;
        if (!isBlank(p[3]))
            return p + 3;
    }
}

// strchr without the call: the hops between markup bytes are short.
char* findByte(char* p, char c) {
    for (;; ++p) {
        if (*p == c)
            return p;
        if (!*p)
            return nullptr;
    }
}

// strstr for a three-byte string, without the call.
char* findTriple(char* p, const char* triple) {
    for (;; ++p) {
        p = findByte(p, triple[0]);
        // p[1] is read only after a byte that is not NUL, p[2] only after another one.
        if (!p || (p[1] == triple[1] && p[2] == triple[2]))
            return p;
    }
}

// strncmp(p, prefix, length) == 0 without the call; stops at the first difference.
bool startsWith(const char* p, const char* prefix, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        if (p[i] != prefix[i])
            return false;
    }
    return true;
}

// HTML mode writes these three names in capitals.
void capitaliseHtmlName(char* name) {
    static const char* const names[] = {"HTML", "HEAD", "BODY"};
    if (strlen(name) != 4)
        return;
    for (const char* known : names) {
        if (equalIgnoringCase(name, known, 4)) {
            for (char* p = name; *p; ++p)
                *p = upperAscii(*p);
            return;
        }
    }
}

size_t offsetOf(const char* p, const char* source) {
    return (size_t)(p - source);
}

// Grows a node array so that it holds count + 1 nodes. The heap reports the block's true
// size, so most calls find the room already there; *room keeps that size between calls, as
// only a reallocation changes it.
bool makeRoom(XmlNode** nodes, uint32_t count, size_t* room) {
    if (!*nodes) {
        *nodes = (XmlNode*)heapAlloc(sizeof(XmlNode));
        *room = heapSize(*nodes);
        return *nodes != nullptr;
    }
    if ((size_t)count + 1 > (size_t)-1 / sizeof(XmlNode))
        return false;
    size_t wanted = ((size_t)count + 1) * sizeof(XmlNode);
    if (*room >= wanted)
        return true;
    HeapBlock grown = heapReAlloc(*nodes, wanted);
    if (!grown)
        return false;
    *nodes = (XmlNode*)grown;
    *room = heapSize(grown);
    return true;
}

// Releases the first count nodes of an array and the array itself.
void releaseNodes(XmlNode* nodes, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i)
        releaseNode(&nodes[i]);
    if (nodes)
        heapFree(nodes);
}

// Scans an attribute name from p: stops at whitespace or "=", or returns none when the scan
// runs past last. The byte at last is a NUL or a ">", so only those need the bound test.
char* scanAttributeName(char* p, const char* last) {
    for (;; ++p) {
        unsigned k = classOf(*p);
        if (k & AttributeStop)
            return p;
        if ((k & AttributeLimit) && p >= last)
            return nullptr;
    }
}

// One attribute as the counting pass finds it: the start of its name, the byte that ends the
// name ("=" or whitespace) and, for a value, its closing quote.
struct AttributeSpan {
    char* name;
    char* stop;
    char* close;
    bool entities; // the value may hold an entity
};

// Finds the attribute at p; false for a value that is not quoted at once or not closed.
bool scanAttribute(char* p, const char* last, AttributeSpan* span, bool* found) {
    span->name = p;
    span->stop = scanAttributeName(p, last);
    span->close = nullptr;
    span->entities = true; // left to the decoding to find out
    *found = span->stop != nullptr;
    if (!*found || *span->stop != '=')
        return true;
    if (span->stop[1] != '"')
        return false;
    span->close = findByte(span->stop + 2, '"');
    return span->close != nullptr;
}

char* afterAttribute(const AttributeSpan& span) {
    return skipBlanks((span.close ? span.close : span.stop) + 1);
}

// The counting passes keep what they found for the first attributes, so that the filling
// pass need not scan them again.
const uint32_t KeptSpans = 16;

// The filling pass over an attribute part whose attributes were counted: allocates the array,
// cuts names and values out with NULs and decodes each value. last is the byte at the end of
// the part, a NUL or the ">" of an empty-element tag whose "/" is a NUL.
bool storeAttributes(char* text, const char* last, const AttributeSpan* kept, uint32_t count,
                     XmlNode* node) {
    if (!count)
        return true;
    XmlAttribute* attributes = (XmlAttribute*)heapAlloc((size_t)count * sizeof(XmlAttribute));
    if (!attributes)
        return false;
    node->attributes = attributes;
    node->attributeCount = count;
    char* p = text;
    for (uint32_t i = 0; i < count; ++i) {
        AttributeSpan span = i < KeptSpans ? kept[i] : AttributeSpan();
        bool found = i < KeptSpans;
        if (!found)
            scanAttribute(p, last, &span, &found);
        if (!found) {
            // Cannot happen after the counting pass; never leave unset entries counted.
            node->attributeCount = i;
            break;
        }
        // Only a rescan beyond the kept spans needs to know where the next attribute begins.
        if (i + 1 >= KeptSpans)
            p = afterAttribute(span);
        *span.stop = '\0';
        attributes[i].name = span.name;
        if (span.close) {
            attributes[i].value = span.stop + 2;
            *span.close = '\0';
            if (span.entities)
                decodeEntities(attributes[i].value);
        } else {
            attributes[i].value = span.stop;
        }
    }
    return true;
}

// Splits the attribute part of a tag, the bytes from text up to and including text + length,
// into the node's attributes, each value decoded. The byte at text + length is a NUL or the
// ">" of an empty-element tag whose "/" is a NUL, so the quote searches end inside the tag.
bool parseAttributes(char* text, size_t length, XmlNode* node) {
    AttributeSpan kept[KeptSpans];
    const char* last = text + length;
    uint32_t count = 0;
    for (char* p = text; p <= last;) {
        AttributeSpan span;
        bool found = false;
        if (!scanAttribute(p, last, &span, &found))
            return false;
        if (!found)
            break;
        if (count < KeptSpans)
            kept[count] = span;
        ++count;
        p = afterAttribute(span);
    }
    return storeAttributes(text, last, kept, count, node);
}

// One scan over an element's attribute part, from p to the first ">" of the tag: counts the
// attributes, keeping the first spans, and returns that ">"; none for a tag without its ">"
// or with a malformed value. It gives what finding the ">" first and then running the counting
// pass of parseAttributes up to it gives: a word that runs up to the ">" is no attribute, a
// ">" inside a value ends the tag and leaves the value unclosed, and a NUL ends the search.
char* scanStartTag(char* p, AttributeSpan* kept, uint32_t* count) {
    *count = 0;
    for (;;) {
        AttributeSpan span;
        span.name = p;
        p = skipUntil(p, AttributeStop | AttributeLimit);
        if (classOf(*p) & AttributeLimit)
            return *p == '>' ? p : nullptr;
        span.stop = p;
        span.close = nullptr;
        span.entities = false;
        if (*p == '=') {
            if (p[1] != '"')
                return nullptr;
            char* quote = skipUntil(p + 2, ValueStop);
            while (*quote == '&') {
                span.entities = true;
                quote = skipUntil(quote + 1, ValueStop);
            }
            if (*quote != '"')
                return nullptr;
            span.close = quote;
        }
        if (*count < KeptSpans)
            kept[*count] = span;
        ++*count;
        p = afterAttribute(span);
    }
}

// A comment or a skipped HTML tag: an empty name in place of the "<" before position.
char* finishNameless(char* position, XmlNode* node, char* end) {
    node->name = position - 1;
    *node->name = '\0';
    node->text = node->name;
    return findByte(end, '<');
}

bool isSkippedHtmlTag(const char* p) {
    return strncmp(p, "META ", 5) == 0 || strncmp(p, "INPUT ", 6) == 0 ||
           strncmp(p, "input ", 6) == 0 || strncmp(p, "meta name=\"robots\" ", 19) == 0;
}

struct ParseInput {
    char* source;
    uint32_t length;
    bool htmlMode;
};

char* parseConstruct(char* position, const ParseInput* input, XmlNode* node, const char* terminator,
                     unsigned depth);

// A top-level "<?" or "<!" construct: the name up to whitespace or the terminator, then
// attributes up to the terminator.
char* parseMarkup(char* position, const ParseInput* input, XmlNode* node, const char* terminator) {
    size_t terminatorLength = strlen(terminator);
    char* p = position;
    for (;; ++p) {
        if (offsetOf(p, input->source) > input->length)
            return nullptr;
        if (isBlank(*p) || strncmp(p, terminator, terminatorLength) == 0)
            break;
    }
    if (isBlank(*p)) {
        char* close = strstr(p, terminator);
        if (!close)
            return nullptr;
        *p = '\0';
        char* attributes = skipBlanks(p + 1);
        *close = '\0';
        if (!parseAttributes(attributes, (size_t)(close - attributes), node))
            return nullptr;
        p = close;
    } else {
        *p = '\0';
    }
    node->text = p;
    return findByte(p + terminatorLength, '<');
}

// Releases what an element has gathered of its children and fails it.
char* failElement(XmlNode* node, XmlChildList* list, uint32_t count) {
    releaseNodes(list->nodes, count);
    heapFree(list);
    node->children = nullptr;
    return nullptr;
}

// The content of an element from the byte after its start tag: text, child constructs and the
// end tag. Returns the position after the end tag and the whitespace behind it.
ZEL_INLINE char* parseContent(char* content, const ParseInput* input, XmlNode* node,
                              unsigned depth) {
    char* text = skipBlanks(content);
    char* cursor = skipUntil(text, TextStop);
    bool entities = false;
    while (*cursor == '&') {
        entities = true;
        cursor = skipUntil(cursor + 1, TextStop);
    }
    if (*cursor != '<')
        return nullptr;
    node->text = text;
    // The text ends at the "<" of the cursor, which becomes its NUL further on; it is decoded
    // now, while it is at hand. A node named like a CDATA section keeps its text raw.
    if (entities && !(node->name[0] == '!' && strcmp(node->name, CdataName) == 0)) {
        *cursor = '\0';
        decodeEntities(text);
        *cursor = '<';
    }
    // The child list comes with the first child construct: most elements hold text only.
    XmlChildList* list = nullptr;
    size_t room = 0;
    // cursor always stands on a "<" before the end of the text here.
    while (!(cursor[0] == '<' && cursor[1] == '/')) {
        if (!list) {
            list = (XmlChildList*)heapAlloc(sizeof(XmlChildList));
            if (!list)
                return nullptr;
            node->children = list;
        }
        if (!makeRoom(&list->nodes, list->count, &room))
            return failElement(node, list, list->count);
        XmlNode* child = &list->nodes[list->count];
        *cursor = '\0';
        char* next = parseConstruct(cursor + 1, input, child, nullptr, depth + 1);
        if (!next)
            return failElement(node, list, list->count + 1);
        if (child->name[0])
            ++list->count;
        else
            releaseNode(child);
        cursor = next;
        if (*cursor != '<') {
            // Text behind a child's end tag belongs to no node.
            cursor = findByte(cursor, '<');
            if (!cursor)
                return failElement(node, list, list->count);
        }
    }
    if (list && !list->count) {
        releaseNodes(list->nodes, 0);
        heapFree(list);
        node->children = nullptr;
    }
    *cursor = '\0';
    const char* name = node->name;
    char* after = cursor + 2;
    // Compared up to the first difference: the name holds no NUL, so a match never passes the
    // NUL that ends the copy, and the byte after it is still inside.
    char* close = after;
    while (*name && *close == *name) {
        ++close;
        ++name;
    }
    bool same = !*name;
    if (!same && input->htmlMode) {
        size_t nameLength = strlen(node->name);
        same = equalIgnoringCase(after, node->name, nameLength);
        close = after + nameLength;
    }
    if (!same || *close != '>' || offsetOf(close, input->source) >= input->length) {
        if (node->children)
            failElement(node, node->children, node->children->count);
        return nullptr;
    }
    // The NUL that ends the copy stops the skip at the end of the text.
    return skipBlanks(close + 1);
}

ZEL_INLINE char* parseElement(char* position, const ParseInput* input, XmlNode* node,
                              unsigned depth) {
    char* p = position;
    for (;; ++p) {
        p = skipUntil(p, NameStop | Nul);
        // Only the NUL that ends the copy (or one behind it) is beyond the text.
        if (classOf(*p) & Nul) {
            if (offsetOf(p, input->source) >= input->length)
                return nullptr;
            continue;
        }
        // p[1] is read only after a "/", which is not the NUL that ends the copy.
        if (*p != '/' || p[1] == '>')
            break;
    }
    if (*p == '/') {
        node->attributeCount = 0;
        *p = '\0';
        node->text = p;
        return findByte(p + 2, '<');
    }
    if (*p == '>') {
        *p = '\0';
        if (input->htmlMode)
            capitaliseHtmlName(position);
        return parseContent(p + 1, input, node, depth);
    }
    *p = '\0';
    if (input->htmlMode)
        capitaliseHtmlName(position);
    char* attributes = skipBlanks(p + 1);
    AttributeSpan kept[KeptSpans];
    uint32_t count = 0;
    char* close = scanStartTag(attributes, kept, &count);
    if (!close)
        return nullptr;
    if (close[-1] == '/') {
        close[-1] = '\0';
        if (!storeAttributes(attributes, close, kept, count, node))
            return nullptr;
        node->text = close - 1;
        return findByte(close + 1, '<');
    }
    *close = '\0';
    if (!storeAttributes(attributes, close, kept, count, node))
        return nullptr;
    return parseContent(close + 1, input, node, depth);
}

// Parses the construct whose "<" stands just before position into node. Returns where the
// caller goes on (as a rule the next "<"), or none on failure; a failed node keeps only its
// attribute array, for the caller's releaseNode.
char* parseConstruct(char* position, const ParseInput* input, XmlNode* node, const char* terminator,
                     unsigned depth) {
    if (depth > MaxNestingDepth)
        return nullptr;
    node->name = position;
    if (position[0] == '!' && startsWith(position, "![CDATA[", 8)) {
        position[7] = '\0';
        node->attributeCount = 0;
        node->text = position + 8;
        char* close = findTriple(position + 8, "]]>");
        if (!close)
            return nullptr;
        *close = '\0';
        return findByte(close + 3, '<');
    }
    if (position[0] == '!' && position[1] == '-' && position[2] == '-') {
        // The search starts at the "!" itself.
        char* close = findTriple(position, "-->");
        if (!close)
            return nullptr;
        return finishNameless(position, node, close + 3);
    }
    if (input->htmlMode && isSkippedHtmlTag(position)) {
        char* close = findByte(position, '>');
        if (!close)
            return nullptr;
        return finishNameless(position, node, close + 1);
    }
    if (terminator)
        return parseMarkup(position, input, node, terminator);
    return parseElement(position, input, node, depth);
}

// The declaration must begin within the first 7 bytes, with no "<" before it.
bool hasSignature(const char* text, uint32_t length) {
    char head[13] = {0};
    for (uint32_t i = 0; i < 12 && i < length && text[i]; ++i)
        head[i] = text[i];
    const char* open = strchr(head, '<');
    return open && strncmp(open, "<?xml ", 6) == 0;
}

} // namespace

XmlDocument* parseDocument(const char* text, uint32_t length, bool htmlMode) {
    XmlDocument* document = (XmlDocument*)heapAlloc(sizeof(XmlDocument));
    if (!document)
        return nullptr;
    if ((!text && length) || (!htmlMode && !hasSignature(text, length)) ||
        (size_t)length + 1 == 0) {
        heapFree(document);
        return nullptr;
    }
    // Every byte of the copy is written here, so it need not be cleared first. The block may
    // be larger than asked for: its tail is zeroed too, as the walks over the source that
    // follow the parse (composed text) read up to the block's end.
    char* source = (char*)heapAllocUncleared((size_t)length + 1);
    if (!source) {
        heapFree(document);
        return nullptr;
    }
    if (length)
        memcpy(source, text, length);
    memset(source + length, 0, heapSize(source) - length);
    ParseInput input = {source, length, htmlMode};
    XmlNode* nodes = nullptr;
    uint32_t count = 0;
    uint32_t owned = 0; // nodes to release on failure, the failing one included
    bool failed = false;
    char* p = strchr(source, '<');
    size_t room = 0;
    while (p && offsetOf(p, source) < length && *p == '<') {
        if (!makeRoom(&nodes, count, &room)) {
            failed = true;
            owned = count;
            break;
        }
        const char* terminator = p[1] == '!' ? ">" : p[1] == '?' ? "?>" : nullptr;
        p = parseConstruct(p + 1, &input, &nodes[count], terminator, 1);
        if (!p) {
            failed = true;
            owned = count + 1;
            break;
        }
        ++count;
        if (offsetOf(p, source) >= length)
            break;
    }
    if (failed || !count) {
        releaseNodes(nodes, owned);
        heapFree(source);
        heapFree(document);
        return nullptr;
    }
    document->nodes = nodes;
    document->count = count;
    document->source = source;
    // Every text and attribute value was decoded as soon as it was complete, which gives the
    // tree that decodeDocument would give, without a second walk over it.
    return document;
}

bool releaseDocument(XmlDocument* document) {
    if (!document || !document->source)
        return false;
    releaseNodes(document->nodes, document->count);
    heapFree(document->source);
    document->count = 0;
    document->nodes = nullptr;
    document->source = nullptr;
    return true;
}

void releaseNode(XmlNode* node) {
    if (node->attributeCount)
        heapFree(node->attributes);
    node->attributes = nullptr;
    node->attributeCount = 0;
    if (node->children) {
        releaseNodes(node->children->nodes, node->children->count);
        heapFree(node->children);
        node->children = nullptr;
    }
}

bool decodeDocument(XmlDocument* document) {
    for (uint32_t i = 0; i < document->count; ++i)
        decodeNode(&document->nodes[i]);
    return true;
}

bool decodeNode(XmlNode* node) {
    if (node->children) {
        for (uint32_t i = 0; i < node->children->count; ++i)
            decodeNode(&node->children->nodes[i]);
    }
    for (uint32_t i = 0; i < node->attributeCount; ++i)
        decodeEntities(node->attributes[i].value);
    if (node->text && node->text[0] && (node->name[0] != '!' || strcmp(node->name, CdataName) != 0))
        decodeEntities(node->text);
    return true;
}

// One pass from left to right: a replaced character is never looked at again, so "&amp;lt;"
// becomes "&lt;". The string is compacted as it goes instead of being moved once per entity,
// which keeps long texts full of entities linear.
bool decodeEntities(char* string) {
    char* read = findByte(string, '&');
    if (!read)
        return true;
    char* write = read;
    while (*read) {
        if (*read != '&') {
            *write++ = *read++;
            continue;
        }
        // Compared in the order "&lt;", "&gt;", "&amp;", "&quot;", "&apos;"; each test stops at
        // the first byte that differs, so none reads past the string's NUL.
        char character = '&';
        size_t step = 1;
        if (startsWith(read, "&lt;", 4)) {
            character = '<';
            step = 4;
        } else if (startsWith(read, "&gt;", 4)) {
            character = '>';
            step = 4;
        } else if (startsWith(read, "&amp;", 5)) {
            step = 5;
        } else if (startsWith(read, "&quot;", 6)) {
            character = '"';
            step = 6;
        } else if (startsWith(read, "&apos;", 6)) {
            character = '\'';
            step = 6;
        }
        *write++ = character;
        read += step;
    }
    *write = '\0';
    return true;
}
