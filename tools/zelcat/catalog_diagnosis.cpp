// The parser's steps (xml/xml_parser.cpp), followed on the caller's bytes without writing to
// them, so that each step that fails can say where and why.
//
// The parser cuts names and values out of its copy with NULs. Only two of those NULs are read
// again by a later step: the one over a top-level "<?" or "<!" construct's terminator, which
// ends the quote search in that construct's attributes (markupAttributes keeps that bound
// itself), and the one that ends an element's name, which the end tag is compared with (a NUL
// byte of the input inside the name ends it earlier: Element::nameEnd). Every other search
// stops at a NUL of the input, or at the length, as the parser's searches stop at the NUL that
// ends its copy.
#include "tools/zelcat/catalog_diagnosis.h"

#include <stddef.h>
#include <string.h>

#include <algorithm>

#include "base/bounded_text.h"

namespace {

// The parser's bound: a construct nested deeper fails.
const unsigned MaxNestingDepth = 256;
const size_t NotFound = (size_t)-1;
// Names and tags are quoted in reasons up to this many bytes.
const size_t ShownBytes = 40;
const char SignatureRule[] = "the file must begin (within its first 7 bytes) with '<?xml '";

struct Scan {
    const unsigned char* bytes;
    size_t length;
    std::vector<size_t> lineStarts;
    CatalogDiagnosis* diagnosis;
    // The last top-level element, for the reasons about what follows it.
    bool rootSeen;
    bool rootEmpty; // written as an empty-element tag
    size_t rootName;
    size_t rootNameEnd;
};

// An element whose start tag has been read.
struct Element {
    size_t open; // its "<"
    size_t name;
    size_t nameEnd; // as the parser compares the name with the end tag: up to the first NUL
    bool topLevel;
};

// A construct that the parser follows with a search for the next "<".
enum ConstructKind { CdataSection, Comment, Markup, EmptyTag };

struct Construct {
    ConstructKind kind;
    size_t open; // its "<"
    size_t name;
    size_t nameEnd;
    const char* terminator; // Markup: "?>" or ">"
    bool attributes;        // Markup: written with an attribute part
};

// The byte at i; at and after the length, the NUL that ends the parser's copy.
unsigned char at(const Scan& s, size_t i) {
    return i < s.length ? s.bytes[i] : 0;
}

size_t skipBlanks(const Scan& s, size_t i) {
    while (isBlankByte((char)at(s, i)))
        ++i;
    return i;
}

// Where a search for c from i stops: at c, or at the NUL that ends it.
size_t seek(const Scan& s, size_t i, unsigned char c) {
    for (;; ++i) {
        unsigned char b = at(s, i);
        if (b == c || !b)
            return i;
    }
}

bool startsWith(const Scan& s, size_t i, const char* prefix) {
    for (size_t k = 0; prefix[k]; ++k) {
        if (at(s, i + k) != (unsigned char)prefix[k])
            return false;
    }
    return true;
}

// Where a search for a string from i stops: at its first byte, or at the NUL that ends it.
size_t seekString(const Scan& s, size_t i, const char* string) {
    for (;; ++i) {
        if (startsWith(s, i, string) || !at(s, i))
            return i;
    }
}

bool equalIgnoringCase(const Scan& s, size_t a, size_t b, size_t count) {
    for (size_t k = 0; k < count; ++k) {
        if (upperAscii((char)at(s, a + k)) != upperAscii((char)at(s, b + k)))
            return false;
    }
    return true;
}

uint32_t lineOf(const Scan& s, size_t offset) {
    return (uint32_t)(std::upper_bound(s.lineStarts.begin(), s.lineStarts.end(), offset) -
                      s.lineStarts.begin());
}

std::string number(size_t value) {
    return std::to_string((unsigned long long)value);
}

std::string atLine(const Scan& s, size_t offset) {
    return "at line " + number(lineOf(s, offset));
}

// The bytes from..to as a reason shows them: printable ASCII as it is, the rest \xHH.
std::string shown(const Scan& s, size_t from, size_t to) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (size_t i = from; i < to; ++i) {
        if (i - from >= ShownBytes) {
            out += "...";
            break;
        }
        unsigned char c = at(s, i);
        if (c >= 0x20 && c <= 0x7E) {
            out.push_back((char)c);
        } else {
            out += "\\x";
            out.push_back(digits[c >> 4]);
            out.push_back(digits[c & 0x0F]);
        }
    }
    return out;
}

