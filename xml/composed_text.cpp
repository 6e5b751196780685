// Composed node text: an element's text with that of its descendants and the text after each
// of them, as the in-place parse left it in the document's source.
//
// The parse cuts the source into NUL-terminated pieces: a name, a text, the text that follows
// an end tag up to the next "<". The text after a child's markup belongs to no node, so it is
// found by walking those pieces behind the child.
#include "xml/composed_text.h"

#include <stddef.h>
#include <string.h>

#include "base/bounded_text.h"
// The one place where xml/ builds on catalog/: a gd node in a composed text stands for the
// text its selection chooses.
#include "catalog/value_element.h"
#include "xml/text_conversion.h"

namespace {

// Where the document's source block ends: no walk reads beyond it. The parse leaves zero
// bytes from the end of the text to the end of the block.
const char* sourceEnd(const XmlDocument* document) {
    return document->source + heapSize(document->source);
}

// The bytes of the piece at p, up to its NUL or the end of the source.
size_t pieceLength(const char* p, const char* end) {
    const char* nul = (const char*)memchr(p, '\0', (size_t)(end - p));
    return (size_t)((nul ? nul : end) - p);
}

// Steps 1 and 2 of the piece rule: appends the piece at p and cuts what was appended at its
// first "<". Stores where the piece ends through pieceEnd. False when the block cannot grow;
// *work is then still the caller's to free.
bool appendPiece(HeapBlock* work, ComposeState* state, const char* p, const char* end,
                 const char** pieceEnd) {
    size_t length = pieceLength(p, end);
    *pieceEnd = p + length;
    if (!length)
        return true;
    if (length > (uint32_t)-1 - state->runningSize)
        return false;
    state->runningSize += (uint32_t)length;
    if (state->runningSize > heapSize(*work)) {
        HeapBlock grown = heapReAlloc(*work, state->runningSize);
        if (!grown)
            return false;
        *work = grown;
    }
    char* text = (char*)heapLock(*work);
    if (!text)
        return false;
    char* appended = text + state->length;
    memcpy(appended, p, length);
    appended[length] = '\0';
    char* cut = (char*)memchr(appended, '<', length);
    if (cut)
        *cut = '\0';
    state->length += (uint32_t)(cut ? cut - appended : (ptrdiff_t)length);
    heapUnlock(*work);
    state->lastPiece = p;
    return true;
}

// The "-->" from p on within its piece, or none.
const char* findCommentEnd(const char* p, const char* end) {
    for (; p + 2 < end && *p; ++p) {
        if (p[0] == '-' && p[1] == '-' && p[2] == '>')
            return p;
    }
    return nullptr;
}

// The piece rule: the piece at p, and the pieces that follow it across comments (whose "<"
// the parse overwrote), so that the text on both sides of a comment is joined.
bool appendPieces(HeapBlock* work, ComposeState* state, const char* p, const char* end) {
    while (p < end && *p) {
        const char* nul = nullptr;
        if (!appendPiece(work, state, p, end, &nul))
            return false;
        if (!(nul + 3 < end && nul[1] == '!' && nul[2] == '-' && nul[3] == '-'))
            break;
        const char* close = findCommentEnd(nul + 1, end);
        if (!close)
            break;
        p = close + 3;
    }
    return true;
}

bool isCdata(const XmlNode* node) {
    return strcmp(node->name, "![CDATA") == 0;
}

// The ">" that ends the node's markup in the source, or none when the walk reaches the end of
// the source without finding it. A CDATA section ends at its "]]>". An element ends at its
// end tag: the first piece "/name>" behind the markup of its last child (a nested element of
// the same name closes before that), or behind its text when it has no child; an
// empty-element tag ends at the ">" right behind the NUL that replaced its "/".
const char* findMarkupEnd(const XmlNode* node, const char* end) {
    const char* textEnd = node->text + strlen(node->text);
    if (isCdata(node))
        return textEnd + 2 < end && textEnd[1] == ']' && textEnd[2] == '>' ? textEnd + 2 : nullptr;
    const char* p = textEnd + 1;
    const XmlChildList* children = node->children;
    if (children && children->count) {
        const XmlNode* last = &children->nodes[children->count - 1];
        const char* lastEnd = findMarkupEnd(last, end);
        p = lastEnd ? lastEnd + 1 : last->name;
    } else if (!node->text[0] && p < end && *p == '>') {
        return p;
    }
    size_t nameLength = strlen(node->name);
    while (p < end) {
        if (*p == '/' && (size_t)(end - p) > nameLength + 1 &&
            memcmp(p + 1, node->name, nameLength) == 0 && p[1 + nameLength] == '>')
            return p + 1 + nameLength;
        p += pieceLength(p, end);
        if (p < end)
            ++p;
    }
    return nullptr;
}

// The own text of a pd or gd node, appended; false when the node cannot be resolved.
bool appendValueNode(const XmlNode* node, const XmlDocument* document, HeapBlock* work,
                     ComposeState* state, const QueryEnvironment* environment, const char* end) {
    if (node->name[0] == 'p') {
        const char* method = firstAttribute(node, "method");
        char fact[TextBufferSize] = {0};
        const char* factEnd = nullptr;
        return method && resolveMachineFact(method, environment, fact, sizeof fact) &&
               appendPiece(work, state, fact, fact + strlen(fact) + 1, &factEnd);
    }
    const XmlNode* data = selectGdData(node, document, environment);
    return data && appendPieces(work, state, data->text, end);
}

// The node's own text, then each child with the text after its markup; returns the block as
// appendNodeText does.
HeapBlock appendTextAndChildren(const XmlNode* node, const XmlDocument* document, HeapBlock work,
                                ComposeState* state, const QueryEnvironment* environment) {
    if (!appendPieces(&work, state, node->text, sourceEnd(document))) {
        heapFree(work);
        return nullptr;
    }
    for (uint32_t i = 0; work && node->children && i < node->children->count; ++i)
        work = appendNodeText(&node->children->nodes[i], document, work, state, environment);
    return work;
}

} // namespace

