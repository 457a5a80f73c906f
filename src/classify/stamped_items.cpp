#include "classify/stamped_items.h"

#include <algorithm>
#include "addin/host_guard.h"
#include "addin/host_objects.h"

bool StampedItems::Contains(IDispatch* item) const {
  ComPtr<IUnknown> id = ComIdentity(item);
  return id && std::any_of(items_.begin(), items_.end(), [&](const ComPtr<IUnknown>& i) { return i.get() == id.get(); });
}

void StampedItems::Add(IDispatch* item) {
  items_.erase(std::remove_if(items_.begin(), items_.end(),
                              [](const ComPtr<IUnknown>& i) {
                                bool gone = true;
                                TryHostStep([&] {
                                  MailItem mail;
                                  gone = !MailItem::TryFrom(i.get(), &mail) || mail.Sent();
                                });
                                return gone;
                              }),
               items_.end());
  if (ComPtr<IUnknown> id = ComIdentity(item)) items_.push_back(std::move(id));
}