// The byte at i, named for "found ...".
std::string describeByte(const Scan& s, size_t i) {
    if (i >= s.length)
        return "the end of the file";
    unsigned char c = at(s, i);
    if (!c)
        return "a NUL byte";
    if (c == ' ' || c == '\t')
        return "a blank";
    if (c == '\r' || c == '\n')
        return "a line break";
    if (c == '\'')
        return "a single quote";
    return "'" + shown(s, i, i + 1) + "'";
}

// The start of a reason for a search that stopped at the NUL at stop inside what.
std::string endsInside(const Scan& s, size_t stop, const std::string& what) {
    return (stop >= s.length ? "the file ends inside " : "a NUL byte ends the text inside ") + what;
}

size_t fail(Scan& s, size_t offset, const std::string& reason) {
    s.diagnosis->parses = false;
    s.diagnosis->failure.offset = (uint32_t)offset;
    s.diagnosis->failure.reason = reason;
    return NotFound;
}

void warn(Scan& s, size_t offset, const std::string& reason) {
    CatalogFinding warning = {(uint32_t)offset, 0, 0, reason};
    s.diagnosis->warnings.push_back(warning);
}

std::string nameOf(const Scan& s, const Element& e) {
    return shown(s, e.name, e.nameEnd);
}

std::string openedAt(const Scan& s, const Element& e) {
    return "<" + nameOf(s, e) + "> opened " + atLine(s, e.open);
}

// An element that was most likely not meant as one: an end tag at the top level, or a "<?"
// or "<!" construct inside an element; the parser reads both as elements.
bool misread(const Scan& s, const Element& e, std::string* reason) {
    if (e.nameEnd == e.name)
        return false;
    unsigned char first = at(s, e.name);
    std::string name = nameOf(s, e);
    if (e.topLevel && first == '/') {
        *reason = "end tag <" + name + "> stands outside any element";
        return true;
    }
    if (!e.topLevel && (first == '?' || first == '!')) {
        *reason = "<" + name + "> inside an element is read as an element named " + name +
                  " that is never closed: '<?' and '<!' constructs other than comments and CDATA"
                  " sections belong at the top level";
        return true;
    }
    return false;
}

// The element's content holds no further "<": the search stopped at the NUL at stop.
size_t failNotClosed(Scan& s, const Element& e, size_t stop) {
    std::string reason;
    if (misread(s, e, &reason))
        return fail(s, e.open, reason);
    reason = "element " + openedAt(s, e) + " is not closed: expected </" + nameOf(s, e) + ">";
    if (stop < s.length)
        reason += " before the NUL byte here";
    return fail(s, stop, reason);
}

// The end tag at tag does not close e; same tells that e's name follows its "</" up to compared.
size_t failEndTag(Scan& s, const Element& e, size_t tag, bool same, size_t compared) {
    std::string reason;
    if (misread(s, e, &reason))
        return fail(s, e.open, reason);
    std::string expected = "</" + nameOf(s, e) + ">";
    size_t after = tag + 2;
    size_t end = after;
    while (at(s, end) && at(s, end) != '>' && at(s, end) != '<')
        ++end;
    std::string written = shown(s, after, end);
    if (!at(s, end))
        return fail(s, end,
                    endsInside(s, end, "the end tag </" + written) + ": expected " + expected);
    if (same && at(s, end) == '<')
        return fail(s, tag, "end tag </" + written + " lacks its '>': expected " + expected);
    if (same && isBlankByte((char)at(s, compared)))
        return fail(s, tag,
                    "end tag </" + written + "> has whitespace after its name: expected " +
                        expected);
    reason =
        "end tag </" + written + "> does not match " + openedAt(s, e) + ": expected " + expected;
    if (end - after == e.nameEnd - e.name && equalIgnoringCase(s, after, e.name, end - after))
        reason += " (letter case counts)";
    return fail(s, tag, reason);
}

