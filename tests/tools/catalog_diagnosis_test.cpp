// The diagnosis of the common catalog mistakes: where it points and what it says.
#include <gtest/gtest.h>

#include <string>

#include "tests/catalog/test_document.h"
#include "tools/zelcat/catalog_diagnosis.h"

namespace {

const std::string Declaration = "<?xml version=\"1.0\"?>\n"; // 22 bytes: line 2 starts at 22

struct Row {
    const char* mistake;
    std::string text;
    bool parses;
    // The failure, or else the one warning; a clean parse has neither.
    uint32_t offset;
    uint32_t line;
    uint32_t column;
    const char* reason;
};

const Row Rows[] = {
    {"unclosed element", Declaration + "<build>\n  <title>Name</title>\n", false, 52, 4, 1,
     "element <build> opened at line 2 is not closed: expected </build>"},
    {"misspelt end tag", Declaration + "<build>\n  <title>Name</titel>\n</build>\n", false, 43, 3,
     14, "end tag </titel> does not match <title> opened at line 3: expected </title>"},
    {"end tag in other letter case", Declaration + "<build></Build>", false, 29, 2, 8,
     "end tag </Build> does not match <build> opened at line 2: expected </build> (letter case "
     "counts)"},
    {"comment after the root", Declaration + "<build>\n</build>\n<!-- end -->\n", false, 39, 4, 1,
     "after the root element's end tag only whitespace and '<' may follow: the last construct "
     "here is a comment with nothing behind it"},
    {"root written as an empty-element tag", Declaration + "<build id=\"1\"/>\n", false, 22, 2, 1,
     "the root is written <build/>: an empty-element tag as the last top-level construct fails"},
    {"blank between '=' and the quote",
     Declaration + "<build>\n  <title lang= \"en\">T</title>\n</build>\n", false, 44, 3, 15,
     "attribute lang: '=' must be followed at once by a double quote, found a blank"},
    // A tab counts one column.
    {"single quotes", Declaration + "<build>\n\t<a x='1'/>\n</build>\n", false, 36, 3, 7,
     "attribute x: '=' must be followed at once by a double quote, found a single quote"},
    {"missing declaration", "<build>\n</build>\n", false, 0, 1, 1,
     "the file must begin (within its first 7 bytes) with '<?xml ': the declaration is missing"},
    {"file cut in an end tag", Declaration + "<build>\n  <title>Name</title>\n</bu", false, 56, 4,
     5, "the file ends inside the end tag </bu: expected </build>"},
    {"file cut in a value", Declaration + "<build id=\"2026", false, 37, 2, 16,
     "the file ends inside the value of attribute id: expected a closing double quote"},
    {"file cut in a comment", Declaration + "<build>\n<!-- note\n</build>\n", false, 49, 5, 1,
     "the file ends inside a comment opened at line 3: expected '-->'"},
    {"blank before '='", Declaration + "<build>\n  <title lang =\"en\">T</title>\n</build>\n", true,
     44, 3, 15,
     "a blank before '=' makes an attribute lang without value and one with an empty name"},
    // CR LF ends one line.
    {"text after the root", Declaration + "<build></build>\r\nx<a>", true, 39, 3, 1,
     "text after the end tag of <build> does not begin with '<': the parser ignores everything "
     "from here to the end of the file"},
    {"clean catalog", Declaration + "<build id=\"1\"><!-- c --><a x=\"&gt;\"/></build>\n", true, 0,
     0, 0, nullptr},
};

TEST(CatalogDiagnosis, CommonMistakes) {
    for (const Row& row : Rows) {
        SCOPED_TRACE(row.mistake);
        CatalogDiagnosis diagnosis = diagnoseCatalog(row.text.data(), (uint32_t)row.text.size());
        EXPECT_EQ(diagnosis.parses, row.parses);
        EXPECT_EQ(Document(row.text).document != nullptr, row.parses);
        std::vector<CatalogFinding> findings = diagnosis.warnings;
        if (!diagnosis.parses)
            findings.insert(findings.begin(), diagnosis.failure);
        ASSERT_EQ(findings.size(), row.reason ? 1u : 0u);
        if (!row.reason)
            continue;
        EXPECT_EQ(findings[0].offset, row.offset);
        EXPECT_EQ(findings[0].line, row.line);
        EXPECT_EQ(findings[0].column, row.column);
        EXPECT_EQ(findings[0].reason, row.reason);
    }
}

} // namespace
