// Test helpers: a catalog parsed from text and released at the end of the test, and the
// Western code page the expectations are written for.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "xml/local_heap.h"
#include "xml/text_conversion.h"
#include "xml/xml_document.h"

#if defined(_WIN32)
#include <windows.h>
#endif

struct Document {
    XmlDocument* document;
    explicit Document(const std::string& text)
        : document(parseDocument(text.data(), (uint32_t)text.size(), false)) {}
    ~Document() {
        if (document) {
            releaseDocument(document);
            heapFree(document);
        }
    }
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;
};

inline std::string xmlDocument(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + body;
}

inline void useWesternCodePage() {
#if defined(_WIN32)
    ASSERT_EQ(GetACP(), 1252u);
#else
    ASSERT_TRUE(setAnsiCodePage(1252));
#endif
}