std::string describe(const Scan& s, const Construct& c) {
    switch (c.kind) {
    case CdataSection:
        return "a CDATA section";
    case Comment:
        return "a comment";
    case Markup:
        return "<" + shown(s, c.name, c.nameEnd) + (c.attributes ? " ..." : "") + c.terminator;
    case EmptyTag:
        break;
    }
    return "the empty-element tag <" + shown(s, c.name, c.nameEnd) + "/>";
}

// A top-level construct that the parser follows with a search for "<" finds none; the search
// stopped at the NUL at stop.
size_t failLast(Scan& s, const Construct& c, size_t stop) {
    std::string reason;
    if (s.rootSeen) {
        reason = std::string(s.rootEmpty ? "after the root element <" +
                                               shown(s, s.rootName, s.rootNameEnd) + "/>"
                                         : "after the root element's end tag") +
                 " only whitespace and '<' may follow: the last construct here is " +
                 describe(s, c) + " with nothing behind it";
    } else if (c.kind == EmptyTag) {
        reason = "the root is written <" + shown(s, c.name, c.nameEnd) +
                 "/>: an empty-element tag as the last top-level construct fails";
    } else {
        reason = "the file has no root element: the last construct here is " + describe(s, c) +
                 " with nothing behind it";
    }
    if (stop < s.length)
        reason += " (a NUL byte behind it ends the text)";
    return fail(s, c.open, reason);
}

// The parser's search for the "<" that follows a construct, from from.
size_t nextConstruct(Scan& s, size_t from, const Element* parent, const Construct& c) {
    size_t next = seek(s, from, '<');
    if (at(s, next))
        return next;
    if (parent)
        return failNotClosed(s, *parent, next);
    return failLast(s, c, next);
}

// A blank before "=", or "=" right after a value: the parser makes an attribute with an empty
// name. previous is the attribute without value just before it, if any.
void warnEmptyName(Scan& s, size_t equals, size_t previous, size_t previousEnd) {
    if (previous != NotFound)
        warn(s, equals,
             "a blank before '=' makes an attribute " + shown(s, previous, previousEnd) +
                 " without value and one with an empty name");
    else
        warn(s, equals, "'=' with no name before it makes an attribute with an empty name");
}

std::string attributeLabel(const Scan& s, size_t name, size_t stop, size_t previous,
                           size_t previousEnd) {
    if (name != stop)
        return "attribute " + shown(s, name, stop);
    if (previous != NotFound)
        return "attribute " + shown(s, previous, previousEnd);
    return "an attribute with an empty name";
}

// The attribute part of a top-level "<?" or "<!" construct, from text to its terminator at
// last, over which the parser has written a NUL.
bool markupAttributes(Scan& s, size_t text, size_t last, const Construct& c) {
    size_t previous = NotFound;
    size_t previousEnd = 0;
    for (size_t p = text; p <= last;) {
        size_t name = p;
        size_t stop = p;
        for (;; ++stop) {
            unsigned char b = stop >= last ? 0 : at(s, stop);
            if (isBlankByte((char)b) || b == '=')
                break;
            // A word that runs up to the terminator is no attribute.
            if ((!b || b == '>') && stop >= last)
                return true;
        }
        if (at(s, stop) == '=') {
            if (stop == name)
                warnEmptyName(s, stop, previous, previousEnd);
            if (stop + 1 >= last || at(s, stop + 1) != '"') {
                std::string found = stop + 1 >= last ? std::string("'") + c.terminator + "'"
                                                     : describeByte(s, stop + 1);
                fail(s, stop + 1,
                     attributeLabel(s, name, stop, previous, previousEnd) +
                         ": '=' must be followed at once by a double quote, found " + found);
                return false;
            }
            size_t close = stop + 2;
            while (close < last && at(s, close) != '"')
                ++close;
            if (close >= last) {
                fail(s, last,
                     attributeLabel(s, name, stop, previous, previousEnd) + " of " +
                         describe(s, c) + ": the value has no closing double quote before '" +
                         c.terminator + "'");
                return false;
            }
            p = skipBlanks(s, close + 1);
            previous = NotFound;
        } else {
            previous = name;
            previousEnd = stop;
            p = skipBlanks(s, stop + 1);
        }
    }
    return true;
}

