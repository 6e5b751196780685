// How zelcat writes what it found: escaped node lines and raw ANSI answers.
#pragma once

#include <string>

#include "xml/xml_document.h"

// bytes 0x20..0x7E other than " and \ as they are, \" and \\, every other byte as \xHH;
// the whole in double quotes.
void appendEscaped(std::string* out, const char* text);
// N "name" "text" at the given depth.
void appendNodeLine(std::string* out, const XmlNode& node, unsigned depth);
// The node's line, then one A "name" "value" line per attribute.
void appendNodeLines(std::string* out, const XmlNode& node, unsigned depth);
// The node's lines and those of its descendants, depth-first in document order.
void appendTree(std::string* out, const XmlNode& node, unsigned depth);
// An answer as its raw bytes, then a newline.
void appendAnswer(std::string* out, const char* answer);
// Bytes as two lowercase hex digits each, separated by blanks, then a newline.
void appendHex(std::string* out, const char* bytes, size_t count);
