// The standard label: one SIO-Label field on every item that leaves classified, naming the
// policy and the level in an ADatP-4774 label, as the level stands when it leaves.
#include "classify/label_reading.h"
#include "classify/standard_label.h"
#include "com/text.h"
#include "diag/session_log.h"
#include "sim/transport.h"
#include "test_support.h"

using testing_support::AddInTest;
using testing_support::DropDown;

namespace {

std::string Label(sim::MailItem* m) {
  const auto* v = m->message->Find(PS_INTERNET_HEADERS_ID, "SIO-Label");
  return v ? v->text : std::string("(none)");
}

// The label's base64, its continuations joined in order (as a reader joins them), decoded.
std::string DecodedLabel(const std::string& field) {
  std::string joined;
  for (int n = 0;; ++n) {
    const std::string name = "label*" + std::to_string(n) + "=\"";
    const size_t at = field.find(name);
    if (at == std::string::npos) break;
    const size_t start = at + name.size();
    joined += field.substr(start, field.find('"', start) - start);
  }
  std::string bytes;
  EXPECT_TRUE(DecodeBase64(joined, &bytes)) << joined;
  return bytes;
}

class StandardLabel : public AddInTest {};

// The ESS label of RFC 7444's own example (policy 1.1, classification 3: "MQYGASkCAQM="),
// the shortest two's complement of each number, and the object identifiers a policy may give.
TEST_F(StandardLabel, TheEssLabelIsTheRfcsOwnExampleInDer) {
  EXPECT_EQ(EssLabelDer("1.1", 3), std::string("\x31\x06\x06\x01\x29\x02\x01\x03", 8));
  EXPECT_EQ(EssLabelDer("1.1", -1), std::string("\x31\x03\x06\x01\x29", 5));
  EXPECT_EQ(EssLabelDer("2.999.1", 0), std::string("\x31\x08\x06\x03\x88\x37\x01\x02\x01\x00", 10));
  EXPECT_EQ(EssLabelDer("1.1", 200).substr(5), std::string("\x02\x02\x00\xC8", 4));
  EXPECT_EQ(EssLabelDer("1.1", 256).substr(5), std::string("\x02\x02\x01\x00", 4));
  for (const char* oid : {"1.3.6.1.4.1.99999.1", "2.999", "0.39.123456789"}) EXPECT_TRUE(IsObjectIdentifier(oid)) << oid;
  for (const char* bad : {"", "1", "3.1", "1.40", "1.03", "1..2", "1.2.", "1.2.1234567890", "1.2.x"}) {
    EXPECT_FALSE(IsObjectIdentifier(bad)) << bad;
    EXPECT_EQ(EssLabelDer(bad, 1), "") << bad;
  }
  for (const char* n : {"0", "4", "256"}) EXPECT_TRUE(IsClassificationNumber(n)) << n;
  for (const char* bad : {"", "-1", "257", "007", "1x"}) EXPECT_FALSE(IsClassificationNumber(bad)) << bad;
}

TEST_F(StandardLabel, ColoursAreTheRfcsAndWrittenOneWay) {
  std::string text, background;
  EXPECT_TRUE(ColorPair(" #00ff00 / Fuschia ", &text, &background));
  EXPECT_EQ(text + " " + background, "#00FF00 #FF00FF");
  EXPECT_TRUE(ColorPair("BLACK/orange", &text, &background));
  EXPECT_EQ(text + " " + background, "black orange");
  for (const char* bad : {"black", "black/", "#12345G/white", "black/pink", "#1234567/white", ""})
    EXPECT_FALSE(ColorPair(bad, nullptr, nullptr)) << bad;
}

// The field follows the level until Send, names the policy and the level in a label whose
// values are escaped, stays within its lines, and goes with a program's meeting request too.
// (Without the policy nothing is written: every other test's mail shows none.)
TEST_F(StandardLabel, EveryItemThatLeavesCarriesOneFieldOfItsLevel) {
  SettingsDefaults& d = ClassificationSettings::NextDefaults();
  d.StandardLabel = StandardLabelKind::Xml;
  d.LabelPolicyIdentifier = "A&B <Policy>";
  d.LabelMarkings = "ACME PUBLIC;;ACME SECRET \xC3\x89T\xC3\x89";
  d.LabelColors = "black/yellow";
  StartOutlook();
  sim::Inspector* w = outlook.Compose(1, "Plans", "The plans.");
  DropDown(w)->Choose(2);
  EXPECT_EQ(Label(w->mail()).rfind("fgcolor=white; bgcolor=blue; marking=\"CONFIDENTIAL\"; type=\":xml\"; label*0=\"", 0),
            0u) << Label(w->mail());
  DropDown(w)->Choose(3);
  sim::MailItem* sent = w->mail();
  ASSERT_TRUE(outlook.Send(w));
  const std::string field = Label(sent);
  EXPECT_EQ(field.rfind("fgcolor=white; bgcolor=red; marking*=utf-8''ACME%20SECRET%20%C3%89T%C3%89;", 0), 0u) << field;
  EXPECT_EQ(DecodedLabel(field), ConfidentialityLabelXml("A&B <Policy>", "SECRET"));
  EXPECT_NE(DecodedLabel(field).find("<slab:PolicyIdentifier>A&amp;B &lt;Policy&gt;</slab:PolicyIdentifier>"),
            std::string::npos);
  const std::string eml = sim::WriteEml(*sent);
  size_t fields = 0;
  for (size_t at = 0; (at = eml.find("\r\nSIO-Label: ", at)) != std::string::npos; ++at) ++fields;
  EXPECT_EQ(fields, 1u) << eml;
  const std::string head = eml.substr(0, eml.find("\r\n\r\n") + 2);
  for (size_t start = 0, end; (end = head.find("\r\n", start)) != std::string::npos; start = end + 2)
    EXPECT_LE(end - start, 78u) << head.substr(start, end - start);

  sim::MailItem* meeting = world.Make<sim::MailItem>(53L);
  meeting->subject = u"Board";
  ASSERT_TRUE(outlook.SendByProgram(meeting));
  EXPECT_EQ(Label(meeting).rfind("fgcolor=black; bgcolor=yellow; marking=\"ACME PUBLIC\";", 0), 0u) << Label(meeting);
}

}  // namespace