// A top-level "<?" or "<!" construct that is no comment or CDATA section.
size_t markup(Scan& s, size_t position, const char* terminator) {
    Construct c = {Markup, position - 1, position, position, terminator, false};
    size_t p = position;
    for (;; ++p) {
        if (p > s.length)
            return fail(s, s.length,
                        "the file ends inside <" + shown(s, position, s.length) + " opened " +
                            atLine(s, c.open) + ": expected '" + terminator + "'");
        if (isBlankByte((char)at(s, p)) || startsWith(s, p, terminator))
            break;
    }
    c.nameEnd = p;
    if (isBlankByte((char)at(s, p))) {
        c.attributes = true;
        size_t close = seekString(s, p, terminator);
        if (!at(s, close))
            return fail(
                s, close,
                endsInside(s, close, "<" + shown(s, position, p) + " opened " + atLine(s, c.open)) +
                    ": expected '" + terminator + "'");
        if (!markupAttributes(s, skipBlanks(s, p + 1), close, c))
            return NotFound;
        p = close;
    }
    return nextConstruct(s, p + strlen(terminator), nullptr, c);
}

size_t construct(Scan& s, size_t position, const char* terminator, unsigned depth,
                 const Element* parent);

// An element's start tag from its attribute part at p: returns its ">".
size_t startTag(Scan& s, size_t p, const Element& e) {
    size_t previous = NotFound; // the attribute without value just before, if any
    size_t previousEnd = 0;
    for (;;) {
        size_t name = p;
        unsigned char c = at(s, p);
        while (!(isBlankByte((char)c) || c == '=' || c == '>' || !c))
            c = at(s, ++p);
        if (c == '>')
            return p;
        if (!c)
            return fail(
                s, p,
                endsInside(s, p,
                           "the start tag <" + nameOf(s, e) + " opened " + atLine(s, e.open)) +
                    ": expected '>'");
        if (isBlankByte((char)c)) {
            previous = name;
            previousEnd = p;
            p = skipBlanks(s, p + 1);
            continue;
        }
        if (p == name)
            warnEmptyName(s, p, previous, previousEnd);
        if (at(s, p + 1) != '"')
            return fail(s, p + 1,
                        attributeLabel(s, name, p, previous, previousEnd) +
                            ": '=' must be followed at once by a double quote, found " +
                            describeByte(s, p + 1));
        size_t close = p + 2;
        while (at(s, close) && at(s, close) != '"' && at(s, close) != '>')
            ++close;
        if (at(s, close) == '>')
            return fail(s, close,
                        attributeLabel(s, name, p, previous, previousEnd) +
                            ": the value has no closing double quote before the '>' here, "
                            "which ends the tag (a '>' in a value is written &gt;)");
        if (!at(s, close))
            return fail(
                s, close,
                endsInside(s, close,
                           "the value of " + attributeLabel(s, name, p, previous, previousEnd)) +
                    ": expected a closing double quote");
        previous = NotFound;
        p = skipBlanks(s, close + 1);
    }
}

