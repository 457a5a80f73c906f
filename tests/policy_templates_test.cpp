// The Group Policy templates an administrator puts into the central store, checked as the
// Group Policy editor reads them: well-formed, valid against the PolicyDefinitions element
// rules, every reference resolved, and every setting the one the add-in reads, of its kind.
#include <libxml/parser.h>
#include <libxml/xmlschemas.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>
#include <map>
#include <set>
#include <sstream>
#include "classify/group_policy.h"
#include "orvan_policy.h"
#include "templates.h"
#include "test_support.h"

using testing_support::AddInTest;
using testing_support::TempDir;

namespace {

const std::string kTable = ORVAN_SOURCE_DIR "/cmake/default.policy";
const char kNs[] = "http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions";

struct Doc {
  explicit Doc(const std::string& path) : doc(xmlReadFile(path.c_str(), nullptr, XML_PARSE_NONET)) {}
  ~Doc() {
    if (doc) xmlFreeDoc(doc);
  }
  // The values of an XPath over the document (prefix pd: the PolicyDefinitions namespace).
  std::vector<std::string> All(const std::string& path) const {
    std::vector<std::string> out;
    xmlXPathContextPtr ctx = xmlXPathNewContext(doc);
    xmlXPathRegisterNs(ctx, BAD_CAST "pd", BAD_CAST kNs);
    xmlXPathObjectPtr result = xmlXPathEvalExpression(BAD_CAST path.c_str(), ctx);
    if (result && result->nodesetval)
      for (int i = 0; i < result->nodesetval->nodeNr; ++i) {
        xmlChar* text = xmlNodeGetContent(result->nodesetval->nodeTab[i]);
        out.push_back(text ? reinterpret_cast<const char*>(text) : "");
        xmlFree(text);
      }
    xmlXPathFreeObject(result);
    xmlXPathFreeContext(ctx);
    return out;
  }
  xmlDocPtr doc;
};

std::string SchemaErrors(const Doc& d) {
  std::string errors;
  xmlSchemaParserCtxtPtr parser = xmlSchemaNewParserCtxt(ORVAN_SOURCE_DIR "/tests/policy/policy_definitions.xsd");
  xmlSchemaPtr schema = xmlSchemaParse(parser);
  xmlSchemaValidCtxtPtr valid = xmlSchemaNewValidCtxt(schema);
  xmlSchemaSetValidStructuredErrors(
      valid, [](void* out, xmlErrorPtr e) { *static_cast<std::string*>(out) += e->message ? e->message : "?"; },
      &errors);
  if (!schema) errors = "the schema does not load";
  else if (xmlSchemaValidateDoc(valid, d.doc) != 0 && errors.empty()) errors = "invalid";
  xmlSchemaFreeValidCtxt(valid);
  xmlSchemaFree(schema);
  xmlSchemaFreeParserCtxt(parser);
  return errors;
}

class PolicyTemplates : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(policy_templates::ReadOptions(kTable, &options));
    const std::string dir = out.path().string();
    ASSERT_TRUE(policy_templates::WriteAdmx(options, dir + "/Orvan.admx"));
    for (const auto& language : policy_templates::kTemplateLanguages) {
      std::filesystem::create_directories(dir + "/" + language.folder);
      ASSERT_TRUE(policy_templates::WriteAdml(options, dir + "/" + language.folder + "/Orvan.adml", language.code));
    }
  }
  TempDir out;
  std::vector<policy_templates::Option> options;
};

TEST_F(PolicyTemplates, AreWellFormedAndFollowThePolicyDefinitionsRules) {
  Doc admx(out.path() / "Orvan.admx");
  ASSERT_NE(admx.doc, nullptr);
  EXPECT_EQ(SchemaErrors(admx), "");
  for (const auto& language : policy_templates::kTemplateLanguages) {
    Doc adml(out.path() / language.folder / "Orvan.adml");
    ASSERT_NE(adml.doc, nullptr) << language.folder;
    EXPECT_EQ(SchemaErrors(adml), "") << language.folder;
  }
}

// In every language: each string and presentation the ADMX names, and each setting's own
// explanation (an untranslated one would read as English in a French or German editor).
TEST_F(PolicyTemplates, EveryReferenceResolvesInTheLanguageFile) {
  Doc admx(out.path() / "Orvan.admx"), english(out.path() / "en-US" / "Orvan.adml");
  for (const auto& language : policy_templates::kTemplateLanguages) {
    SCOPED_TRACE(language.folder);
    Doc adml(out.path() / language.folder / "Orvan.adml");
    for (const auto& o : options)
      if (*language.code) {
        const std::string explain = "//pd:string[@id='" + o.name + "_Explain']";
        EXPECT_NE(adml.All(explain), english.All(explain)) << o.name;
      }
    std::set<std::string> strings, presentations;
    for (const std::string& id : adml.All("//pd:stringTable/pd:string/@id")) EXPECT_TRUE(strings.insert(id).second) << id;
    for (const std::string& id : adml.All("//pd:presentation/@id")) presentations.insert(id);
    for (const std::string& ref : admx.All("//@displayName | //@explainText")) {
      ASSERT_EQ(ref.rfind("$(string.", 0), 0u) << ref;
      EXPECT_TRUE(strings.count(ref.substr(9, ref.size() - 10))) << ref;
    }
    for (const std::string& ref : admx.All("//pd:policy/@presentation"))
      EXPECT_TRUE(presentations.count(ref.substr(15, ref.size() - 16))) << ref;
    // A presentation's control names an element of its own policy.
    for (const std::string& id : presentations) {
      const auto refIds = adml.All("//pd:presentation[@id='" + id + "']/*/@refId");
      ASSERT_EQ(refIds.size(), 1u) << id;
      EXPECT_EQ(admx.All("//pd:policy[@name='" + id + "']/pd:elements/*[@id='" + refIds[0] + "']").size(), 1u) << id;
    }
  }
}