namespace {

// The level a received header block's labels give, and what the log would be told.
LabelReading Read(const std::string& headers) {
  SettingsDefaults d = SettingsDefaults::Compiled();
  d.StandardLabel = StandardLabelKind::Ess;
  d.LabelPolicyOid = "1.1";
  d.LabelMarkings = ";;EXAMPLE SECRET";
  d.LabelPolicyIdentifier = "ACME";
  d.LabelClassifications = ";ACME CONF";
  d.PartnerLabels = "{F42AA342-8706-4288-BD11-EBB85995028C}=SECRET; 0c2d7b8e-1a1f-4f0e-9d6e-52b3a1e0c001=CONFIDENTIAL;"
                    "0c2d7b8e-1a1f-4f0e-9d6e-52b3a1e0c002=COSMIC";
  ClassificationSettings s(d);
  return LevelFromLabels(s, headers + "Subject: x\r\n");
}

// A field carrying an XML label of the policy namespace's elements (prefix slab).
std::string XmlField(const std::string& root, const std::string& inside, const std::string& before = "") {
  const std::string xml = before + "<slab:" + root + " xmlns:slab=\"urn:nato:stanag:4774:confidentialitymetadatalabel:1:0\">" +
                          inside + "</slab:" + root + ">";
  return "SIO-Label: marking=\"x\"; type=\":xml\"; label=\"" + Base64(xml) + "\"\r\n";
}
std::string Information(const std::string& policy, const std::string& classification, const std::string& more = "") {
  return "<slab:ConfidentialityInformation><slab:PolicyIdentifier>" + policy + "</slab:PolicyIdentifier><slab:Classification>" +
         classification + "</slab:Classification>" + more + "</slab:ConfidentialityInformation>";
}

}  // namespace