// An element's content from the byte after its start tag, up to and with its end tag.
size_t content(Scan& s, size_t from, const Element& e, unsigned depth) {
    size_t cursor = seek(s, skipBlanks(s, from), '<');
    if (!at(s, cursor))
        return failNotClosed(s, e, cursor);
    while (!(at(s, cursor) == '<' && at(s, cursor + 1) == '/')) {
        size_t next = construct(s, cursor + 1, nullptr, depth + 1, &e);
        if (next == NotFound)
            return NotFound;
        cursor = next;
        if (at(s, cursor) != '<') {
            // Text behind a child's end tag.
            cursor = seek(s, cursor, '<');
            if (!at(s, cursor))
                return failNotClosed(s, e, cursor);
        }
    }
    size_t name = e.name;
    size_t close = cursor + 2;
    while (name < e.nameEnd && at(s, close) == at(s, name)) {
        ++close;
        ++name;
    }
    bool same = name == e.nameEnd;
    if (!same || at(s, close) != '>' || close >= s.length)
        return failEndTag(s, e, cursor, same, close);
    return skipBlanks(s, close + 1);
}

size_t element(Scan& s, size_t position, unsigned depth, const Element* parent) {
    Element e = {position - 1, position, position, !parent};
    size_t p = position;
    for (;; ++p) {
        unsigned char c = at(s, p);
        if (!c) {
            // The name scan steps over a NUL of the input.
            if (p >= s.length)
                return fail(s, s.length,
                            "the file ends inside the start tag <" + shown(s, position, p) +
                                " opened " + atLine(s, e.open) + ": expected '>'");
            continue;
        }
        if (isBlankByte((char)c) || c == '>' || (c == '/' && at(s, p + 1) == '>'))
            break;
    }
    while (e.nameEnd < p && at(s, e.nameEnd))
        ++e.nameEnd;
    Construct empty = {EmptyTag, e.open, e.name, e.nameEnd, nullptr, false};
    size_t next;
    bool emptyTag = true;
    if (at(s, p) == '/') {
        next = nextConstruct(s, p + 2, parent, empty);
    } else if (at(s, p) == '>') {
        next = content(s, p + 1, e, depth);
        emptyTag = false;
    } else {
        size_t close = startTag(s, skipBlanks(s, p + 1), e);
        if (close == NotFound)
            return NotFound;
        emptyTag = at(s, close - 1) == '/';
        next =
            emptyTag ? nextConstruct(s, close + 1, parent, empty) : content(s, close + 1, e, depth);
    }
    if (next != NotFound && !parent) {
        s.rootSeen = true;
        s.rootEmpty = emptyTag;
        s.rootName = e.name;
        s.rootNameEnd = e.nameEnd;
    }
    return next;
}

// The construct whose "<" stands just before position; returns where the parser goes on.
size_t construct(Scan& s, size_t position, const char* terminator, unsigned depth,
                 const Element* parent) {
    size_t open = position - 1;
    if (depth > MaxNestingDepth)
        return fail(s, open,
                    "constructs nest at most " + number(MaxNestingDepth) +
                        " levels deep: the one here is at level " + number(depth));
    if (startsWith(s, position, "![CDATA[")) {
        Construct c = {CdataSection, open, position, position, nullptr, false};
        size_t close = seekString(s, position + 8, "]]>");
        if (!at(s, close))
            return fail(s, close,
                        endsInside(s, close, "a CDATA section opened " + atLine(s, open)) +
                            ": expected ']]>'");
        return nextConstruct(s, close + 3, parent, c);
    }
    if (startsWith(s, position, "!--")) {
        Construct c = {Comment, open, position, position, nullptr, false};
        // The parser's search starts at the "!" itself: "<!-->" is a whole comment.
        size_t close = seekString(s, position, "-->");
        if (!at(s, close))
            return fail(s, close,
                        endsInside(s, close, "a comment opened " + atLine(s, open)) +
                            ": expected '-->'");
        return nextConstruct(s, close + 3, parent, c);
    }
    if (terminator)
        return markup(s, position, terminator);
    return element(s, position, depth, parent);
}

bool looksLikeUtf16(const Scan& s) {
    unsigned char b0 = at(s, 0);
    unsigned char b1 = at(s, 1);
    return s.length >= 2 && ((b0 == 0xFF && b1 == 0xFE) || (b0 == 0xFE && b1 == 0xFF) ||
                             (b0 == '<' && !b1) || (!b0 && b1 == '<'));
}

