#include "tools/zelcat/output.h"

namespace {

const char digits[] = "0123456789abcdef";

} // namespace

void appendEscaped(std::string* out, const char* text) {
    out->push_back('"');
    for (const unsigned char* p = (const unsigned char*)text; *p; ++p) {
        unsigned char c = *p;
        if (c == '"' || c == '\\') {
            out->push_back('\\');
            out->push_back((char)c);
        } else if (c >= 0x20 && c <= 0x7E) {
            out->push_back((char)c);
        } else {
            out->append("\\x");
            out->push_back(digits[c >> 4]);
            out->push_back(digits[c & 0x0F]);
        }
    }
    out->push_back('"');
}

void appendNodeLine(std::string* out, const XmlNode& node, unsigned depth) {
    out->append(2 * (size_t)depth, ' ');
    out->append("N ");
    appendEscaped(out, node.name);
    out->push_back(' ');
    appendEscaped(out, node.text);
    out->push_back('\n');
}

void appendNodeLines(std::string* out, const XmlNode& node, unsigned depth) {
    appendNodeLine(out, node, depth);
    for (uint32_t i = 0; i < node.attributeCount; ++i) {
        out->append(2 * (size_t)depth + 2, ' ');
        out->append("A ");
        appendEscaped(out, node.attributes[i].name);
        out->push_back(' ');
        appendEscaped(out, node.attributes[i].value);
        out->push_back('\n');
    }
}

void appendTree(std::string* out, const XmlNode& node, unsigned depth) {
    appendNodeLines(out, node, depth);
    if (!node.children)
        return;
    for (uint32_t i = 0; i < node.children->count; ++i)
        appendTree(out, node.children->nodes[i], depth + 1);
}

void appendAnswer(std::string* out, const char* answer) {
    out->append(answer);
    out->push_back('\n');
}

void appendHex(std::string* out, const char* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        unsigned char c = (unsigned char)bytes[i];
        if (i)
            out->push_back(' ');
        out->push_back(digits[c >> 4]);
        out->push_back(digits[c & 0x0F]);
    }
    out->push_back('\n');
}
