#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "base/local_heap.h"
#include "tests/catalog/test_document.h"
#include "xml/xml_document.h"

namespace {

const std::string Declaration = "<?xml version=\"1.0\"?>\n";

std::string dumpNode(const XmlNode& node) {
    std::string out = node.name;
    for (uint32_t i = 0; i < node.attributeCount; ++i)
        out += std::string(" @") + node.attributes[i].name + "=" + node.attributes[i].value;
    out += std::string(" '") + node.text + "'";
    if (node.children) {
        out += " {";
        for (uint32_t i = 0; i < node.children->count; ++i)
            out += (i ? ", " : "") + dumpNode(node.children->nodes[i]);
        out += "}";
    }
    return out;
}

// The whole tree in one line: top-level nodes separated by " | ".
std::string dump(const std::string& text, bool html = false) {
    Document parsed(text, html);
    if (!parsed.document)
        return "(none)";
    std::string out;
    for (uint32_t i = 0; i < parsed.document->count; ++i)
        out += (i ? " | " : "") + dumpNode(parsed.document->nodes[i]);
    return out;
}

// The tree below the declaration line.
std::string body(const std::string& text) {
    std::string all = dump(Declaration + text);
    const std::string prefix = "?xml @version=1.0 '' | ";
    return all.compare(0, prefix.size(), prefix) == 0 ? all.substr(prefix.size()) : all;
}

bool parses(const std::string& text, bool html = false) {
    return Document(text, html).document != nullptr;
}

TEST(XmlParser, DeclarationAndRootElement) {
    EXPECT_EQ(dump("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<build id=\"7\">x</build>"),
              "?xml @version=1.0 @encoding=UTF-8 '' | build @id=7 'x'");
    EXPECT_EQ(dump("<?xml version=\"1.0\"?><!DOCTYPE build><build></build>"),
              "?xml @version=1.0 '' | !DOCTYPE '' | build ''");
    EXPECT_EQ(dump("<?xml version=\"1.0\"?><?style href=\"a\"?><build></build>"),
              "?xml @version=1.0 '' | ?style @href=a '' | build ''");
}

TEST(XmlParser, SignatureTest) {
    const std::string rest = "<?xml version=\"1.0\"?><a></a>";
    EXPECT_TRUE(parses(rest));
    EXPECT_TRUE(parses("\xEF\xBB\xBF" + rest));
    EXPECT_TRUE(parses("      " + rest));
    EXPECT_FALSE(parses("       " + rest));
    EXPECT_FALSE(parses("<!-- c -->" + rest));
    EXPECT_FALSE(parses("<?XML version=\"1.0\"?><a></a>"));
    EXPECT_FALSE(parses("<?xml\tversion=\"1.0\"?><a></a>"));
    EXPECT_FALSE(parses("<?xml\nversion=\"1.0\"?><a></a>"));
    EXPECT_FALSE(parses(std::string(" \0<?xml version=\"1.0\"?><a></a>", 29)));
    EXPECT_FALSE(parses("<a></a>"));
    EXPECT_FALSE(parses("<?xml "));
    EXPECT_FALSE(parses(""));
    // HTML mode has no signature.
    EXPECT_EQ(dump("<a>x</a>", true), "a 'x'");
    EXPECT_EQ(dump("       <a>x</a>", true), "a 'x'");
}

TEST(XmlParser, RefusesMalformedText) {
    const char* refused[] = {
        "<![CDATA[open</a>",    // CDATA without "]]>"
        "<a><![CDATA[open</a>", //
        "<a><!-- open </a>",    // comment without "-->"
        "<abc",                 // name runs to the end
        "<a x=\"1\"",           //
        "<a",                   //
        "<a x=\"1\"  ",         // start tag without ">"
        "<a>text",              // content not followed by "<"
        "<a x='1'></a>",        // single quotes
        "<a x=1></a>",          // unquoted
        "<a x= \"1\"></a>",     // blank after "="
        "<a x=\"1></a>",        // the ">" ends the tag inside the value
        "<a><b></a>",           // failing child
        "<a><b></b>tail",       // text after a child and no "<"
        "<a></b>",              // end tag names another element
        "<a></A>",              // case differs
        "<a></a >",             // blank before ">"
        "<a></a",               // end tag cut off
        "<a/>",                 // last construct, no "<" after it
        "<a></a><!-- c -->",    //
        "<a></a><![CDATA[x]]>", //
        "<a></a><?pi x?>",      //
        "<a></a><!x>",          //
        "<a><?pi?></a>",        // "<?" inside an element is an element
        "text without a tag",   //
    };
    for (const char* text : refused) {
        EXPECT_FALSE(parses(Declaration + text)) << text;
    }
    EXPECT_FALSE(parses(Declaration + "<!DOCTYPE build"));
    EXPECT_FALSE(parses(Declaration + "<?pi target"));
    EXPECT_FALSE(parses("<?xml version=\"1.0\""));
    EXPECT_FALSE(parses("hello", true));
    EXPECT_FALSE(parses("<html><META x=\"1\"</html", true));
}

TEST(XmlParser, WhereTheTopLevelLoopStops) {
    // After an element's end tag, anything but whitespace and "<" ends the parse with success.
    EXPECT_EQ(body("<a>x</a>trailing <b></b>"), "a 'x'");
    EXPECT_EQ(body("<a>x</a>\n\t <b></b>"), "a 'x' | b ''");
    EXPECT_EQ(body("<a></a>\n<!-- end -->\n<b></b>"), "a '' |  '' | b ''");
    // A comment, CDATA or empty tag needs a "<" after it, or the whole parse fails.
    EXPECT_EQ(body("<!-- c --><a></a>"), " '' | a ''");
    EXPECT_EQ(body("<a/><b></b>"), "a '' | b ''");
    EXPECT_EQ(body("<a/>text<b></b>"), "a '' | b ''");
    EXPECT_EQ(body("<a></a><!-- c -->"), "(none)");
    EXPECT_EQ(body("<a></a><!-- c --> "), "(none)");
    EXPECT_EQ(dump("<?xml version=\"1.0\"?><a/>"), "(none)");
    EXPECT_EQ(dump("<?xml version=\"1.0\"?>"), "(none)");
}

TEST(XmlParser, AttributeSpellings) {
    EXPECT_EQ(body("<a b></a>"), "a ''");
    EXPECT_EQ(body("<a b/><z></z>"), "a '' | z ''");
    EXPECT_EQ(body("<a b ></a>"), "a @b= ''");
    EXPECT_EQ(body("<a b c></a>"), "a @b= ''");
    EXPECT_EQ(body("<a b c /><z></z>"), "a @b= @c= '' | z ''");
    EXPECT_EQ(body("<a x =\"1\"></a>"), "a @x= @=1 ''");
    EXPECT_EQ(body("<a x= \"1\"></a>"), "(none)");
    EXPECT_EQ(body("<a x=\"1\"y=\"2\"/><z></z>"), "a @x=1 @y=2 '' | z ''");
    EXPECT_EQ(body("<a b=\"1\" b=\"2\"/><z></z>"), "a @b=1 @b=2 '' | z ''");
    EXPECT_EQ(body("<a\tx=\"\"\n y=\"a b\"  ></a>"), "a @x= @y=a b ''");
    EXPECT_EQ(body("<a x=\"&quot;w&quot;\" y=\"&lt;&gt;\"></a>"), "a @x=\"w\" @y=<> ''");
    EXPECT_EQ(body("<a x=\"'\"></a>"), "a @x=' ''");
    // Many attributes, some without value, entities among them, empty and with content.
    std::string tag = "<a";
    std::string expected = "a";
    for (int i = 0; i < 40; ++i) {
        std::string n = std::to_string(i);
        if (i % 7 == 3) {
            tag += " w" + n;
            expected += " @w" + n + "=";
        } else {
            tag += " k" + n + "=\"v&amp;" + n + "\"";
            expected += " @k" + n + "=v&" + n;
        }
    }
    EXPECT_EQ(body(tag + " /><z></z>"), expected + " '' | z ''");
    EXPECT_EQ(body(tag + ">t</a>"), expected + " 't'");
    // The name runs to whitespace, ">" or "/>": quotes and "=" belong to it.
    EXPECT_EQ(body("<a=\"1\"></a=\"1\">"), "a=\"1\" ''");
    EXPECT_EQ(body("<a/b></a/b>"), "a/b ''");
}

TEST(XmlParser, EndTags) {
    EXPECT_EQ(body("<a>x</a>"), "a 'x'");
    EXPECT_EQ(body("<a>x</a >"), "(none)");
    EXPECT_EQ(body("<a>x</A>"), "(none)");
    EXPECT_EQ(body("<a>x</ab>"), "(none)");
    EXPECT_EQ(body("<ab>x</a>"), "(none)");
    EXPECT_EQ(dump("<a>x</A>", true), "a 'x'");
    EXPECT_EQ(dump("<a>x</a >", true), "(none)");
    EXPECT_EQ(dump("<html><Body>x</body></HTML>", true), "HTML '' {BODY 'x'}");
    EXPECT_EQ(dump("<html lang=\"en\"><head></head></html>", true), "HTML @lang=en '' {HEAD ''}");
    EXPECT_EQ(dump("<htmlx>y</HTMLX>", true), "htmlx 'y'");
}

TEST(XmlParser, TextAroundChildren) {
    EXPECT_EQ(body("<a>  hello  </a>"), "a 'hello  '");
    EXPECT_EQ(body("<a>   </a>"), "a ''");
    EXPECT_EQ(body("<a>x<b/>y</a>"), "a 'x' {b ''}");
    EXPECT_EQ(body("<a><b>x</b>y<c/></a>"), "a '' {b 'x', c ''}");
    EXPECT_EQ(body("<a>\n  <b k=\"v\">1</b>\n  <c>2</c>\n</a>"), "a '' {b @k=v '1', c '2'}");
    // The text after a child stays in the copy, behind that child's end tag.
    Document parsed(Declaration + "<a><b>x</b>y<c/></a>");
    ASSERT_NE(parsed.document, nullptr);
    const XmlNode& b = parsed.document->nodes[1].children->nodes[0];
    const char* after = b.text + strlen(b.text) + 1;
    EXPECT_STREQ(after, "/b>y");
}

TEST(XmlParser, CommentsAndCdata) {
    EXPECT_EQ(body("<a><!-- c --></a>"), "a ''");
    EXPECT_EQ(body("<a>x<!-- c -->y<b/></a>"), "a 'x' {b ''}");
    EXPECT_EQ(body("<a><!-- <b></b> --><c/></a>"), "a '' {c ''}");
    EXPECT_EQ(body("<!-- top --><a></a>"), " '' | a ''");
    // The search for "-->" starts at the "!": "<!-->" is a whole comment.
    EXPECT_EQ(body("<a><!--></a>"), "a ''");
    EXPECT_EQ(body("<a><!--x-></a>"), "(none)");
    EXPECT_EQ(body("<a><![CDATA[1 < 2 &amp;]]></a>"), "a '' {![CDATA '1 < 2 &amp;'}");
    EXPECT_EQ(body("<a><![CDATA[]]></a>"), "a '' {![CDATA ''}");
    EXPECT_EQ(body("<a><![cdata[x]]></a>"), "(none)");
    // An element that happens to be named like a CDATA section keeps its text raw too.
    EXPECT_EQ(body("<a><![CDATA x=\"&amp;\">t&amp;</![CDATA></a>"), "a '' {![CDATA @x=& 't&amp;'}");
    // Without a comment after the declaration the dropped place is reused.
    EXPECT_EQ(body("<a><!--1--><b/><!--2--><!--3--><c/><!--4--></a>"), "a '' {b '', c ''}");
}

TEST(XmlParser, EntitiesAreDecodedOnce) {
    EXPECT_EQ(body("<a>1 &lt; 2 &amp;amp; 3</a>"), "a '1 < 2 &amp; 3'");
    EXPECT_EQ(body("<a>&LT; &#60; &lt &amp</a>"), "a '&LT; &#60; &lt &amp'");
    EXPECT_EQ(body("<a>&quot;q&quot; &apos;s&apos; &gt;</a>"), "a '\"q\" 's' >'");
    EXPECT_EQ(body("<a>&&amp;&</a>"), "a '&&&'");
    EXPECT_EQ(body("<a x=\"&amp;lt;\">&amp;&amp;&amp;</a>"), "a @x=&lt; '&&&'");
    // Names and attribute names stay as written.
    EXPECT_EQ(body("<a&amp; b&lt;=\"v\"></a&amp;>"), "a&amp; @b&lt;=v ''");

    char text[] = "&amp;&amp;&amp;&amp;x&gt;";
    EXPECT_TRUE(decodeEntities(text));
    EXPECT_STREQ(text, "&&&&x>");
    std::string many;
    for (int i = 0; i < 100000; ++i)
        many += "&lt;";
    std::vector<char> buffer(many.begin(), many.end());
    buffer.push_back('\0');
    EXPECT_TRUE(decodeEntities(buffer.data()));
    EXPECT_EQ(std::string(buffer.data()), std::string(100000, '<'));
}

TEST(XmlParser, EntityPassOverARawTree) {
    // A tree whose strings are still raw, as the pass finds it: children first, then the
    // attribute values, then the text; names stay as written and CDATA text stays raw.
    char name[] = "a&amp;";
    char text[] = "x &lt; y";
    char attributeName[] = "k&gt;";
    char value[] = "&quot;v&quot;";
    char childName[] = "b";
    char childText[] = "&amp;amp;";
    char cdataName[] = "![CDATA";
    char cdataText[] = "&lt;raw&gt;";
    char emptyText[] = "";
    XmlAttribute attribute = {attributeName, value};
    XmlNode children[2] = {{childName, childText, nullptr, 0, nullptr},
                           {cdataName, cdataText, nullptr, 0, nullptr}};
    XmlChildList list = {children, 2};
    XmlNode root = {name, text, &attribute, 1, &list};
    XmlNode top[2] = {root, {emptyText, emptyText, nullptr, 0, nullptr}};
    XmlDocument document = {top, 2, emptyText};
    EXPECT_TRUE(decodeDocument(&document));
    EXPECT_STREQ(name, "a&amp;");
    EXPECT_STREQ(text, "x < y");
    EXPECT_STREQ(attributeName, "k&gt;");
    EXPECT_STREQ(value, "\"v\"");
    EXPECT_STREQ(childText, "&amp;");
    EXPECT_STREQ(cdataText, "&lt;raw&gt;");
    EXPECT_TRUE(decodeNode(&children[0]));
    EXPECT_STREQ(childText, "&");
}

TEST(XmlParser, HtmlModeSkipsVoidTags) {
    EXPECT_EQ(dump("<html><head><META http-equiv=\"x\"><meta name=\"robots\" content=\"none\">"
                   "<title>T</title></head><body><INPUT type=\"a\"><input type=\"b\">"
                   "<p>x</p></body></html>",
                   true),
              "HTML '' {HEAD '' {title 'T'}, BODY '' {p 'x'}}");
    EXPECT_EQ(dump("<META x><a></a>", true), " '' | a ''");
    // In XML mode the same tags are elements and need their end tags.
    EXPECT_EQ(body("<a><META x=\"1\"></a>"), "(none)");
}

TEST(XmlParser, ReleaseTwice) {
    XmlDocument* document = parseDocument((Declaration + "<a><b/></a>").c_str(),
                                          (uint32_t)(Declaration.size() + 11), false);
    ASSERT_NE(document, nullptr);
    EXPECT_TRUE(releaseDocument(document));
    EXPECT_EQ(document->count, 0u);
    EXPECT_EQ(document->nodes, nullptr);
    EXPECT_EQ(document->source, nullptr);
    EXPECT_FALSE(releaseDocument(document));
    heapFree(document);
}

TEST(XmlParser, ChildListsAreNeverEmpty) {
    std::string text = "<a>";
    for (int i = 0; i < 5000; ++i)
        text += "<b k=\"" + std::to_string(i) + "\"/><!-- gap -->";
    text += "<c><!-- only a comment --></c></a>";
    Document parsed(Declaration + text);
    ASSERT_NE(parsed.document, nullptr);
    const XmlNode& a = parsed.document->nodes[1];
    ASSERT_NE(a.children, nullptr);
    ASSERT_EQ(a.children->count, 5001u);
    EXPECT_STREQ(a.children->nodes[4999].attributes[0].value, "4999");
    EXPECT_STREQ(a.children->nodes[5000].name, "c");
    EXPECT_EQ(a.children->nodes[5000].children, nullptr);
}

// Every string of the tree lies inside the copy of the text.
void expectInside(const XmlNode& node, const char* begin, const char* end) {
    for (const char* s : {(const char*)node.name, (const char*)node.text}) {
        EXPECT_TRUE(s >= begin && s + strlen(s) < end);
    }
    for (uint32_t i = 0; i < node.attributeCount; ++i) {
        const XmlAttribute& attribute = node.attributes[i];
        EXPECT_TRUE(attribute.name >= begin && attribute.name + strlen(attribute.name) < end);
        EXPECT_TRUE(attribute.value >= begin && attribute.value + strlen(attribute.value) < end);
    }
    if (node.children) {
        EXPECT_GT(node.children->count, 0u);
        for (uint32_t i = 0; i < node.children->count; ++i)
            expectInside(node.children->nodes[i], begin, end);
    }
}

const std::string Catalog = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                            "<!-- catalog -->\n"
                            "<build id=\"B1\" format=\"2\">\n"
                            "  <zel id=\"QUOLEN\"><xrelease><release id=\"RELEASE\">\n"
                            "    <title><gd path=\"/build/s[@id=t]\">T</gd></title>\n"
                            "    <readme><![CDATA[<p>&amp;</p>]]></readme>\n"
                            "    <v a=\"1&amp;2\">1.03&lt;x&gt;</v><e/>\n"
                            "  </release></xrelease></zel>\n"
                            "</build>\n";

TEST(XmlParser, StaysInsideTheTextWhateverTheLength) {
    // Every prefix of a catalog: only those that reach the root's end tag parse, and a parse
    // never leaves the copy.
    size_t complete = Catalog.find("</build>") + 8;
    for (size_t length = 0; length <= Catalog.size(); ++length) {
        std::vector<char> exact(Catalog.begin(), Catalog.begin() + (long)length);
        XmlDocument* document =
            parseDocument(exact.empty() ? "" : exact.data(), (uint32_t)length, false);
        EXPECT_EQ(document != nullptr, length >= complete) << length;
        if (!document)
            continue;
        for (uint32_t i = 0; i < document->count; ++i)
            expectInside(document->nodes[i], document->source, document->source + length + 1);
        EXPECT_EQ(document->count, 3u);
        releaseDocument(document);
        heapFree(document);
    }
}

TEST(XmlParser, EmbeddedNulBytes) {
    auto withNul = [](const char* a, const char* b) {
        return Declaration + a + std::string(1, '\0') + b;
    };
    // A NUL ends every search: text holding one has no "<" behind it.
    EXPECT_EQ(body(std::string("<a>x") + '\0' + "</a>"), "(none)");
    EXPECT_FALSE(parses(withNul("<a x=\"1", "\"></a>")));
    EXPECT_FALSE(parses(withNul("<!-- c -", "-><a></a>")));
    // A name scan steps over it: the name ends at the NUL as a string, the end tag differs.
    EXPECT_FALSE(parses(withNul("<a", "b></ab>")));
    EXPECT_FALSE(parses(withNul("<a", "")));
    // Behind the root's end tag it is ignored like any other trailing text.
    EXPECT_EQ(dump(withNul("<a>x</a>", "<b></b>")), "?xml @version=1.0 '' | a 'x'");
}

TEST(XmlParser, NestingDepthIsBounded) {
    auto nested = [](int depth) {
        std::string text;
        for (int i = 0; i < depth; ++i)
            text += "<n>";
        for (int i = 0; i < depth; ++i)
            text += "</n>";
        return Declaration + text;
    };
    EXPECT_TRUE(parses(nested(256)));
    EXPECT_FALSE(parses(nested(257)));
    EXPECT_FALSE(parses(nested(100000)));
}

} // namespace
