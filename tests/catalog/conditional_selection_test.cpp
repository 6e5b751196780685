#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "catalog/conditional_selection.h"
#include "catalog/path_query.h"
#include "tests/catalog/test_document.h"

namespace {

const std::string Selector = "/build/s";

// A catalog with one selector whose items carry the given ids, in reverse order so that the
// document order cannot decide the choice; each item holds one data element.
std::string selectorCatalog(const std::string& attributes, const std::vector<std::string>& ids) {
    std::string items;
    for (auto id = ids.rbegin(); id != ids.rend(); ++id)
        items += "<item id=\"" + *id + "\"><data>" + *id + "</data></item>";
    return xmlDocument("<build><s " + attributes + ">" + items + "</s></build>");
}

// The chosen item's id, read back from the data element the path designates, or "(fail)".
std::string choose(const std::string& catalog, const QueryEnvironment& environment,
                   const std::string& dataId = "", const std::string& selector = Selector) {
    Document parsed(catalog);
    EXPECT_NE(parsed.document, nullptr);
    char path[260] = {0};
    strcpy(path, selector.c_str());
    if (!selectConditionalItem(path, sizeof path, dataId.c_str(), parsed.document, &environment)) {
        EXPECT_EQ(std::string(path), selector) << "a failed selection changes the path";
        return "(fail)";
    }
    const XmlNode* data = nullptr;
    EXPECT_TRUE(selectNode(path, parsed.document, &data)) << path;
    return data ? data->text : "(no node)";
}

QueryEnvironment fullEnvironment() {
    QueryEnvironment environment = setupEnvironment(0x0407);
    environment.biosIdChars[0] = 'B'; // the code's second character
    environment.biosIdChars[1] = 'A';
    environment.biosRevision = 0x1F;
    environment.osLanguage = 0x0411;
    environment.osLanguagePrimary = 0x0011;
    strcpy(environment.familyName, "ThinkThing");
    strcpy(environment.machineTypeModel, "1234-5AB");
    strcpy(environment.osVersion, "5.1.2600");
    return environment;
}

struct Order {
    const char* method;
    std::vector<std::string> candidates; // the default D last
};

// Every candidate in turn: with items for it and those after it only, it is the one chosen.
void expectOrder(const Order& order, const QueryEnvironment& environment) {
    std::string attributes = std::string("method=\"") + order.method + "\" default=\"D\"";
    for (size_t first = 0; first < order.candidates.size(); ++first) {
        std::vector<std::string> ids(order.candidates.begin() + first, order.candidates.end());
        ids.push_back("decoy");
        EXPECT_EQ(choose(selectorCatalog(attributes, ids), environment), order.candidates[first])
            << order.method << " candidate " << first;
    }
    EXPECT_EQ(choose(selectorCatalog(attributes, {"decoy"}), environment), "(fail)");
}

TEST(ConditionalSelection, CandidateOrderWithTheLanguageFieldsOnly) {
    QueryEnvironment environment = setupEnvironment(0x0407);
    expectOrder({"LANGUAGE", {"0407", "0007", "D"}}, environment);
    expectOrder({"LANGUAGE.OS", {"0000", "0000", "D"}}, environment);
    for (const char* method : {"BIOSID", "MTM", "OS"})
        expectOrder({method, {"", "", "D"}}, environment);
    expectOrder({"FAMILYNAME", {"", "D"}}, environment);
    // A language id that is its own primary language tries the same id twice.
    expectOrder({"LANGUAGE", {"0009", "0009", "D"}}, setupEnvironment(0x0009));
}

TEST(ConditionalSelection, CandidateOrderWithEveryFieldFilled) {
    QueryEnvironment environment = fullEnvironment();
    expectOrder({"LANGUAGE", {"0407", "0007", "D"}}, environment);
    expectOrder({"LANGUAGE.OS", {"0411", "0011", "D"}}, environment);
    expectOrder({"BIOSID", {"AB.1F", "AB", "D"}}, environment);
    expectOrder({"MTM", {"1234-5AB", "1234", "D"}}, environment);
    expectOrder({"OS", {"5.1.2600", "5.1", "D"}}, environment);
    expectOrder({"FAMILYNAME", {"ThinkThing", "D"}}, environment);
    // Without a separator the whole text is tried twice; a zero BIOS character ends the id.
    strcpy(environment.machineTypeModel, "2179");
    strcpy(environment.osVersion, "10");
    environment.biosIdChars[0] = '\0';
    expectOrder({"MTM", {"2179", "2179", "D"}}, environment);
    expectOrder({"OS", {"10", "10", "D"}}, environment);
    expectOrder({"BIOSID", {"A", "A", "D"}}, environment);
}

TEST(ConditionalSelection, SelectorRequirements) {
    QueryEnvironment environment = setupEnvironment(0x0409);
    std::vector<std::string> ids = {"0409"};
    EXPECT_EQ(choose(selectorCatalog("method=\"LANGUAGE\" default=\"0409\"", ids), environment),
              "0409");
    // Method names are exact.
    EXPECT_EQ(choose(selectorCatalog("method=\"language\" default=\"0409\"", ids), environment),
              "(fail)");
    EXPECT_EQ(choose(selectorCatalog("method=\"LANGUAGE \" default=\"0409\"", ids), environment),
              "(fail)");
    EXPECT_EQ(choose(selectorCatalog("method=\"MTM2\" default=\"0409\"", ids), environment),
              "(fail)");
    // No default, even though the first candidate would match; no method.
    EXPECT_EQ(choose(selectorCatalog("method=\"LANGUAGE\"", ids), environment), "(fail)");
    EXPECT_EQ(choose(selectorCatalog("default=\"0409\"", ids), environment), "(fail)");
    // No child element.
    EXPECT_EQ(choose(selectorCatalog("method=\"LANGUAGE\" default=\"0409\"", {}), environment),
              "(fail)");
    // The first of repeated attributes counts.
    EXPECT_EQ(
        choose(selectorCatalog("method=\"LANGUAGE\" default=\"X\" default=\"0409\"", {"0409", "X"}),
               setupEnvironment(0x0411)),
        "X");
    // No selector at the path.
    EXPECT_EQ(choose(selectorCatalog("method=\"LANGUAGE\" default=\"0409\"", ids), environment, "",
                     "/build/none"),
              "(fail)");
}

TEST(ConditionalSelection, DataIdPicksAmongDataElements) {
    std::string catalog = xmlDocument("<build><s method=\"LANGUAGE\" default=\"0409\">"
                                      "<item id=\"0409\"><data id=\"name\">N</data>"
                                      "<data id=\"title\">T</data></item></s></build>");
    QueryEnvironment environment = setupEnvironment(0x0409);
    EXPECT_EQ(choose(catalog, environment, "title"), "T");
    EXPECT_EQ(choose(catalog, environment, ""), "N");
    EXPECT_EQ(choose(catalog, environment, "other"), "(fail)");

    Document parsed(catalog);
    char path[260] = "/build/s";
    ASSERT_TRUE(selectConditionalItem(path, sizeof path, "title", parsed.document, &environment));
    EXPECT_STREQ(path, "/build/s/item[@id=0409]/data[@id=title]");
}

TEST(ConditionalSelection, PathBufferSizes) {
    Document parsed(selectorCatalog("method=\"MTM\" default=\"D\"", {"1234-5AB", "1234", "D"}));
    QueryEnvironment environment = fullEnvironment();
    const std::string first = Selector + "/item[@id=1234-5AB]/data";
    const std::string second = Selector + "/item[@id=1234]/data";

    // After success the chosen path is followed only by zero bytes up to the full size; the
    // byte beyond is not the selection's.
    char buffer[80];
    memset(buffer, 'x', sizeof buffer);
    strcpy(buffer, Selector.c_str());
    ASSERT_TRUE(selectConditionalItem(buffer, 70, "", parsed.document, &environment));
    EXPECT_EQ(std::string(buffer), first);
    for (size_t i = first.size(); i < 70; ++i)
        ASSERT_EQ(buffer[i], '\0') << i;
    EXPECT_EQ(buffer[70], 'x');

    // One byte short of the first candidate's path: it is skipped and the next one chosen.
    memset(buffer, 0, sizeof buffer);
    strcpy(buffer, Selector.c_str());
    ASSERT_TRUE(
        selectConditionalItem(buffer, (uint32_t)first.size(), "", parsed.document, &environment));
    EXPECT_EQ(std::string(buffer), second);
    // When every candidate is skipped the selection fails and leaves the buffer alone.
    strcpy(buffer, Selector.c_str());
    EXPECT_FALSE(selectConditionalItem(buffer, (uint32_t)second.size() - 3, "", parsed.document,
                                       &environment));
    EXPECT_EQ(std::string(buffer), Selector);
    // A buffer whose path is not terminated inside its size is refused.
    EXPECT_FALSE(selectConditionalItem(buffer, 4, "", parsed.document, &environment));
}

TEST(ConditionalSelection, OverlongCandidatesFailOneByOne) {
    QueryEnvironment environment = fullEnvironment();
    // Defaults at and one beyond each method's limit.
    const std::string eleven(11, 'd'), twelve(12, 'd');
    for (const char* method : {"LANGUAGE", "OS", "MTM", "LANGUAGE.OS"}) {
        std::string attributes = std::string("method=\"") + method + "\" default=\"";
        EXPECT_EQ(choose(selectorCatalog(attributes + eleven + "\"", {eleven}), environment),
                  eleven)
            << method;
        EXPECT_EQ(choose(selectorCatalog(attributes + twelve + "\"", {twelve}), environment),
                  "(fail)")
            << method;
    }
    EXPECT_EQ(
        choose(selectorCatalog("method=\"BIOSID\" default=\"1234567\"", {"1234567"}), environment),
        "1234567");
    EXPECT_EQ(choose(selectorCatalog("method=\"BIOSID\" default=\"12345678\"", {"12345678"}),
                     environment),
              "(fail)");
    const std::string family127(127, 'f'), family128(128, 'f');
    EXPECT_EQ(
        choose(selectorCatalog("method=\"FAMILYNAME\" default=\"" + family127 + "\"", {family127}),
               environment),
        family127);
    EXPECT_EQ(
        choose(selectorCatalog("method=\"FAMILYNAME\" default=\"" + family128 + "\"", {family128}),
               environment),
        "(fail)");

    // Machine facts beyond their slots: that candidate fails and the next one is tried.
    memset(environment.familyName, 'f', 128);
    environment.familyName[128] = '\0';
    EXPECT_EQ(choose(selectorCatalog("method=\"FAMILYNAME\" default=\"D\"", {family128, "D"}),
                     environment),
              "D");
    memset(environment.machineTypeModel, '1', sizeof environment.machineTypeModel);
    memset(environment.osVersion, '5', sizeof environment.osVersion);
    const std::string unterminated(12, '1');
    EXPECT_EQ(
        choose(selectorCatalog("method=\"MTM\" default=\"D\"", {unterminated, "D"}), environment),
        "D");
    EXPECT_EQ(choose(selectorCatalog("method=\"OS\" default=\"D\"", {std::string(12, '5'), "D"}),
                     environment),
              "D");
}

} // namespace
