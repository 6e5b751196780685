#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "catalog/catalog_queries.h"
#include "catalog/path_query.h"
#include "tests/catalog/test_document.h"
#include "xml/composed_text.h"

namespace {

const std::string Selector = "<sel method=\"LANGUAGE\" default=\"0409\">"
                             "<item id=\"0409\"><data>en<!-- c -->glish</data>"
                             "<data id=\"k\">K &amp;lt;</data></item></sel>";

class ComposedText : public EnglishSystemTest {
  protected:
    void SetUp() override {
        EnglishSystemTest::SetUp();
        environment.biosIdChars[0] = 'Y';
        environment.biosIdChars[1] = 'X';
        strcpy(environment.machineTypeModel, "1234-5AB");
        strcpy(environment.agentName, "agent");
    }
    // The composed text of node, or "(fail)".
    std::string composed(const XmlNode* node, const XmlDocument* document) {
        HeapBlock block = composeNodeText(node, document, &environment);
        if (!block)
            return "(fail)";
        std::string text = (const char*)heapLock(block);
        heapUnlock(block);
        heapFree(block);
        return text;
    }
    // The composed text of the element at path in <build>body Selector</build>, "(no node)"
    // or "(fail)".
    std::string compose(const std::string& body, const std::string& path = "/build/v") {
        Document parsed(xmlDocument("<build>" + body + Selector + "</build>"));
        EXPECT_NE(parsed.document, nullptr) << body;
        const XmlNode* node = nullptr;
        if (!parsed.document || !selectNode(path.c_str(), parsed.document, &node))
            return "(no node)";
        return composed(node, parsed.document);
    }
};

TEST_F(ComposedText, Examples) {
    EXPECT_EQ(compose("<v>setup_<pd method=\"LANGUAGE\"/>.exe</v>"), "setup_0409.exe");
    EXPECT_EQ(compose("<v>\r\n    1.0\r\n\t beta\v\f\n  </v>"), "1.0beta");
    EXPECT_EQ(compose("<v>a<!-- c -->b</v>"), "ab");
    EXPECT_EQ(compose("<v>a<!-- c --> b <!-- d -->c<x/>d</v>"), "abcd");
    EXPECT_EQ(compose("<v>A<w>B<x/>C</w>D<pd method=\"BIOSID\"/>E</v>"), "ABCDXYE");
    EXPECT_EQ(compose("<v>Caf\xC3\xA9<w/></v>"), "Caf\xE9");
}

TEST_F(ComposedText, EntitiesAndMarkupCharacters) {
    // Text after a child's markup is raw until the end: "&lt;" there gives "<".
    EXPECT_EQ(compose("<v>p<x/>a &lt; b</v>"), "pa<b");
    // The node's own text was decoded by the parse: a "<" from "&lt;" cuts that piece, and
    // "&amp;lt;" gives "<".
    EXPECT_EQ(compose("<v>p &lt; q</v>"), "p");
    EXPECT_EQ(compose("<v>p &amp;lt; q</v>"), "p<q");
    EXPECT_EQ(compose("<v>x<w>p &lt; q</w>y</v>"), "xpy");
}

TEST_F(ComposedText, ValueNodes) {
    EXPECT_EQ(compose("<v>[<gd path=\"/build/sel\"/>]</v>"), "[english]");
    EXPECT_EQ(compose("<v>[<gd path=\"/build/sel\">k</gd>]</v>"), "[K<]");
    EXPECT_EQ(compose("<v>[<pd method=\"MTM\"><x>no</x></pd>]</v>"), "[1234-5AB]");
    // Failures fail the whole composition.
    EXPECT_EQ(compose("<v>a<gd path=\"/build/sel\">none</gd></v>"), "(fail)");
    EXPECT_EQ(compose("<v>a<gd zelpath=\"sel\"/></v>"), "(fail)");
    EXPECT_EQ(compose("<v>a<gd path=\"/build/sel" + std::string(260, '/') + "\"/></v>"), "(fail)");
    EXPECT_EQ(compose("<v>a<pd/></v>"), "(fail)");
    EXPECT_EQ(compose("<v><w><pd method=\"OS.X\"/></w></v>"), "(fail)");
    // MTM2 and AGENT are not composition methods; resolveNodeValue answers them.
    for (const char* method : {"MTM2", "AGENT"}) {
        std::string pd = std::string("<v><pd method=\"") + method + "\"/></v>";
        EXPECT_EQ(compose(pd), "(fail)") << method;
        Document parsed(xmlDocument("<build>" + pd + "</build>"));
        const XmlNode* node = nullptr;
        ASSERT_TRUE(selectNode("/build/v/pd", parsed.document, &node));
        char value[260] = "";
        EXPECT_TRUE(resolveNodeValue(node, value, sizeof value, parsed.document, &environment));
        EXPECT_STREQ(value, method[0] == 'M' ? "12345AB" : "agent");
    }
}

TEST_F(ComposedText, EndTagWalk) {
    // A nested element of the same name closes before its parent.
    EXPECT_EQ(compose("<v><v>a</v>b<w/>c</v>"), "abc");
    // Also when it is the last child: the parent's end tag lies behind its markup.
    EXPECT_EQ(compose("<v><w><x/><w>x</w>y</w>z</v>"), "xyz");
    // Decoding leaves the text's tail behind its new NUL; a ">" there is no empty-element tag.
    EXPECT_EQ(compose("<v><w>&lt;>a</w>b</v>"), "b");
    // An end tag the walk cannot find (HTML mode, other case) ends at the end of the source.
    Document html("<html><B>x</b>tail<i/>more</html>", true);
    ASSERT_NE(html.document, nullptr);
    EXPECT_EQ(composed(&html.document->nodes[0], html.document), "xmore");
}

TEST_F(ComposedText, CdataAmongDescendants) {
    // The section's text, cut at its first "<", then the text after its "]]>".
    EXPECT_EQ(compose("<v>x<![CDATA[c d<e]]>y<b/>z</v>"), "xcdyz");
    EXPECT_EQ(compose("<v><w><![CDATA[c]]></w>after</v>"), "cafter");
    EXPECT_EQ(compose("<v><w>1</w><![CDATA[&lt;]]></v>"), "1<");
}

TEST_F(ComposedText, LongTextsGrowTheBlock) {
    std::string body = "<v>";
    std::string expected;
    for (int i = 0; i < 400; ++i) {
        body += "<i>" + std::to_string(i) + " </i> , ";
        expected += std::to_string(i) + ",";
    }
    EXPECT_EQ(compose(body + "</v>"), expected);
}

TEST_F(ComposedText, RemoveWhitespaceDeletesTheSixBytes) {
    HeapBlock block = heapAllocMovable(32);
    ASSERT_NE(block, nullptr);
    strcpy((char*)heapLock(block), " a\tb\nc\vd\fe\rf \xA0g  ");
    heapUnlock(block);
    EXPECT_EQ(removeWhitespace(block), block);
    EXPECT_STREQ((const char*)heapLock(block), "abcdef\xA0g");
    heapUnlock(block);
    heapFree(block);
}

} // namespace
