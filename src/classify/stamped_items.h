// The mail items this add-in has stamped whose Send has not gone through yet. Outlook can
// hand the same item to Send handling more than once (the same message open in two
// windows, a Send that another add-in or Outlook itself stopped after it was stamped), and
// a message must never get a second body mark.
#pragma once

#include <vector>
#include "com/com_ptr.h"

class StampedItems {
 public:
  bool Contains(IDispatch* item) const;
  // Records the item; first forgets those that have gone out (Sent, or no longer reachable).
  void Add(IDispatch* item);
  void Clear() { items_.clear(); }

 private:
  std::vector<ComPtr<IUnknown>> items_;  // by COM identity
};
