// The standard labels of a received message, read as the policy says and nothing more: an
// RFC 7444 SIO-Label field whose ADatP-4774 or ESS label names the policy (its classification
// mapped back through LabelClassifications or LabelClassValues), or, with no label or one of
// a type the add-in does not know, whose marking is one of the policy's markings; and a
// partner's enabled label in an msip_labels field, as PartnerLabels maps it. What does not
// parse, names another policy or maps to no level gives no level and is said, never guessed.
// Every parser here is bounded: the text comes from outside.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include "classify/settings.h"

struct LabelReading {
  int level = 0;     // 0: the labels give none
  std::string note;  // for the session log: what was ignored or disagreed; empty when all was read
  const char* source = "The labels";  // which field gave the level
};
// SIO-Label is read where the policy writes standard labels itself (StandardLabel not none),
// msip_labels where it names partners' labels (PartnerLabels); the higher of the two wins.
LabelReading LevelFromLabels(const ClassificationSettings& settings, std::string_view headers);

// The RFC 2231 parameters of a field's value: names in lower case, continuations joined in
// order, extended values decoded to their bytes (utf-8 or us-ascii only). False when the
// value does not parse: a broken quote or token, a name given twice, a missing piece.
bool ParseParameters(std::string_view value, std::map<std::string, std::string>* out);

// Base64 as RFC 4648 writes it (padding, the bits it leaves over zero, no other characters;
// blanks between pieces are the caller's to remove). False when it is not.
bool DecodeBase64(std::string_view text, std::string* bytes);

// The PolicyIdentifier and Classification of an ADatP-4774 confidentiality label (either
// root the standard names), each with xs:token's blanks. XML with a DTD or nested deeper than
// any label is refused, as is a label without exactly one ConfidentialityInformation whose
// first two children are these two.
enum class LabelXmlResult { Read, NoReader, NotXml, HasDtd, NotLabel };
LabelXmlResult ReadConfidentialityLabel(const std::string& xml, std::string* policy, std::string* classification);

// An ESS security label's policy identifier (dotted decimal) and classification number
// (-1 when it has none). False when the bytes are no DER ESSSecurityLabel.
bool ParseEssLabel(const std::string& der, std::string* oid, int* classification);