HeapBlock appendNodeText(const XmlNode* node, const XmlDocument* document, HeapBlock work,
                         ComposeState* state, const QueryEnvironment* environment) {
    const char* end = sourceEnd(document);
    if (strcmp(node->name, "pd") == 0 || strcmp(node->name, "gd") == 0) {
        // Their children stand for nothing.
        if (!appendValueNode(node, document, &work, state, environment, end)) {
            heapFree(work);
            return nullptr;
        }
    } else {
        work = appendTextAndChildren(node, document, work, state, environment);
        if (!work)
            return nullptr;
    }
    const char* close = findMarkupEnd(node, end);
    if (close && close + 1 < end && close[1] && !appendPieces(&work, state, close + 1, end)) {
        heapFree(work);
        return nullptr;
    }
    return work;
}

HeapBlock removeWhitespace(HeapBlock work) {
    char* text = (char*)heapLock(work);
    if (!text)
        return work;
    char* write = text;
    for (const char* read = text; *read; ++read) {
        if (!isBlankByte(*read))
            *write++ = *read;
    }
    *write = '\0';
    heapUnlock(work);
    return work;
}

HeapBlock composeNodeText(const XmlNode* node, const XmlDocument* document,
                          const QueryEnvironment* environment) {
    if (!node || !document || !document->source || !environment)
        return nullptr;
    ComposeState state = {1, nullptr, 0};
    HeapBlock work = heapAllocMovable(1);
    if (!work)
        return nullptr;
    // The text after the node's own end tag is not part of it.
    work = appendTextAndChildren(node, document, work, &state, environment);
    if (!work)
        return nullptr;
    removeWhitespace(work);
    HeapBlock result = heapAllocMovable(state.runningSize);
    char* text = (char*)heapLock(work);
    char* answer = result ? (char*)heapLock(result) : nullptr;
    bool converted = false;
    if (text && answer) {
        // Text after markup is still raw; the node's own texts were decoded by the parse.
        decodeEntities(text);
        size_t size = heapSize(result);
        uint32_t capacity = size > (uint32_t)-1 ? (uint32_t)-1 : (uint32_t)size;
        converted = utf8ToAnsi(text, answer, &capacity);
    }
    if (answer)
        heapUnlock(result);
    if (text)
        heapUnlock(work);
    heapFree(work);
    if (!converted && result) {
        heapFree(result);
        result = nullptr;
    }
    return result;
}
