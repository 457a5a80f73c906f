// A session against the real OrvanClassify.dll: created through its COM registration,
// connected to the simulated Outlook, with the host's own MAPI and registry underneath.
// Prints its own pass and fail counts; exits non-zero on any failure.
#include <cstdio>
#include <string>
#include <vector>
#include "com/iids.h"
#include "com/ribbon.h"
#include "com/text.h"
#include "sim/outlook.h"
#include "sim/ribbon.h"
#include "sim/transport.h"

namespace {

int passed = 0, failed = 0;

void Check(bool ok, const std::string& what) {
  if (ok) {
    ++passed;
  } else {
    ++failed;
    std::printf("FAIL: %s\n", what.c_str());
  }
}

long Numeric(sim::MailItem* m) {
  static const GUID kPublic = {0x00020329, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  const auto* v = m->message->Find(kPublic, "MAPI-Orvan-classification");
  return v ? v->l : -1;
}

sim::Control* DropDown(sim::Inspector* w) {
  if (!w || !w->ClassificationBar()) return nullptr;
  for (sim::Control* c : w->ClassificationBar()->controls->items)
    if (c->type == 3) return c;
  return nullptr;
}

DWORD ReadPlacement(const char* name) {
  HKEY key = nullptr;
  DWORD value = 0xDEAD, size = sizeof value, type = 0;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Orvan_Classify", 0, KEY_READ, &key) != ERROR_SUCCESS) return 0xDEAD;
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
      type != REG_DWORD)
    value = 0xDEAD;
  RegCloseKey(key);
  return value;
}

void Session() {
  sim::World world;
  sim::Outlook outlook(world);
  Check(outlook.Load() == S_OK, "CoCreateInstance of the registered add-in");
  Check(outlook.Connect(ext_cm_Startup) == S_OK, "OnConnection");
  Check(outlook.StartupComplete() == S_OK, "OnStartupComplete");

  // Compose, choose, send.
  sim::Inspector* w = outlook.Compose(2, "Plans", "<html><body>Hello</body></html>");
  sim::Control* drop = DropDown(w);
  Check(drop && drop->entries.size() == 3 && drop->listIndex == 1 && drop->width == 96, "drop-down with three levels");
  Check(Numeric(w->mail()) == 1, "preselected level written at once through the host's MAPI");
  if (drop) drop->Choose(2);
  sim::MailItem* mail = w->mail();
  Check(outlook.Send(w), "Send goes through");
  Check(mail->Subject() == "[CONFIDENTIAL] Plans", "subject marked: " + mail->Subject());
  Check(mail->HTMLBody().find("<body><b>Classification: CONFIDENTIAL</b>") != std::string::npos, "body marked at the top");
  Check(mail->HTMLBody().find("<br><b>Classification: CONFIDENTIAL</b>") != std::string::npos, "body marked at the bottom");
  Check(Numeric(mail) == 2, "numeric property 2");
  Check(mail->message->InternetHeaders()["X-Orvan-classification"] == "2 - CONFIDENTIAL", "header property");
  Check(mail->message->saves == 1, "saved once");

  // Reply from the main window to a received level-2 message.
  std::string error;
  sim::MailItem* received =
      outlook.Receive("Subject: Budget\r\nX-Orvan-classification: 2 - CONFIDENTIAL\r\n\r\nbody", &error);
  outlook.Select({received});
  sim::Inspector* reply = outlook.ClickInExplorer("Reply");
  Check(DropDown(reply) && DropDown(reply)->listIndex == 2, "main-window reply preset to CONFIDENTIAL");
  if (reply) {
    sim::MailItem* replyMail = reply->mail();
    outlook.Send(reply);
    Check(Numeric(replyMail) == 2, "reply stamped with level 2");
  }

  // Another program's Send(): stamped at Application.ItemSend by the DLL's own sink.
  sim::MailItem* program = world.Make<sim::MailItem>();
  program->subject = sim::Wide("Nightly report");
  program->body = sim::Wide("All green.");
  Check(outlook.SendByProgram(program), "a program's Send goes through");
  Check(Numeric(program) == 1 && program->Subject() == "[UNCLASSIFIED] Nightly report",
        "a program's message stamped at ItemSend: " + program->Subject());

  // The ribbon through the DLL's own vtable and dispatch: GetCustomUI is the slot after
  // IDispatch's (stdcall on 32-bit Windows); the callbacks are called by name.
  ComPtr<IRibbonExtensibility> ribbon;
  Check(outlook.addIn()->QueryInterface(IID_IRibbonExtensibility, ribbon.put_void()) == S_OK && ribbon,
        "IRibbonExtensibility offered");
  if (ribbon) {
    std::basic_string<OLECHAR> idText = sim::Wide("Microsoft.Outlook.Mail.Compose");
    BSTR id = SysAllocStringLen(idText.data(), UINT(idText.size())), xml = nullptr;
    Check(ribbon->GetCustomUI(id, &xml) == S_OK && sim::Utf8(xml, SysStringLen(xml)).rfind("<customUI", 0) == 0,
          "the compose ribbon's customUI");
    SysFreeString(id);
    SysFreeString(xml);
    std::basic_string<OLECHAR> name = sim::Wide("OrvanLevelCount");
    LPOLESTR names[1] = {&name[0]};
    DISPID callback = 0;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT count;
    VariantInit(&count);
    sim::Inspector* window = outlook.Compose(1, "Ribbon", "x");
    VARIANT control = sim::BorrowedVariant(
        world.Make<sim::RibbonControl>("OrvanLevel", "OrvanClassification", window)->dispatch());
    DISPPARAMS one{&control, nullptr, 1, 0};
    Check(ribbon->GetIDsOfNames(IID_NULL, names, 1, 0, &callback) == S_OK &&
              ribbon->Invoke(callback, IID_NULL, 0, DISPATCH_METHOD, &one, &count, nullptr, nullptr) == S_OK &&
              count.vt == VT_I4 && count.lVal == 3,
          "a ribbon callback called by name answers three levels");
    Check(ribbon->Invoke(callback, IID_NULL, 0, DISPATCH_METHOD, &none, &count, nullptr, nullptr) == DISP_E_BADPARAMCOUNT,
          "a callback without its control answers DISP_E_BADPARAMCOUNT");
    VariantClear(&count);
    outlook.Close(window);
  }

  // A main window opened after start-up is followed as the first one is.
  sim::Explorer* second = outlook.OpenExplorer();
  outlook.Select({received});
  sim::Inspector* forward = outlook.ClickInExplorer("Forward");
  Check(DropDown(forward) && DropDown(forward)->listIndex == 2, "a main window opened later carries its selection's level");
  if (forward) outlook.Close(forward);
  outlook.CloseExplorer(second);

  // Unticked in the COM Add-ins dialog and ticked again: nothing of the old object stays in
  // Outlook, and the new one, connected after start-up, handles windows on its own.
  ribbon.reset();
  sim::Inspector* open = outlook.Compose(1, "Open across", "x");
  outlook.Untick();
  Check(world.AdvisedSinks() == 0 && world.OutstandingRefs() == 0 && !open->ClassificationBar(),
        "nothing of the unticked add-in left in Outlook");
  Check(outlook.Tick() == S_OK, "ticked again, connected after start-up");
  Check(outlook.Send(open) && Numeric(open->mail()) == 1 && open->mail()->Subject() == "[UNCLASSIFIED] Open across",
        "a window from before the reconnect stamped once at ItemSend: " + open->mail()->Subject());
  Check(world.Violations().empty(), "no message held after its Send");

  // A moved bar: its placement reaches the registry at shutdown.
  sim::Inspector* moved = outlook.Compose(1, "x", "y");
  if (moved->ClassificationBar()) moved->ClassificationBar()->Move(10, 20, 4, 2);
  outlook.Close(moved);
  outlook.Shutdown();
  Check(world.OutstandingRefs() == 0, "every reference given back");
  Check(world.Escapes().empty(), "no exception reached the host");
}

// The standard DLL under an organisation's Group Policy, set with reg add before this
// program runs: four levels, the second preselected, Acme's property names; Office in
// German, so the DLL's boxes and dialog come from its German string table.
void PolicySession() {
  sim::World world;
  world.officeLanguage = 0x0407;
  sim::Outlook outlook(world);
  Check(outlook.Load() == S_OK && outlook.Connect(ext_cm_Startup) == S_OK && outlook.StartupComplete() == S_OK,
        "the add-in starts under Group Policy");
  sim::Inspector* w = outlook.Compose(1, "Plans", "Numbers");
  sim::Control* drop = DropDown(w);
  Check(drop && drop->entries == std::vector<std::string>{"PUBLIC", "INTERNAL", "RESTRICTED", "TOP SECRET"},
        "the policy's four levels in the drop-down");
  Check(drop && drop->listIndex == 2, "INTERNAL preselected");
  if (drop) drop->Choose(4);
  Check(outlook.Send(w), "Send goes through");
  static const GUID kPublic = {0x00020329, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  const auto* numeric = w->mail()->message->Find(kPublic, "MAPI-Acme-classification");
  Check(numeric && numeric->l == 4, "MAPI-Acme-classification 4");
  Check(w->mail()->message->InternetHeaders()["X-Acme-classification"] == "4 - TOP SECRET",
        "X-Acme-classification \"4 - TOP SECRET\"");
  Check(w->mail()->Subject() == "[TOP SECRET] Plans", "subject marked: " + w->mail()->Subject());
  Check(w->mail()->SentBody().find("Classification: TOP SECRET") != std::string::npos,
        "the body marked in the policy's words, whatever Office's language");

  // The rules, each refusing once in a real message box, with nothing written.
  auto lastBox = [&] { return world.messageBoxes.empty() ? std::string() : world.messageBoxes.back().text; };
  auto unwritten = [&](sim::MailItem* m, const std::string& subject) {
    return m->message->saves == 0 && m->Subject() == subject && !m->sent;
  };
  sim::Inspector* pricing = outlook.Compose(1, "Pricing", "Figures");
  pricing->mail()->recipients->Add("a@acme.example", 1);
  pricing->mail()->recipients->Add("c@partner.example", 1);
  if (DropDown(pricing)) DropDown(pricing)->Choose(3);
  Check(!outlook.Send(pricing) && unwritten(pricing->mail(), "Pricing"), "RESTRICTED to c@partner.example is refused");
  Check(lastBox().find("c@partner.example") != std::string::npos &&
            lastBox().find("Oberhalb von INTERNAL") != std::string::npos,
        "the box, in German, names the outside address and the highest level: " + lastBox());
  if (DropDown(pricing)) DropDown(pricing)->Choose(2);
  Check(outlook.Send(pricing), "INTERNAL to it goes");
  std::string error;
  sim::MailItem* received =
      outlook.Receive("Subject: Merger\r\nX-Acme-classification: 3 - RESTRICTED\r\n\r\nTerms.", &error);
  sim::Inspector* read = received ? outlook.Open(received) : nullptr;
  sim::Inspector* reply = read ? outlook.Respond(read, sim::Outlook::kReply) : nullptr;
  Check(reply && DropDown(reply) && DropDown(reply)->listIndex == 3, "a reply to RESTRICTED starts at RESTRICTED");
  if (reply && DropDown(reply)) DropDown(reply)->Choose(1);
  // The reason dialog, a real one, answered through its controls: Cancel, then too few words
  // of one's own (Send stays disabled), keep the window with nothing written.
  for (const char* answer : {"cancel", "too short"}) {
    world.reasonAnswers = {answer};
    Check(reply && !outlook.Send(reply) && unwritten(reply->mail(), "RE: Merger"),
          std::string("the reply at PUBLIC stays without a reason: ") + answer);
  }
  const auto* dialog = world.reasonBoxes.empty() ? nullptr : &world.reasonBoxes.back();
  Check(world.reasonBoxes.size() == 2 &&
            dialog->text.find("als RESTRICTED eingestufte Nachricht, und ihre eigene Stufe, PUBLIC") != std::string::npos,
        "the dialog, in German, names both levels: " + (dialog ? dialog->text : std::string("(none shown)")));
  Check(dialog && dialog->choices.size() == 4 && dialog->choices.back() == "Sonstiges", "three reasons and Sonstiges listed");
  world.reasonAnswers = {"the figures were removed"};
  Check(reply && outlook.Send(reply), "with a reason of its own it goes at PUBLIC");
  const auto* reason = reply ? reply->mail()->message->Find(kPublic, "OrvanClassify-DowngradeReason") : nullptr;
  Check(reason && reason->text == "Sonstiges: the figures were removed",
        "the reason in the message: " + (reason ? reason->text : std::string("(none)")));
  Check(reply && sim::WriteEml(*reply->mail()).find("figures") == std::string::npos, "and not in what left");
  Check(world.messageBoxes.size() == 1, "one box: the refusal outside");

  // Standard labels through the system's XmlLite: what left carries Acme's, and what arrives
  // with one is read by it; a label with a DTD is refused before any entity is expanded.
  const std::string field = w->mail()->message->InternetHeaders()["SIO-Label"];
  Check(field.find("marking=\"TOP SECRET\"") != std::string::npos && field.find("type=\":xml\"") != std::string::npos,
        "what left at TOP SECRET carries its SIO-Label: " + field);
  auto labelled = [&](const std::string& prolog, const std::string& classification) {
    const std::string xml = prolog +
                            "<ConfidentialityLabel xmlns=\"urn:nato:stanag:4774:confidentialitymetadatalabel:1:0\">"
                            "<ConfidentialityInformation><PolicyIdentifier>ACME</PolicyIdentifier><Classification>" +
                            classification + "</Classification></ConfidentialityInformation></ConfidentialityLabel>";
    sim::MailItem* m = outlook.Receive(
        "Subject: Labelled\r\nSIO-Label: type=\":xml\"; label=\"" + Base64(xml) + "\"\r\n\r\nTerms.", &error);
    sim::Inspector* opened = m ? outlook.Open(m) : nullptr;
    sim::Inspector* answer = opened ? outlook.Respond(opened, sim::Outlook::kReply) : nullptr;
    const long level = answer && DropDown(answer) ? DropDown(answer)->listIndex : -1;
    if (answer) outlook.Close(answer);
    if (opened) outlook.Close(opened);
    return level;
  };
  Check(labelled("", "RESTRICTED") == 3, "a partner's ADatP-4774 label at RESTRICTED gives RESTRICTED");
  Check(labelled("<!DOCTYPE ConfidentialityLabel [<!ENTITY r \"RESTRICTED\">]>", "&r;") == 2,
        "a label with a DTD gives no level: the reply starts at INTERNAL");
  if (read) outlook.Close(read);
  outlook.Shutdown();
  Check(world.OutstandingRefs() == 0, "every reference given back");
}

}  // namespace

int main(int argc, char** argv) {
  CoInitialize(nullptr);
  if (argc == 2 && std::string(argv[1]) == "--policy") {
    PolicySession();
    CoUninitialize();
    std::printf("wine policy session: %d passed, %d failed\n", passed, failed);
    return failed ? 1 : 0;
  }
  Session();
  Check(ReadPlacement("CommandBarLeft") == 10, "CommandBarLeft in the registry");
  Check(ReadPlacement("CommandBarTop") == 20, "CommandBarTop in the registry");
  Check(ReadPlacement("CommandBarPos") == 4, "CommandBarPos in the registry");
  Check(ReadPlacement("CommandBarRowIndex") == 2, "CommandBarRowIndex in the registry");
  CoUninitialize();
  std::printf("wine session: %d passed, %d failed\n", passed, failed);
  return failed ? 1 : 0;
}
