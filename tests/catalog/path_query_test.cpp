#include <gtest/gtest.h>

#include <string>

#include "catalog/path_query.h"
#include "tests/catalog/test_document.h"

namespace {

const char CatalogText[] = "<?xml version=\"1.0\"?>\n"
                           "<!-- release data -->\n"
                           "<build id=\"X\">\n"
                           "  <zel id=\"QUOLEN\"><xrelease>\n"
                           "    <release id=\"OLD\"><title>old</title></release>\n"
                           "    <release id=\"RELEASE\">\n"
                           "      <title>new<![CDATA[raw <text>]]></title>\n"
                           "      <item id=\"0407\">de</item>\n"
                           "      <item id=\"0409\">en-1</item>\n"
                           "      <item id=\"0409\">en-2</item>\n"
                           "      <item id=\"A\" id=\"0411\">ja</item>\n"
                           "      <item id=\"a/b\">slash</item>\n"
                           "      <item id=\"q\" ID=\"upper\">case</item>\n"
                           "      <Item id=\"0409\">capital</Item>\n"
                           "      <empty/>\n"
                           "    </release>\n"
                           "  </xrelease></zel>\n"
                           "</build>\n";

class PathQuery : public ::testing::Test {
  protected:
    Document catalog{CatalogText};
    XmlDocument* document = catalog.document;
    void SetUp() override { ASSERT_NE(document, nullptr); }
    // The text of the node at path, or "(fail)".
    std::string text(const std::string& path) {
        const XmlNode* node = nullptr;
        if (!selectNode(path.c_str(), document, &node))
            return "(fail)";
        return node->text;
    }
    std::string name(const std::string& path) {
        const XmlNode* node = nullptr;
        if (!selectNode(path.c_str(), document, &node))
            return "(fail)";
        return node->name;
    }
};

const std::string Release = "/build/zel[@id=QUOLEN]/xrelease/release[@id=RELEASE]";

TEST_F(PathQuery, RootAndEmptySteps) {
    EXPECT_STREQ(findRootElement(document)->name, "build");
    EXPECT_EQ(name("/build"), "build");
    EXPECT_EQ(name("/"), "(fail)");
    EXPECT_EQ(name(""), "(fail)");
    EXPECT_EQ(name("build"), "(fail)");
    EXPECT_EQ(name("/build/"), "build");
    EXPECT_EQ(name("/build//zel"), "build");
    EXPECT_EQ(name("/build//no/such/steps"), "build");
    EXPECT_EQ(name("/build/zel/"), "zel");
    // The first step is compared whole, a predicate included.
    EXPECT_EQ(name("/build[@id=X]"), "(fail)");
    EXPECT_EQ(name("/Build"), "(fail)");
    EXPECT_EQ(name("/buil"), "(fail)");
}

TEST_F(PathQuery, PlainAndPredicateSteps) {
    EXPECT_EQ(text("/build/zel/xrelease/release/title"), "old");
    EXPECT_EQ(text(Release + "/title"), "new");
    EXPECT_EQ(text(Release + "/item[@id=0407]"), "de");
    EXPECT_EQ(text(Release + "/item[@id=0409]"), "en-1");
    EXPECT_EQ(text(Release + "/item"), "de");
    // A repeated attribute name matches with its later occurrence.
    EXPECT_EQ(text(Release + "/item[@id=0411]"), "ja");
    EXPECT_EQ(text(Release + "/item[@id=A]"), "ja");
    // Whatever follows the "]" is ignored.
    EXPECT_EQ(text(Release + "/item[@id=0409]xyz"), "en-1");
    EXPECT_EQ(text("/build/zel[@id=QUOLEN]xyz/xrelease/release[@id=OLD]/title"), "old");
    // The value is raw: quotes are part of it.
    EXPECT_EQ(text(Release + "/item[@id=\"0409\"]"), "(fail)");
    EXPECT_EQ(text(Release + "/item[@id=]"), "(fail)");
}

TEST_F(PathQuery, ComparisonsAreExact) {
    EXPECT_EQ(text(Release + "/Item"), "capital");
    EXPECT_EQ(text(Release + "/item[@id=0409]/x"), "(fail)");
    EXPECT_EQ(text(Release + "/ITEM"), "(fail)");
    EXPECT_EQ(text(Release + "/item[@ID=0409]"), "(fail)");
    EXPECT_EQ(text(Release + "/item[@ID=upper]"), "case");
    EXPECT_EQ(text(Release + "/item[@id=Q]"), "(fail)");
    EXPECT_EQ(text(Release + "/item[@id=04]"), "(fail)");
    EXPECT_EQ(text(Release + "/ite"), "(fail)");
}

TEST_F(PathQuery, MalformedPredicatesFail) {
    EXPECT_EQ(text(Release + "/item[id=0409]"), "(fail)");
    EXPECT_EQ(text(Release + "/item[@id0409]"), "(fail)");
    EXPECT_EQ(text(Release + "/item[@id=0409"), "(fail)");
    EXPECT_EQ(text(Release + "/item["), "(fail)");
    // Every "/" separates steps, even inside a predicate value.
    EXPECT_EQ(text(Release + "/item[@id=a/b]"), "(fail)");
    // A step at a node without children fails, whatever its form.
    EXPECT_EQ(text(Release + "/empty/x"), "(fail)");
    EXPECT_EQ(text(Release + "/empty/x[bad"), "(fail)");
}

TEST_F(PathQuery, CdataSteps) {
    EXPECT_EQ(text(Release + "/title/![CDATA"), "raw <text>");
    EXPECT_EQ(name(Release + "/title/![CDATA"), "![CDATA");
    // A step beginning with "!" is a plain name, "[" and all.
    EXPECT_EQ(text(Release + "/title/![CDATA[@x=y]"), "(fail)");
}

TEST_F(PathQuery, PathLengthLimit) {
    // 259 bytes fit the working buffer; 260 are refused even where every step would match.
    std::string fits = "/build/";
    fits += std::string(259 - fits.size(), '/');
    ASSERT_EQ(fits.size(), 259u);
    EXPECT_EQ(name(fits), "build");
    std::string tooLong = fits + "/";
    EXPECT_EQ(name(tooLong), "(fail)");
    std::string longStep = Release + "/title" + std::string(259 - Release.size() - 6, '/');
    ASSERT_EQ(longStep.size(), 259u);
    EXPECT_EQ(text(longStep), "new");
    EXPECT_EQ(text(longStep + "/"), "(fail)");
    EXPECT_FALSE(selectNode(std::string(5000, '/').c_str(), document, nullptr));
}

TEST(PathQueryRoot, FirstTopLevelNodeNamedWithALetter) {
    Document skipped("<?xml version=\"1.0\"?><!DOCTYPE x><!-- c --><_a></_a><\xC3\xA9></\xC3\xA9>"
                     "<9></9><Root><k/></Root><other></other>");
    ASSERT_NE(skipped.document, nullptr);
    ASSERT_EQ(skipped.document->count, 8u);
    const XmlNode* root = findRootElement(skipped.document);
    ASSERT_NE(root, nullptr);
    EXPECT_STREQ(root->name, "Root");
    const XmlNode* node = nullptr;
    EXPECT_TRUE(selectNode("/Root/k", skipped.document, &node));
    EXPECT_STREQ(node->name, "k");
    EXPECT_FALSE(selectNode("/other", skipped.document, &node));

    Document rootless("<?xml version=\"1.0\"?><!-- c --><_a></_a>");
    ASSERT_NE(rootless.document, nullptr);
    EXPECT_EQ(findRootElement(rootless.document), nullptr);
    EXPECT_FALSE(selectNode("/_a", rootless.document, &node));

    XmlDocument empty = {};
    EXPECT_EQ(findRootElement(&empty), nullptr);
    EXPECT_FALSE(selectNode("/a", &empty, &node));
}

} // namespace