// Each setting is a value the add-in reads, under its key, with the element and the
// presentation of its kind.
TEST_F(PolicyTemplates, EverySettingIsAValueTheAddInReadsOfItsKind) {
  Doc admx(out.path() / "Orvan.admx"), adml(out.path() / "en-US" / "Orvan.adml");
  std::map<std::string, std::string> read = {
#define ORVAN_TEST_VALUE(name, option, kind, ...) {#name, kind},
      ORVAN_GROUP_POLICY(ORVAN_TEST_VALUE)
#undef ORVAN_TEST_VALUE
  };
  EXPECT_EQ(admx.All("//pd:policy/@name").size(), read.size());
  for (const auto& [name, kind] : read) {
    const std::string policy = "//pd:policy[@name='" + name + "' and @key='" + kGroupPolicyKey + "' and @class='Both']";
    ASSERT_EQ(admx.All(policy).size(), 1u) << name;
    const std::string element = policy + "/pd:elements/*[@valueName='" + name + "']";
    const std::string first = kind.substr(0, kind.find(' '));
    const std::map<std::string, std::pair<std::string, std::string>> shapes = {
        {"flag", {"boolean", "checkBox"}},  {"number", {"decimal", "decimalTextBox"}},
        {"level", {"decimal", "decimalTextBox"}},
        {"choice", {"enum", "dropdownList"}}, {"pick", {"enum", "dropdownList"}},
        {"text", {"text", "textBox"}},       {"levels", {"text", "textBox"}},
        {"word", {"text", "textBox"}},       {"domains", {"text", "textBox"}},
        {"list", {"text", "textBox"}},       {"colors", {"text", "textBox"}},
        {"numbers", {"text", "textBox"}},    {"oid", {"text", "textBox"}},
        {"partners", {"text", "textBox"}}};
    const auto& shape = shapes.at(first);
    EXPECT_EQ(admx.All(element + "[local-name()='" + shape.first + "']").size(), 1u) << name;
    EXPECT_EQ(adml.All("//pd:presentation[@id='" + name + "']/pd:" + shape.second).size(), 1u) << name;
    if (first == "number" || first == "level") {
      EXPECT_EQ(admx.All(element + "/@minValue")[0] + " " + admx.All(element + "/@maxValue")[0],
                kind.substr(first.size() + 1))
          << name;
    }
    if (first == "choice") {
      EXPECT_FALSE(admx.All(element + "//pd:decimal").empty()) << name;
    }
    if (first == "pick") {
      EXPECT_FALSE(admx.All(element + "//pd:string").empty()) << name;
    }
  }
}

class PolicyRegistryFile : public AddInTest {};

// An organisation's policy file as a registry file: imported, the standard add-in takes it.
TEST_F(PolicyRegistryFile, AcmesPolicyFileBecomesValuesTheAddInTakes) {
  std::vector<policy_templates::Option> options;
  ASSERT_TRUE(policy_templates::ReadOptions(kTable, &options));
  std::ostringstream reg;
  ASSERT_EQ(policy_templates::WriteReg(options, ORVAN_SOURCE_DIR "/examples/acme.policy", false, reg), 0);
  std::string error;
  ASSERT_TRUE(portable_registry::Import(reg.str(), &error)) << error << "\n" << reg.str();
  EXPECT_NE(reg.str().find("\"RequireSelection\"=dword:00000001"), std::string::npos) << reg.str();
  StartOutlook();
  EXPECT_TRUE(world.events.empty()) << world.events.front().text;
  sim::Inspector* w = outlook.Compose(1, "Plans", "x");
  ASSERT_NE(testing_support::DropDown(w), nullptr);
  EXPECT_EQ(testing_support::DropDown(w)->entries,
            (std::vector<std::string>{"PUBLIC", "INTERNAL", "RESTRICTED", "Select Level"}));
  EXPECT_EQ(testing_support::DropDown(w)->tooltip, "Classification (Acme)");
  testing_support::DropDown(w)->Choose(2);
  ASSERT_TRUE(outlook.Send(w));
  EXPECT_NE(w->mail()->message->Find(PS_INTERNET_HEADERS_ID, "X-Acme-classification"), nullptr);
}

}  // namespace