// The parser's signature test, and when it fails, why.
bool checkSignature(Scan& s) {
    // The parser looks at the first 12 bytes up to a NUL: their first "<" must begin "<?xml ".
    size_t head = 0;
    while (head < 12 && head < s.length && s.bytes[head])
        ++head;
    size_t open = 0;
    while (open < head && s.bytes[open] != '<')
        ++open;
    if (open + 6 <= head && startsWith(s, open, "<?xml "))
        return true;
    std::string rule = SignatureRule;
    if (!s.length) {
        fail(s, 0, rule + ": the file is empty");
    } else if (looksLikeUtf16(s)) {
        fail(s, 0, "the file is UTF-16: a catalog is UTF-8 and begins with '<?xml '");
    } else if (open < head && open <= 6) {
        size_t declaration = seekString(s, open, "<?xml ");
        if (startsWith(s, open, "<?xml"))
            fail(s, open + 5,
                 "'<?xml' must be followed by a space, found " + describeByte(s, open + 5));
        else if (at(s, open + 1) == '?' && upperAscii((char)at(s, open + 2)) == 'X' &&
                 upperAscii((char)at(s, open + 3)) == 'M' &&
                 upperAscii((char)at(s, open + 4)) == 'L')
            fail(s, open, "the declaration is written '<?xml ' in lower case");
        else if (at(s, declaration))
            fail(s, open, rule + ": the construct here comes before it");
        else
            fail(s, open, rule + ": the declaration is missing");
    } else if (open < head) {
        fail(s, open, rule + ": here it begins too late");
    } else if (head < s.length && head < 12) {
        fail(s, head, rule + ": a NUL byte stands before it");
    } else {
        fail(s, 0, rule);
    }
    return false;
}

} // namespace

CatalogDiagnosis diagnoseCatalog(const char* text, uint32_t length) {
    CatalogDiagnosis diagnosis;
    diagnosis.parses = true;
    diagnosis.failure = CatalogFinding{0, 0, 0, ""};
    Scan s;
    s.bytes = (const unsigned char*)(text ? text : "");
    s.length = text ? length : 0;
    s.diagnosis = &diagnosis;
    s.rootSeen = false;
    s.rootEmpty = false;
    s.rootName = 0;
    s.rootNameEnd = 0;
    s.lineStarts.push_back(0);
    for (size_t i = 0; i < s.length; ++i) {
        if (s.bytes[i] == '\n')
            s.lineStarts.push_back(i + 1);
    }
    if (checkSignature(s)) {
        size_t p = seek(s, 0, '<');
        bool counted = false;
        while (p < s.length && at(s, p) == '<') {
            unsigned char kind = at(s, p + 1);
            const char* terminator = kind == '!' ? ">" : kind == '?' ? "?>" : nullptr;
            size_t next = construct(s, p + 1, terminator, 1, nullptr);
            if (next == NotFound)
                break;
            counted = true;
            p = next;
        }
        if (diagnosis.parses && !counted)
            fail(s, p, "the file holds no '<'");
        // Only an element's end tag is followed by anything but "<": the parser stops there.
        if (diagnosis.parses && p < s.length) {
            std::string root = "<" + shown(s, s.rootName, s.rootNameEnd) + ">";
            warn(s, p,
                 (at(s, p) ? "text after the end tag of " + root + " does not begin with '<'"
                           : "a NUL byte follows the end tag of " + root) +
                     ": the parser ignores everything from here to the end of the file");
        }
    }
    std::vector<CatalogFinding*> findings;
    if (!diagnosis.parses)
        findings.push_back(&diagnosis.failure);
    for (CatalogFinding& warning : diagnosis.warnings)
        findings.push_back(&warning);
    for (CatalogFinding* finding : findings) {
        finding->line = lineOf(s, finding->offset);
        finding->column = (uint32_t)(finding->offset - s.lineStarts[finding->line - 1] + 1);
    }
    return diagnosis;
}

std::string locatedFinding(const std::string& file, const CatalogFinding& finding) {
    return file + ":" + std::to_string(finding.line) + ":" + std::to_string(finding.column) + ": " +
           finding.reason;
}