// What arrives is read as the policy says and nothing more: the RFC's own ESS example of the
// policy's OID, a marking alone or beside a label of an unknown type, in any of RFC 2231's
// forms and folded; another policy, broken base64 or parameters, a missing piece and a second
// field give no level, and say why.
TEST_F(StandardLabel, ReceivedLabelsGiveALevelOnlyAsThePolicyReadsThem) {
  const std::string ess = "SIO-Label: marking=\"EXAMPLE CONFIDENTIAL\"; fgcolor=black; bgcolor=red; type=\":ess\";";
  const struct {
    std::string headers;
    int level;
    const char* note;
  } cases[] = {
      {ess + " label=\"MQYGASkCAQM=\"\r\n", 2, ""},  // policy 1.1, ESS confidential
      {"sio-label:  marking=\"EXAMPLE\r\n SECRET\"\r\n", 3, ""},
      {"SIO-Label: marking*=utf-8''EXAMPLE%20SECRET; type=\"urn:example:other\"; label=\"eA==\"\r\n", 3, ""},
      {"SIO-Label: marking*0=\"EXAMPLE \"; marking*1=\"SECRET\"\r\n", 3, ""},
      // A length past 127 octets in its long form: a privacy mark of 130 characters.
      {ess + " label=\"" + Base64(std::string("\x31\x81\x8b\x06\x01\x29\x02\x01\x03\x13\x81\x82", 12) + std::string(130, 'A')) +
           "\"\r\n",
       2, ""},
      {ess + " label=\"MQYGASoCAQQ=\"\r\n", 0, "of the policy 1.2, not this one's"},
      {ess + " label=\"MQYGASkCAQM\"\r\n", 0, "ESS label does not parse"},
      {ess + " label=\"MQMGASk=\"\r\n", 0, "has no classification"},
      {"SIO-Label: marking*0=\"EXAMPLE \"; marking*2=\"SECRET\"\r\n", 0, "does not parse"},
      {"SIO-Label: marking=\"EXAMPLE SECRET\r\n", 0, "does not parse"},
      {"SIO-Label: marking=\"EXAMPLE SECRET\"; marking=\"X\"\r\n", 0, "does not parse"},
      {"SIO-Label: type=\":ess\"\r\n", 0, "type without a label"},
      {"SIO-Label: marking=\"PUBLIC\"\r\n", 0, "none of the policy's"},
      {"SIO-Label: marking=\"EXAMPLE SECRET\"\r\nSIO-Label: marking=\"EXAMPLE SECRET\"\r\n", 0, "2 SIO-Label fields"},
      {"X-SIO-Label: marking=\"EXAMPLE SECRET\"\r\n", 0, ""},
      // ADatP-4774 labels: either root, blanks as xs:token reads them, categories after.
      {XmlField("originatorConfidentialityLabel", Information("ACME", "SECRET")), 3, ""},
      {XmlField("ConfidentialityLabel", Information(" ACME\n", "\tACME \n CONF",
                                                    "<slab:Category TagName=\"Releasable To\" Type=\"PERMISSIVE\">"
                                                    "<slab:GenericValue>SWE</slab:GenericValue></slab:Category>"),
                "<?xml version=\"1.0\" encoding=\"UTF-8\"?><!-- a comment -->"),
       2, ""},
      {XmlField("originatorConfidentialityLabel", Information("NATO", "SECRET")), 0, "the policy 'NATO'"},
      {XmlField("originatorConfidentialityLabel", Information("ACME", "COSMIC")), 0, "'COSMIC' is no level"},
      {XmlField("originatorConfidentialityLabel", Information("ACME", "&e;"),
                "<!DOCTYPE slab:originatorConfidentialityLabel [<!ENTITY e SYSTEM \"file:///etc/hostname\">]>"),
       0, "carries a DTD"},
      {XmlField("originatorConfidentialityLabel", Information("ACME", "SECRET") + "<slab:x>"), 0, "does not parse"},
      {XmlField("metadataLabel", Information("ACME", "SECRET")), 0, "no ADatP-4774"},
      {XmlField("originatorConfidentialityLabel", Information("ACME", "SECRET") + Information("ACME", "SECRET")), 0,
       "no ADatP-4774"},
      {XmlField("originatorConfidentialityLabel",
                "<slab:ConfidentialityInformation><slab:Classification>SECRET</slab:Classification>"
                "<slab:PolicyIdentifier>ACME</slab:PolicyIdentifier></slab:ConfidentialityInformation>"),
       0, "no ADatP-4774"},
      {XmlField("originatorConfidentialityLabel", Information("ACME", "<b><b><b><b><b><b>SECRET</b></b></b></b></b></b>")), 0,
       "does not parse"},
      // A partner's sensitivity labels, enabled and named in PartnerLabels; the higher of two
      // sources wins and the disagreement is said.
      {"msip_labels: MSIP_Label_f42aa342-8706-4288-bd11-ebb85995028c_Enabled=True;\r\n"
       " MSIP_Label_f42aa342-8706-4288-bd11-ebb85995028c_SiteId=3b2f5c1e-0000-4000-8000-000000000001;\r\n",
       3, ""},
      {"msip_labels: MSIP_Label_0c2d7b8e-1a1f-4f0e-9d6e-52b3a1e0c001_Enabled=false\r\n", 0, "not enabled"},
      {"msip_labels: MSIP_Label_0c2d7b8e-1a1f-4f0e-9d6e-52b3a1e0c002_Enabled=true\r\n", 0, "'COSMIC', no level"},
      {"msip_labels: MSIP_Label_00000000-1a1f-4f0e-9d6e-52b3a1e0c001_Enabled=True\r\n", 0, "no label of a partner"},
      {"SIO-Label: marking=\"EXAMPLE SECRET\"\r\n"
       "MSIP_Labels: MSIP_Label_0C2D7B8E-1A1F-4F0E-9D6E-52B3A1E0C001_Enabled=True\r\n",
       3, "The SIO-Label field gives level 3, the msip_labels field 2: 3, the higher"},
      {"SIO-Label: type=\":xml\"; label=\"" + Base64("<ConfidentialityLabel><ConfidentialityInformation>"
                                                    "<PolicyIdentifier>ACME</PolicyIdentifier><Classification>SECRET"
                                                    "</Classification></ConfidentialityInformation></ConfidentialityLabel>") +
           "\"\r\n",
       0, "no ADatP-4774"},
  };
  for (const auto& c : cases) {
    const LabelReading r = Read(c.headers);
    EXPECT_EQ(r.level, c.level) << c.headers;
    EXPECT_NE(r.note.find(c.note), std::string::npos) << c.headers << r.note;
    if (!*c.note) {
      EXPECT_EQ(r.note, "") << c.headers;
    }
  }
  std::string bytes;
  EXPECT_TRUE(DecodeBase64("MQYGASkCAQM=", &bytes));
  std::string oid;
  int number = 0;
  ASSERT_TRUE(ParseEssLabel(bytes, &oid, &number));
  EXPECT_EQ(oid + " " + std::to_string(number), "1.1 3");
  ASSERT_TRUE(ParseEssLabel(EssLabelDer("2.999.1", 256), &oid, &number));
  EXPECT_EQ(oid + " " + std::to_string(number), "2.999.1 256");
}

