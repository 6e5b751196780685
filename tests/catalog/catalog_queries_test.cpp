#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "catalog/catalog_queries.h"
#include "catalog/path_query.h"
#include "tests/catalog/test_document.h"

namespace {

const std::string Selectors = "<sel method=\"LANGUAGE\" default=\"0409\">"
                              "<item id=\"0409\"><data>Caf\xC3\xA9</data></item>"
                              "<item id=\"0407\"><data id=\"t\">Titel</data></item></sel>";

std::string buildCatalog(const std::string& body, const std::string& attributes = "") {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<?zel version=\"2.1\"?>\n<build" +
           attributes + ">" + body + Selectors + "</build>";
}

// What an operation into a 260-byte buffer answers: its text, or "(fail)" with the buffer
// left as it was.
template <typename Operation> std::string answer(Operation operation) {
    char buffer[260];
    memset(buffer, '#', sizeof buffer);
    buffer[259] = '\0';
    if (operation(buffer))
        return buffer;
    EXPECT_EQ(buffer[0], '#');
    return "(fail)";
}

class CatalogQueries : public EnglishSystemTest {
  protected:
    std::string releaseId(const std::string& order, uint32_t index, uint32_t size = 260) {
        Document parsed(buildCatalog("<zel id=\"P\"><xrelease order=\"" + order + "\"/></zel>"));
        return answer([&](char* buffer) {
            return getReleaseIdByOrder(buffer, size, index, "P", parsed.document);
        });
    }
    std::string productId(const std::string& body, uint32_t index) {
        Document parsed(buildCatalog(body));
        return answer(
            [&](char* buffer) { return getProductIdByIndex(buffer, 260, index, parsed.document); });
    }
    std::string text(const std::string& body, const std::string& path, uint32_t size = 260) {
        Document parsed(buildCatalog(body));
        return answer([&](char* buffer) {
            return readCatalogText(path.c_str(), buffer, size, parsed.document, &environment);
        });
    }
    std::string resolve(const std::string& body, const std::string& path) {
        Document parsed(buildCatalog(body));
        const XmlNode* node = nullptr;
        if (!selectNode(path.c_str(), parsed.document, &node))
            return "(no node)";
        return answer([&](char* buffer) {
            return resolveNodeValue(node, buffer, 260, parsed.document, &environment);
        });
    }
};

TEST_F(CatalogQueries, ReleaseOrder) {
    EXPECT_EQ(releaseId("R1 R2 R3", 0), "R1");
    EXPECT_EQ(releaseId("R1 R2 R3", 2), "R3");
    EXPECT_EQ(releaseId("R1 R2 R3", 3), "(fail)");
    EXPECT_EQ(releaseId("R1 R2 R3", 0xFFFFFFFFu), "(fail)");
    // An empty entry ends the list; only blanks separate.
    EXPECT_EQ(releaseId("R1  R2", 1), "(fail)");
    EXPECT_EQ(releaseId("R1  R2", 2), "(fail)");
    EXPECT_EQ(releaseId(" R1", 0), "(fail)");
    EXPECT_EQ(releaseId(" R1", 1), "(fail)");
    EXPECT_EQ(releaseId("R1\tR2", 0), "R1\tR2");
    EXPECT_EQ(releaseId("", 0), "(fail)");
    // The answer is copied only when it fits; an order beyond 258 bytes fails.
    EXPECT_EQ(releaseId("R1 R22", 1, 3), "(fail)");
    EXPECT_EQ(releaseId("R1 R22", 1, 4), "R22");
    EXPECT_EQ(releaseId(std::string(258, 'r'), 0), std::string(258, 'r'));
    EXPECT_EQ(releaseId(std::string(259, 'r'), 0), "(fail)");
    Document parsed(buildCatalog("<zel id=\"P\"><xrelease/></zel>"));
    EXPECT_EQ(answer([&](char* b) { return getReleaseIdByOrder(b, 260, 0, "P", parsed.document); }),
              "(fail)");
}

TEST_F(CatalogQueries, ProductsByIndex) {
    const std::string products = "<zel id=\"A\"/><title>t</title><zel id=\"B\"/>";
    EXPECT_EQ(productId(products, 0), "A");
    EXPECT_EQ(productId(products, 1), "B");
    EXPECT_EQ(productId(products, 2), "(fail)");
    // A zel without id fails every index that reaches it.
    EXPECT_EQ(productId("<zel/>" + products, 0), "(fail)");
    EXPECT_EQ(productId("<zel/>" + products, 1), "(fail)");
    // The top-level build node is taken even when another element comes first.
    Document second(xmlDocument("<other/><build><zel id=\"X\"/></build>"));
    ASSERT_NE(second.document, nullptr);
    EXPECT_EQ(answer([&](char* b) { return getProductIdByIndex(b, 260, 0, second.document); }),
              "X");
    EXPECT_EQ(answer([&](char* b) { return getBuildId(b, 260, second.document); }), "(fail)");
}

TEST_F(CatalogQueries, BuildAttributesAndProducts) {
    Document parsed(buildCatalog("<zel id=\"P\" downlevel=\"1.00\"><category>Sys &amp; "
                                 "\xC3\xA9</category></zel><zel id=\"Q\"><category/></zel>",
                                 " id=\"B1\" href=\"http://x/\""));
    XmlDocument* document = parsed.document;
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(answer([&](char* b) { return getCatalogFormatVersion(b, 260, document); }), "2.1");
    EXPECT_EQ(answer([&](char* b) { return getCatalogFormatVersion(b, 3, document); }), "(fail)");
    EXPECT_EQ(answer([&](char* b) { return getBuildId(b, 260, document); }), "B1");
    EXPECT_EQ(answer([&](char* b) { return getBuildId(b, 2, document); }), "(fail)");
    EXPECT_EQ(answer([&](char* b) { return getBuildHref(b, 260, document); }), "http://x/");
    EXPECT_EQ(answer([&](char* b) { return getProductDownlevel(b, 260, "P", document); }), "1.00");
    EXPECT_EQ(answer([&](char* b) { return getProductDownlevel(b, 260, "Q", document); }),
              "(fail)");
    EXPECT_EQ(answer([&](char* b) { return getProductCategory(b, 260, "P", document); }),
              "Sys & \xE9");
    EXPECT_EQ(answer([&](char* b) { return getProductCategory(b, 5, "P", document); }), "(fail)");
    EXPECT_EQ(answer([&](char* b) { return getProductCategory(b, 260, "Q", document); }), "(fail)");
    // Only the node named ?zel holds the format version.
    Document plain(xmlDocument("<build id=\"x\"></build>"));
    ASSERT_NE(plain.document, nullptr);
    EXPECT_EQ(answer([&](char* b) { return getCatalogFormatVersion(b, 260, plain.document); }),
              "(fail)");
}

TEST_F(CatalogQueries, TextThroughIndirections) {
    const std::string body = "<title><gd path=\"/build/sel\"/></title>"
                             "<version><![CDATA[1.0 &amp;]]></version>"
                             "<readme>read &lt;me&gt;</readme><empty></empty>"
                             "<zp><gd zelpath=\"sel\"/></zp><two><a/><b/></two>";
    EXPECT_EQ(text(body, "/build/title"), "Caf\xE9");
    EXPECT_EQ(text(body, "/build/title", 4), "(fail)");
    EXPECT_EQ(text(body, "/build/version"), "1.0 &amp;");
    EXPECT_EQ(text(body, "/build/readme"), "read <me>");
    EXPECT_EQ(text(body, "/build/empty"), "(fail)");
    EXPECT_EQ(text(body, "/build/zp"), "(fail)");
    EXPECT_EQ(text(body, "/build/two"), "(fail)");
    EXPECT_EQ(text(body, "/build/none"), "(fail)");
    EXPECT_EQ(text(body, "/build/" + std::string(260, 'x')), "(fail)");

    Document parsed(buildCatalog(body));
    char title[260], version[260];
    ASSERT_TRUE(getBuildTitleAndVersion(title, 260, version, 260, parsed.document, &environment));
    EXPECT_STREQ(title, "Caf\xE9");
    EXPECT_STREQ(version, "1.0 &amp;");
    // A failure leaves both buffers as they were.
    strcpy(title, "#");
    EXPECT_FALSE(getBuildTitleAndVersion(title, 260, version, 5, parsed.document, &environment));
    EXPECT_STREQ(title, "#");
}

struct BuildFile {
    bool ok;
    std::string name, readme;
    int32_t size;
    uint32_t crc, date;
};

BuildFile buildFile(const std::string& body, const QueryEnvironment& environment) {
    Document parsed(buildCatalog(body));
    char name[260] = "#", readme[260] = "#";
    BuildFile result = {};
    result.size = result.crc = result.date = 99;
    result.ok = getBuildFile(name, 260, readme, 260, &result.size, &result.crc, &result.date,
                             parsed.document, &environment);
    result.name = name;
    result.readme = readme;
    return result;
}

TEST_F(CatalogQueries, BuildFile) {
    const std::string file = "<file size=\"1048576\" crc=\"0x1A2B3C4D\">q.cab</file>"
                             "<readme><gd path=\"/build/sel\"/></readme>";
    BuildFile good = buildFile(file + "<releaseDate>2026120A</releaseDate>", environment);
    EXPECT_TRUE(good.ok);
    EXPECT_EQ(good.name, "q.cab");
    EXPECT_EQ(good.readme, "Caf\xE9");
    EXPECT_EQ(good.size, 1048576);
    EXPECT_EQ(good.crc, 0x1A2B3C4Du);
    EXPECT_EQ(good.date, 0x2026120Au);

    // Seven, nine or non-hexadecimal characters fail after the name, readme and numbers.
    for (const char* date : {"2026120", "202612080", "2026120G", ""}) {
        BuildFile bad = buildFile(file + "<releaseDate>" + date + "</releaseDate>", environment);
        EXPECT_FALSE(bad.ok) << date;
        EXPECT_EQ(bad.name, "q.cab");
        EXPECT_EQ(bad.readme, "Caf\xE9");
        EXPECT_EQ(bad.size, 1048576);
        EXPECT_EQ(bad.crc, 0x1A2B3C4Du);
        EXPECT_EQ(bad.date, 0u);
    }
    // Zero numbers fail before the name is written; later attributes overwrite earlier ones.
    BuildFile zero = buildFile("<file size=\"0\" crc=\"0x1\">n</file>", environment);
    EXPECT_FALSE(zero.ok);
    EXPECT_EQ(zero.name, "#");
    EXPECT_EQ(zero.size, 0);
    EXPECT_EQ(zero.crc, 1u);
    BuildFile noPrefix = buildFile("<file size=\"5\" crc=\"1A2B\">n</file>", environment);
    EXPECT_FALSE(noPrefix.ok);
    EXPECT_EQ(noPrefix.size, 5);
    EXPECT_EQ(noPrefix.crc, 0u);
    BuildFile repeated = buildFile("<file size=\"5\" crc=\"0x1\" size=\"-7x\" crc=\"0x2\">n</file>"
                                   "<readme>r</readme><releaseDate>00000001</releaseDate>",
                                   environment);
    EXPECT_TRUE(repeated.ok);
    EXPECT_EQ(repeated.size, -7);
    EXPECT_EQ(repeated.crc, 2u);
    EXPECT_EQ(repeated.date, 1u);
    // The name is copied unconverted and must fit; a missing readme fails.
    BuildFile raw = buildFile("<file size=\"1\" crc=\"0x1\">\xC3\xA9</file>", environment);
    EXPECT_FALSE(raw.ok);
    EXPECT_EQ(raw.name, "\xC3\xA9");
    EXPECT_EQ(raw.readme, "#");
}

TEST_F(CatalogQueries, ResolveNodeValue) {
    setLanguage(0x0407);
    environment.osLanguage = 0x0C0A;
    environment.biosIdChars[0] = 'B';
    environment.biosIdChars[1] = 'A';
    strcpy(environment.machineTypeModel, "1234-5AB");
    strcpy(environment.osVersion, "5.1");
    strcpy(environment.familyName, "Fam");
    strcpy(environment.agentName, "Agent 7");
    const char* const methods[][2] = {
        {"LANGUAGE", "0407"},   {"BIOSID", "AB"},        {"MTM", "1234-5AB"}, {"OS", "5.1"},
        {"FAMILYNAME", "Fam"},  {"LANGUAGE.OS", "0C0A"}, {"MTM2", "12345AB"}, {"AGENT", "Agent 7"},
        {"language", "(fail)"}, {"MTM3", "(fail)"},
    };
    for (const auto& method : methods)
        EXPECT_EQ(resolve(std::string("<pd method=\"") + method[0] + "\"/>", "/build/pd"),
                  method[1])
            << method[0];
    EXPECT_EQ(resolve("<pd/>", "/build/pd"), "(fail)");
    strcpy(environment.machineTypeModel, "2179");
    EXPECT_EQ(resolve("<pd method=\"MTM2\"/>", "/build/pd"), "2179");
    // gd: the chosen data text, unconverted; without path, or with no choice, none.
    EXPECT_EQ(resolve("<gd path=\"/build/sel\">t</gd>", "/build/gd"), "Titel");
    environment.systemLanguage = 0x0409;
    EXPECT_EQ(resolve("<gd path=\"/build/sel\"/>", "/build/gd"), "Caf\xC3\xA9");
    EXPECT_EQ(resolve("<gd zelpath=\"sel\"/>", "/build/gd"), "(fail)");
    EXPECT_EQ(resolve("<gd path=\"/build/sel\">none</gd>", "/build/gd"), "(fail)");
    // Any other node: its own text.
    EXPECT_EQ(resolve("<x>own<pd method=\"OS\"/></x>", "/build/x"), "own");
}

} // namespace
