#include "render.h"

#include <sstream>
#include "com/markup.h"

namespace orvan_sim {

namespace {

std::string Escape(const std::string& s) { return MarkupText(s); }

const sim::CommandBar* Bar(const sim::Inspector& w) { return w.ClassificationBar(); }

}  // namespace

std::string FormatName(long f) {
  switch (f) {
    case 1: return "plain text";
    case 2: return "HTML";
    case 3: return "rich text";
    default: return "unspecified";
  }
}

std::string BarText(const sim::Inspector& w) {
  const sim::CommandBar* bar = Bar(w);
  if (!bar) return "(none)";
  std::string out;
  for (const sim::Control* c : bar->controls->items) {
    if (!out.empty()) out += " ";
    if (c->type == 3) {
      out += "[ ";
      for (size_t i = 0; i < c->entries.size(); ++i) {
        if (i) out += " | ";
        bool chosen = long(i + 1) == c->listIndex;
        out += chosen ? ">" + c->entries[i] + "<" : c->entries[i];
      }
      out += " ]";
    } else if (c->tag == "OrvanClassification") {
      out += "(" + c->caption + ")";  // the read-only level button
    } else {
      out += c->caption;
    }
  }
  return out;
}

std::string RibbonText(const sim::Ribbon::Shown& c) {
  if (c.element != "dropDown") return c.label;
  std::string out = c.label + " [ ";
  for (size_t i = 0; i < c.items.size(); ++i) {
    if (i) out += " | ";
    out += long(i) == c.selected ? ">" + c.items[i] + "<" : c.items[i];
  }
  return out + " ]";
}

std::string PropertiesText(const sim::MailItem& m) {
  static const GUID kPublic = {0x00020329, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  static const GUID kHeaders = {0x00020386, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  const std::string suffix = "-classification";
  // The organisation word is whatever the add-in's policy wrote: read it off the names.
  auto find = [&](const GUID& set, const std::string& prefix, std::string* organisation) {
    for (const auto& [name, value] : m.message->Named(set))
      if (name.size() > prefix.size() + suffix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
          name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
        *organisation = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
        return value;
      }
    return static_cast<const sim::MapiMessage::Value*>(nullptr);
  };
  std::string numericOrg, headerOrg;
  const auto* numeric = find(kPublic, "MAPI-", &numericOrg);
  const auto* header = find(kHeaders, "X-", &headerOrg);
  std::ostringstream out;
  if (!numeric && !header) {
    out << "no classification properties";
  } else {
    const std::string& organisation = numeric ? numericOrg : headerOrg;
    out << "MAPI-" << (numeric ? numericOrg : organisation) << suffix << " = "
        << (numeric ? std::to_string(numeric->l) : "(none)");
    out << ", X-" << (header ? headerOrg : organisation) << suffix << " = "
        << (header ? "\"" + header->text + "\"" : "(none)");
  }
  out << ", saved " << m.message->saves << "x";
  return out.str();
}

std::string LabelText(const sim::MailItem& m) {
  static const GUID kHeaders = {0x00020386, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  const auto* v = m.message->Find(kHeaders, "SIO-Label");
  return v ? v->text : std::string();
}

std::string RecordText(const sim::MailItem& m) {
  static const GUID kPublic = {0x00020329, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  std::string out;
  for (const char* name : {"OrvanClassify-CorrelationId", "OrvanClassify-DowngradeReason"})
    if (const auto* v = m.message->Find(kPublic, name))
      out += (out.empty() ? "" : ", ") + std::string(name) + " = \"" + v->text + "\"";
  return out;
}

std::string MessageBoxHtml(const std::string& caption, const std::string& text) {
  return "<div class=\"box\"><div class=\"title\">" + Escape(caption) + "</div><p>&#9888; " + Escape(text) +
         "</p><span class=\"button\">OK</span></div>\n";
}

std::string BarHtml(const sim::Inspector& w) {
  const sim::CommandBar* bar = w.ClassificationBar();
  if (!bar) return std::string();
  std::ostringstream html;
  html << "<div class=\"bar\" id=\"Orvan_Classify\"><span class=\"name\">Orvan_Classify</span>";
  for (const sim::Control* c : bar->controls->items) {
    if (c->type == 3) {
      // Office draws the combo box Width pixels wide; at this font the entries need more
      // room, so that is the least width and the browser widens it to fit them.
      html << "<select class=\"level\" title=\"" << Escape(c->tooltip) << "\" style=\"min-width:" << c->width
           << "px\">";
      for (size_t i = 0; i < c->entries.size(); ++i)
        html << "<option" << (long(i + 1) == c->listIndex ? " selected" : "") << ">" << Escape(c->entries[i])
             << "</option>";
      html << "</select>";
    } else {
      html << "<span class=\"" << (c->tag.empty() ? "button" : "button level") << "\" title=\"" << Escape(c->tooltip)
           << "\">" << Escape(c->caption) << "</span>";
    }
  }
  html << "</div>\n";
  return html.str();
}

std::string RibbonHtml(const std::string& tab, const std::vector<sim::Ribbon::Shown>& controls) {
  if (controls.empty()) return std::string();
  std::ostringstream html;
  html << "<div class=\"ribbon\"><span class=\"tab\">" << Escape(tab) << "</span><span class=\"group\">";
  for (const sim::Ribbon::Shown& c : controls) {
    html << "<label>" << Escape(c.label) << " ";
    if (c.element == "dropDown") {
      html << "<select class=\"level\">";
      for (size_t i = 0; i < c.items.size(); ++i)
        html << "<option" << (long(i) == c.selected ? " selected" : "") << ">" << Escape(c.items[i]) << "</option>";
      html << "</select>";
    }
    html << "</label>";
  }
  html << "</span></div>\n";
  return html.str();
}

std::string WindowPage(const sim::Inspector& w, int number, const std::string& barHtml,
                       const std::string& messageBoxHtml, const std::string& ribbonHtml) {
  std::ostringstream page;
  const sim::MailItem* m = w.mail();
  page << "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Window " << number << "</title>\n"
       << "<style>body{font:13px Segoe UI,Arial,sans-serif;background:#dfe6ee;margin:0}"
       << ".frame{margin:16px;border:1px solid #8aa;background:#fff;box-shadow:0 2px 6px #0003}"
       << ".title{background:#2b579a;color:#fff;padding:6px 10px}"
       << ".bar{background:#f3f3f3;border-bottom:1px solid #ccc;padding:4px 8px;display:flex;gap:6px;align-items:center}"
       << ".bar .name{color:#888;font-size:11px;margin-right:8px}.button{padding:2px 6px}"
       << ".level{border:1px solid #999;padding:1px 2px;background:#fff;font-size:11px}"
       << ".subject{padding:6px 10px;border-bottom:1px solid #ddd}.subject b{display:inline-block;width:60px}"
       << ".body{padding:10px;min-height:120px}pre{margin:0;font:13px Consolas,monospace}"
       << ".props{padding:4px 10px;border-top:1px solid #ddd;color:#555;font-size:11px}"
       << ".ribbon{background:#f8f8f8;border-bottom:1px solid #ccc;padding:6px 10px;display:flex;gap:12px}"
       << ".ribbon .tab{color:#2b579a;font-weight:bold}.ribbon .group{border-left:1px solid #ccc;padding-left:10px}"
       << ".box{margin:16px auto;width:360px;border:1px solid #888;background:#f0f0f0;box-shadow:0 2px 8px #0005}"
       << ".box p{margin:14px}.box .button{display:block;margin:0 14px 12px auto;width:60px;text-align:center;"
       << "border:1px solid #888;background:#fff}</style></head><body>\n";
  page << "<div class=\"frame\"><div class=\"title\">" << (m ? Escape(m->Subject()) : "Item") << " - "
       << (m && m->received ? "Message (received)" : m && m->sent ? "Message (sent)" : "Message") << "</div>\n";
  page << ribbonHtml << barHtml;
  if (m) {
    page << "<div class=\"subject\"><b>Subject</b>" << Escape(m->Subject()) << "</div>\n<div class=\"body\">";
    if (m->bodyFormat == 2) page << m->HTMLBody();
    else page << "<pre>" << Escape(m->bodyFormat == 1 ? m->Body() : m->HTMLBody()) << "</pre>";
    page << "</div>\n<div class=\"props\">" << Escape(PropertiesText(*m)) << "</div>\n";
  }
  page << "</div>\n" << messageBoxHtml << "</body></html>\n";
  return page.str();
}

}  // namespace orvan_sim
