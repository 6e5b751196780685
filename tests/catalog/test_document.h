// Test helpers: a catalog parsed from text and released at the end of the test, the Western
// code page the expectations are written for, and the query record the setup program fills.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "base/local_heap.h"
#include "base/query_environment.h"
#include "xml/text_conversion.h"
#include "xml/xml_document.h"

#if defined(_WIN32)
#include <windows.h>
#endif

struct Document {
    XmlDocument* document;
    explicit Document(const std::string& text, bool htmlMode = false)
        : document(parseDocument(text.data(), (uint32_t)text.size(), htmlMode)) {}
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
    // The test prefix runs with it; binding anew drops a code page a test chose.
    ASSERT_EQ(GetACP(), 1252u);
    ASSERT_TRUE(bindConversionFunctions());
#else
    ASSERT_TRUE(setAnsiCodePage(1252));
#endif
}

// The record as the setup program fills it: the two language fields only.
inline QueryEnvironment setupEnvironment(uint16_t language) {
    QueryEnvironment environment = {};
    environment.systemLanguage = language;
    environment.systemLanguagePrimary = language & 0x3FF;
    return environment;
}

// Queries for a US English system under the Western code page.
class EnglishSystemTest : public ::testing::Test {
  protected:
    QueryEnvironment environment = setupEnvironment(0x0409);
    void SetUp() override { useWesternCodePage(); }
    void setLanguage(uint16_t language) {
        environment.systemLanguage = language;
        environment.systemLanguagePrimary = language & 0x3FF;
    }
};
