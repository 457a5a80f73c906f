#include "host/host_error.h"

#include <cstdio>

HostError::HostError(HRESULT hr, const IID& iid, std::string description)
    : hr_(hr), iid_(iid), description_(std::move(description)) {
  char head[96];
  std::snprintf(head, sizeof head, "host call failed with %08X on {%08X-%04X-%04X-...}", unsigned(hr),
                unsigned(iid.Data1), unsigned(iid.Data2), unsigned(iid.Data3));
  what_ = head;
  if (!description_.empty()) what_ += ": " + description_;
}
