// customUI XML read and checked as Office reads it, with libxml2.
#include <algorithm>
#include <set>
#include "sim/ribbon.h"

#if ORVAN_SIM_RIBBON
#include <libxml/parser.h>
#include <libxml/tree.h>

namespace sim {

namespace {

const char* const kNamespaces[] = {"http://schemas.microsoft.com/office/2006/01/customui",
                                   "http://schemas.microsoft.com/office/2009/07/customui"};

// The customUI schema's elements and the attributes each may carry, as far as an Outlook
// add-in's ribbon goes. Anything else makes Office ignore the whole document.
const std::map<std::string, std::set<std::string>>& Schema() {
  static const std::set<std::string> kControl = {
      "id", "idQ", "idMso", "tag", "label", "getLabel", "screentip", "getScreentip", "supertip", "getSupertip",
      "enabled", "getEnabled", "visible", "getVisible", "keytip", "getKeytip", "insertAfterMso", "insertBeforeMso",
      "insertAfterQ", "insertBeforeQ", "showLabel", "getShowLabel", "image", "imageMso", "getImage", "showImage",
      "getShowImage"};
  auto with = [](std::set<std::string> extra) {
    extra.insert(kControl.begin(), kControl.end());
    return extra;
  };
  static const std::map<std::string, std::set<std::string>> schema = {
      {"customUI", {"onLoad", "loadImage"}},
      {"ribbon", {"startFromScratch"}},
      {"tabs", {}},
      {"contextualTabs", {}},
      {"tabSet", {"idMso", "visible", "getVisible"}},
      {"tab", with({})},
      {"group", with({"autoScale", "centerVertically"})},
      {"box", {"id", "idQ", "boxStyle", "visible", "getVisible", "insertAfterMso", "insertBeforeMso"}},
      {"separator", {"id", "idQ", "visible", "getVisible", "insertAfterMso", "insertBeforeMso"}},
      {"labelControl", with({})},
      {"button", with({"onAction", "size", "getSize", "description", "getDescription"})},
      {"dropDown", with({"sizeString", "showItemLabel", "showItemImage", "getItemCount", "getItemLabel", "getItemID",
                         "getItemImage", "getItemScreentip", "getItemSupertip", "getSelectedItemIndex",
                         "getSelectedItemID", "onAction"})},
      {"item", {"id", "label", "image", "imageMso", "screentip", "supertip"}},
  };
  return schema;
}

std::string Text(const xmlChar* s) { return s ? reinterpret_cast<const char*>(s) : std::string(); }

bool Walk(xmlNode* node, const std::string& tab, CustomUI* out, std::set<std::string>* ids,
          std::string* why) {
  for (xmlNode* n = node; n; n = n->next) {
    if (n->type != XML_ELEMENT_NODE) continue;
    const std::string name = Text(n->name);
    const std::string ns = n->ns ? Text(n->ns->href) : std::string();
    if (std::find(std::begin(kNamespaces), std::end(kNamespaces), ns) == std::end(kNamespaces)) {
      *why = "element '" + name + "' is in no customUI namespace";
      return false;
    }
    auto allowed = Schema().find(name);
    if (allowed == Schema().end() || name == "customUI") {
      *why = "the customUI schema has no element '" + name + "' here";
      return false;
    }
    RibbonControlSpec control;
    control.element = name;
    control.tab = tab;
    for (xmlAttr* a = n->properties; a; a = a->next) {
      const std::string attribute = Text(a->name);
      if (!allowed->second.count(attribute)) {
        *why = "element '" + name + "' has no attribute '" + attribute + "'";
        return false;
      }
      xmlChar* value = xmlNodeListGetString(n->doc, a->children, 1);
      control.attributes[attribute] = Text(value);
      xmlFree(value);
    }
    const std::string id = control.Attribute("id");
    if (!id.empty() && !ids->insert(id).second) {
      *why = "the id '" + id + "' is given twice";
      return false;
    }
    const bool container = name == "ribbon" || name == "tabs" || name == "contextualTabs" || name == "tabSet" ||
                           name == "tab" || name == "group" || name == "box";
    if (!container && name != "separator" && name != "item") out->controls.push_back(control);
    const std::string childTab = name == "tab" ? control.Attribute("idMso") + control.Attribute("id") : tab;
    if (!Walk(n->children, childTab, out, ids, why)) return false;
  }
  return true;
}

}  // namespace

bool ReadCustomUI(const std::string& utf8, CustomUI* out, std::string* why) {
  *out = CustomUI();
  xmlDocPtr doc = xmlReadMemory(utf8.data(), int(utf8.size()), "customUI.xml", nullptr,
                                XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  if (!doc) {
    *why = "the XML is not well-formed";
    return false;
  }
  bool ok = false;
  xmlNode* root = xmlDocGetRootElement(doc);
  const std::string ns = root && root->ns ? Text(root->ns->href) : std::string();
  if (!root || Text(root->name) != "customUI" ||
      std::find(std::begin(kNamespaces), std::end(kNamespaces), ns) == std::end(kNamespaces)) {
    *why = "the root is no customUI element of a customUI namespace";
  } else {
    ok = true;
    for (xmlAttr* a = root->properties; a && ok; a = a->next) {
      const std::string attribute = Text(a->name);
      if (!Schema().at("customUI").count(attribute)) {
        *why = "element 'customUI' has no attribute '" + attribute + "'";
        ok = false;
      } else if (attribute == "onLoad") {
        xmlChar* value = xmlNodeListGetString(doc, a->children, 1);
        out->onLoad = Text(value);
        xmlFree(value);
      }
    }
    std::set<std::string> ids;
    ok = ok && Walk(root->children, "", out, &ids, why);
  }
  xmlFreeDoc(doc);
  return ok;
}


}  // namespace sim

#else

namespace sim {
// The Windows build of the simulator plays classic Outlook only.
bool ReadCustomUI(const std::string&, CustomUI* out, std::string* why) {
  *out = CustomUI();
  *why = "this build of the simulator reads no customUI";
  return false;
}
}  // namespace sim

#endif
