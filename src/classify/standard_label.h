// The label other systems read: an RFC 7444 SIO-Label header field on every item that leaves
// classified, with its display marking, the marking's colours and, for xml, an ADatP-4774
// confidentiality label naming the policy and the level's classification. Only what the
// RFC and the label's published structure confirm is written.
#pragma once

#include <string>
#include <utility>
#include <vector>
#include "classify/settings.h"

// A TEXT/BACKGROUND pair of RFC 7444 colours, each "#RRGGBB" or one of its 17 names
// (fuchsia spelt either way), with blanks around allowed; each as the field writes it (a
// name in lower case, fuchsia as its hex, hex in upper case). False when it is none.
bool ColorPair(const std::string& pair, std::string* text, std::string* background);

// The field's value for a level under the policy: fgcolor, bgcolor, marking, type and label
// as RFC 2231 parameters separated by "; ", a long or non-ASCII value in continuations
// short enough that the field folds within 78 characters; empty when no label is written.
std::string SioLabel(const ClassificationSettings& settings, int level);

// Whether a text is an object identifier as the policy writes one: dotted decimal, at least
// two arcs, the first 0, 1 or 2 (and then the second below 40 unless the first is 2), each
// of at most 9 digits without leading zeros.
bool IsObjectIdentifier(const std::string& text);

// Whether a per-level entry is an ESS classification number: 0 to 256, in decimal.
bool IsClassificationNumber(const std::string& text);

// The DER of an ESS security label (RFC 2634): a SET of the policy's object identifier and,
// unless classification is negative, its classification number, in the order of the
// definition (as RFC 7444's own example writes it). Empty when oid is no object identifier.
std::string EssLabelDer(const std::string& oid, int classification);

// What the policy's label says of a level: its display marking (its LabelMarkings entry,
// else its name), its ADatP-4774 classification (its LabelClassifications entry, else its
// name) and its ESS classification number (its LabelClassValues entry, else that of
// its name where the name is one of ESS's; -1 for none).
std::string MarkingOf(const ClassificationSettings& settings, int level);
std::string ClassificationOf(const ClassificationSettings& settings, int level);
int EssClassificationOf(const ClassificationSettings& settings, int level);

// The pairs of PartnerLabels: a partner's label GUID (lower case, without braces) and the name
// of the level it stands for, as "GUID=LEVEL" separated by ';'. False when a pair is none.
bool PartnerLabelPairs(const std::string& text, std::vector<std::pair<std::string, std::string>>* pairs);

// The ADatP-4774 originatorConfidentialityLabel of a policy and a classification, in UTF-8
// without a prolog, its values escaped.
std::string ConfidentialityLabelXml(const std::string& policy, const std::string& classification);
