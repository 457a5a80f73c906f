// How a compose window looks, as text for the transcript and as an HTML page.
#pragma once

#include <string>
#include "sim/outlook.h"
#include "sim/ribbon.h"

namespace orvan_sim {

// "Classification:  [ UNCLASSIFIED | >CONFIDENTIAL< | SECRET ]", "(none)" without a bar.
std::string BarText(const sim::Inspector& w);
std::string FormatName(long bodyFormat);
// A control of the add-in's ribbon group: "Classification: [ >UNCLASSIFIED< | ... ]".
std::string RibbonText(const sim::Ribbon::Shown& control);
// The message's classification properties under the names it carries (the organisation's
// own): "MAPI-Orvan-classification = 2, X-Orvan-classification = "2 - ...", saved 1x".
std::string PropertiesText(const sim::MailItem& m);
// A message box as the page shows it over its window.
// The standard label field the message carries (SIO-Label), or empty.
std::string LabelText(const sim::MailItem& m);
// The security officer's record in the message: its correlation id and the sender's reason,
// as named properties; empty when it carries neither.
std::string RecordText(const sim::MailItem& m);
std::string MessageBoxHtml(const std::string& caption, const std::string& text);
// The bar's controls as HTML, or the empty text when the window has no bar.
std::string BarHtml(const sim::Inspector& w);
// The page of a window; barHtml is the bar as the user last saw it (a sent message's bar
// is gone with its window's handlers).
std::string WindowPage(const sim::Inspector& w, int number, const std::string& barHtml,
                       const std::string& messageBoxHtml = std::string(), const std::string& ribbonHtml = std::string());
// The add-in's group on a ribbon tab, as HTML.
std::string RibbonHtml(const std::string& tab, const std::vector<sim::Ribbon::Shown>& controls);

}  // namespace orvan_sim