// End to end: a message arrives with its own header at SECRET and a label at CONFIDENTIAL; a
// reply starts at the higher, and the log says which gave what.
TEST_F(StandardLabel, TheHigherOfTheOwnLevelAndTheLabelsWins) {
  SettingsDefaults& d = ClassificationSettings::NextDefaults();
  d.StandardLabel = StandardLabelKind::Ess;
  d.LabelPolicyOid = "1.1";
  SessionLog::SetDefaultEnabled(true);
  StartOutlook();
  std::string error;
  const std::string both = "Subject: Both\r\nX-Orvan-classification: 3 - SECRET\r\n"
                           "SIO-Label: marking=\"CONFIDENTIAL\"; type=\":ess\"; label=\"MQYGASkCAQM=\"\r\n\r\nText.";
  const std::string label = "Subject: Label\r\nSIO-Label: marking=\"CONFIDENTIAL\"; type=\":ess\"; label=\"MQYGASkCAQM=\"\r\n\r\nText.";
  sim::Inspector* first = outlook.Open(outlook.Receive(both, &error));
  sim::Inspector* reply = outlook.Respond(first, sim::Outlook::kReply);
  EXPECT_EQ(DropDown(reply)->listIndex, 3);
  sim::Inspector* second = outlook.Open(outlook.Receive(label, &error));
  EXPECT_EQ(DropDown(outlook.Respond(second, sim::Outlook::kReply))->listIndex, 2);
  EXPECT_NE(LogText().find("The SIO-Label field gives level 2, the message's own property or header 3: 3, the higher"),
            std::string::npos)
      << LogText();
}
